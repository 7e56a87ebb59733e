#pragma once

#include <cstdio>
#include <exception>
#include <iosfwd>
#include <string>
#include <utility>
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
  long lineStart = -1;  // the offset where the byte's line starts; -1 when unknown
};

// Reads the stream again from its start to locate each offset (any order; negative offsets stay
// unknown). Works on any seekable stream; a stream that cannot seek leaves every line unknown. The
// stream is left wherever the second reading stopped.
std::vector<LinePosition> locateOffsets(std::FILE* file, const std::vector<long>& offsets);

// The bytes [from, to) of a seekable stream, fewer where the file ends first; the stream is left
// wherever the reading stopped.
std::string bytesAt(std::FILE* file, long from, long to);

// The opening of a fault message, naming the place where the reading stopped and setting `line` to
// the line it names (0 when it names none). With fileKind "SET file":
//   "SET file line 7"                                  the text at line 7 doesn't fit
//   "SET file ends after line 12" / "SET file is empty"  the file ended too early
//   "SET file cannot be read past line 12 (input error)" the stream failed
// A number that was read but is not finite is placed at the line where it stands.
std::string faultPlace(const char* fileKind, ScanStop stop, bool notFinite,
                       const LinePosition& where, long& line);

// A fault that ends the run while an input is read: the console lines that say so (the program's
// own texts, for standard output) and `detail`, the one line for standard error without its
// "floatstate: " (may be empty). The readers throw it; only the driver turns it into the exit code.
// `systemError` is the system's error number when the file could not be opened or read (the fault
// is then the file's, not its content's); 0 otherwise.
class ReadFault : public std::exception {
 public:
  ReadFault(std::vector<std::string> consoleLines, std::string detail, int systemError = 0)
      : consoleLines_(std::move(consoleLines)),
        detail_(std::move(detail)),
        systemError_(systemError) {}
  const std::vector<std::string>& consoleLines() const { return consoleLines_; }
  const std::string& detail() const { return detail_; }
  int systemError() const { return systemError_; }
  const char* what() const noexcept override {
    return detail_.empty() && !consoleLines_.empty() ? consoleLines_.front().c_str()
                                                     : detail_.c_str();
  }

 private:
  std::vector<std::string> consoleLines_;
  std::string detail_;
  int systemError_;
};

// Throws the fault of both readers.
[[noreturn]] void throwReadFault(const std::vector<std::string>& lines,
                                 const std::string& detail = "", int systemError = 0);

// The end of a run on a read fault: writes each console line to the console with a line end,
// then the detail (when not empty) as one line "floatstate: DETAIL" on `err` (standard error
// unless given), and waits for the user when the console is interactive. Returns the exit code, 1.
int reportReadFault(const ReadFault& fault);
int reportReadFault(const ReadFault& fault, std::ostream& err);

// "KIND 'PATH': REASON" for a file that the system would not open or read, REASON being the
// system's own words for the error number.
std::string fileFailure(const char* kind, const char* path, int errorNumber);
