#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "geometry/vec3.h"

// Reading helpers shared by the SET file and the pillar file readers. Both files are read with the
// C library's formatted input; these helpers add what a hand-edited file needs: a fault names the
// line where the reading stopped, found only once a fault has happened, so a good file costs
// nothing extra.

// Result of one formatted scan of a point or a number.
enum class ScanResult {
  kRead,        // every number read and finite
  kUnreadable,  // the text did not match the format, or the file ended or failed first
  kNotFinite,   // read, but a number is nan or infinite
};

// One point "x,y,z" with the format "%lf,%lf,%lf\n".
ScanResult scanPoint(std::FILE* file, Vec3& point);
// One number with a format that holds exactly one "%lf" conversion.
ScanResult scanNumber(std::FILE* file, const char* format, double& value);

// The white space that the formatted input passes over (in the C locale): blank, tab, line feed,
// vertical tab, form feed, carriage return.
bool isScanBlank(char c);

// Why a scan that came up short stopped.
enum class ScanStop {
  kMismatch,    // the text at the stream's position does not fit the format
  kEndOfFile,   // the file ended before the item was complete
  kInputError,  // the stream failed
};
ScanStop scanStopOf(std::FILE* file);

// The line of the byte at some offset of a file, and the line of the last character before that
// offset that is not white space (the line of a number just read, when the scan has already passed
// over the line break behind it). Lines count from 1; 0 means unknown (or, for lastTextLine, that
// only white space precedes the offset).
struct LinePosition {
  long line = 0;
  long lastTextLine = 0;
};

// Reads the stream again from its start to locate each offset (any order; negative offsets stay
// unknown). Works on any seekable stream; a stream that cannot seek leaves every line unknown. The
// stream is left wherever the second reading stopped.
std::vector<LinePosition> locateOffsets(std::FILE* file, const std::vector<long>& offsets);

// The opening of a fault message, naming the place where the reading stopped and setting `line` to
// the line it names (0 when it names none). With fileKind "SET file":
//   "SET file line 7"                                  the text at line 7 doesn't fit
//   "SET file ends after line 12" / "SET file is empty"  the file ended too early
//   "SET file cannot be read past line 12 (input error)" the stream failed
// A number that was read but is not finite is placed at the line where it stands.
std::string faultPlace(const char* fileKind, ScanStop stop, bool notFinite,
                       const LinePosition& where, long& line);

// The fault exit of both readers: writes each line to standard output with a line end, then
// `detail` (when not empty) as one line "floatstate: DETAIL" on standard error, waits for the user
// when the console is interactive and ends the process with exit code 1.
[[noreturn]] void exitAfterReadFault(const std::vector<std::string>& lines,
                                     const std::string& detail = "");

// "KIND 'PATH': REASON" for a file that the system would not open or read, REASON being the
// system's own words for the error number.
std::string fileFailure(const char* kind, const char* path, int errorNumber);
