#include "app/input/pillar_file.h"

#include <cerrno>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "app/input/input_scan.h"
#include "elements/console.h"

namespace {

constexpr const char* kFileKind = "Pillar file";
constexpr int kPillarCount = 4;

// The lines of an entry, as the messages name them.
enum class EntryItem { kLabel, kFirstPoint, kSecondPoint };

struct PillarFault {
  long offset = -1;  // where the reading stopped
  ScanStop stop = ScanStop::kMismatch;
  bool notFinite = false;
  int pillar = 0;  // 1 to 4
  EntryItem item = EntryItem::kLabel;
  bool entryAbsent = false;  // the file ended before the entry's first character
  bool tooFarApart = false;  // both points read, but their difference overflows
};

// Reads the entry's label line "#<number>:", when the entry has one: an entry may also begin
// directly with its first point. False when a label begins but is broken.
bool readLabel(std::FILE* file, bool& entryAbsent) {
  const int c = std::getc(file);
  entryAbsent = c == EOF;
  if (c == EOF)
    return true;  // the first point's scan fails and reports the missing entry
  std::ungetc(c, file);
  if (c != '#')
    return true;
  int end = -1;  // set only once the ':' has matched; the number itself is not used
  std::fscanf(file, "#%*d:%n\n", &end);
  return end >= 0;
}

bool fail(std::FILE* file, ScanResult result, EntryItem item, PillarFault& fault) {
  fault.offset = std::ftell(file);
  fault.stop = scanStopOf(file);
  fault.notFinite = result == ScanResult::kNotFinite;
  fault.item = item;
  return false;
}

bool readEntry(std::FILE* file, LineSegment& pillar, PillarFault& fault) {
  if (!readLabel(file, fault.entryAbsent))
    return fail(file, ScanResult::kUnreadable, EntryItem::kLabel, fault);
  Vec3 p0;
  Vec3 p1;
  ScanResult result = scanPoint(file, p0);
  if (result != ScanResult::kRead)
    return fail(file, result, EntryItem::kFirstPoint, fault);
  result = scanPoint(file, p1);
  if (result != ScanResult::kRead)
    return fail(file, result, EntryItem::kSecondPoint, fault);
  // The line's direction P1 - P0 is what every crossing is computed from.
  if (!isFinite(p1 - p0)) {
    fault.tooFarApart = true;
    return fail(file, ScanResult::kNotFinite, EntryItem::kSecondPoint, fault);
  }
  pillar.set(p0, p1);
  return true;
}

std::string faultText(const PillarFault& fault) {
  const std::string pillar = "pillar " + std::to_string(fault.pillar);
  if (fault.item == EntryItem::kLabel)
    return "expected the label of " + pillar + ", such as \"#" + std::to_string(fault.pillar) +
           ":\"";
  if (fault.entryAbsent && fault.stop == ScanStop::kEndOfFile) {
    return pillar + " is missing (the file must hold four pillars)";
  }
  if (fault.tooFarApart)
    return "the two points of " + pillar + " are too far apart to compute with";
  const std::string point =
      fault.item == EntryItem::kFirstPoint ? "the first point" : "the second point";
  if (fault.notFinite)
    return point + " of " + pillar + " has a coordinate that is not a finite number";
  return "expected " + point + " (x,y,z) of " + pillar;
}

}  // namespace

bool parsePillarFile(std::FILE* file, LineSegment pillars[4], PillarFileError& error) {
  PillarFault fault;
  for (int k = 0; k < kPillarCount; ++k) {
    fault.pillar = k + 1;
    if (readEntry(file, pillars[k], fault))
      continue;
    const LinePosition where = locateOffsets(file, {fault.offset}).front();
    error.message = faultPlace(kFileKind, fault.stop, fault.notFinite, where, error.line);
    if (fault.stop != ScanStop::kInputError)
      error.message += ": " + faultText(fault);
    return false;
  }
  return true;
}

void readPillarFile(const char* fileName, LineSegment pillars[4]) {
  const char* const openError = "Pillar file read error! ";
  errno = 0;
  // Binary mode reads the bytes as they stand on every system: Windows would otherwise translate
  // line ends and stop at a Ctrl-Z byte, and read a file differently from Linux.
  std::FILE* file = fileName != nullptr ? std::fopen(fileName, "rb") : nullptr;
  if (file == nullptr) {
    const int systemError = errno;
    throwReadFault({openError}, fileFailure("cannot open pillar file", fileName, systemError),
                   systemError);
  }
  PillarFileError error;
  const bool ok = parsePillarFile(file, pillars, error);
  const int readError = std::ferror(file) ? errno : 0;
  std::fclose(file);
  if (!ok) {
    throwReadFault({openError, error.message},
                   readError ? fileFailure("cannot read pillar file", fileName, readError)
                             : std::string(fileName) + ": " + error.message,
                   readError);
  }
}

bool crossesInOnePoint(const Plane& waterPlane, const LineSegment& line, Vec3& crossing) {
  // A crossing beyond the range of doubles (a line all but parallel to the plane, far out) is as
  // good as none.
  return waterPlane.intersect(line, crossing) == Plane::kCrossing && isFinite(crossing);
}

std::optional<double> draftOnLine(const Plane& waterPlane, const LineSegment& line) {
  Vec3 crossing;
  if (!crossesInOnePoint(waterPlane, line, crossing))
    return std::nullopt;
  return crossing.z;
}

void writePillarDrafts(const Plane& waterPlane, const LineSegment pillars[4], Vec3 crossings[4]) {
  for (int k = 0; k < kPillarCount; ++k) {
    if (!crossesInOnePoint(waterPlane, pillars[k], crossings[k]))
      continue;
    // 号立柱吃水=
    writePillarDraftLine(k + 1, crossings[k].z, "", "\xba\xc5\xc1\xa2\xd6\xf9\xb3\xd4\xcb\xae=");
  }
}

void writePillarDraftLine(int k, double draft, const char* before, const char* text) {
  console::out() << before << k << text << draft << std::endl;
}
