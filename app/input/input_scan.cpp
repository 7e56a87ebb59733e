#include "app/input/input_scan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <numeric>

#include "app/input/formatted_input.h"
#include "elements/console.h"

namespace {

// Walks the file from its start and fills positions[order[...]] in ascending offset order.
void walkLines(std::FILE* file, const std::vector<long>& offsets, const std::vector<size_t>& order,
               std::vector<LinePosition>& positions) {
  size_t next = 0;
  while (next < order.size() && offsets[order[next]] < 0)
    ++next;  // unknown offsets stay 0
  LinePosition here{1, 0, 0};
  long offset = 0;
  char chunk[4096];
  size_t got = 0;
  while (next < order.size() && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t i = 0; i < got && next < order.size(); ++i, ++offset) {
      while (next < order.size() && offsets[order[next]] == offset)
        positions[order[next++]] = here;
      if (!isScanBlank(chunk[i]))
        here.lastTextLine = here.line;
      if (chunk[i] == '\n') {
        ++here.line;
        here.lineStart = offset + 1;
      }
    }
  }
  // Offsets at or behind the end of what could be read.
  if (!std::ferror(file)) {
    while (next < order.size())
      positions[order[next++]] = here;
  }
}

}  // namespace

bool isScanBlank(char c) {
  return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr;
}

ScanResult scanPoint(std::FILE* file, Vec3& point) {
  if (scanDoubles(file, "%lf,%lf,%lf\n", &point.x, &point.y, &point.z) != 3) {
    return ScanResult::kUnreadable;
  }
  return isFinite(point) ? ScanResult::kRead : ScanResult::kNotFinite;
}

ScanResult scanNumber(std::FILE* file, const char* format, double& value) {
  if (scanDoubles(file, format, &value) != 1)
    return ScanResult::kUnreadable;
  return std::isfinite(value) ? ScanResult::kRead : ScanResult::kNotFinite;
}

ScanStop scanStopOf(std::FILE* file) {
  if (std::ferror(file))
    return ScanStop::kInputError;
  if (std::feof(file))
    return ScanStop::kEndOfFile;
  return ScanStop::kMismatch;
}

std::vector<LinePosition> locateOffsets(std::FILE* file, const std::vector<long>& offsets) {
  std::vector<LinePosition> positions(offsets.size());
  std::clearerr(file);
  if (std::fseek(file, 0, SEEK_SET) != 0)
    return positions;
  std::vector<size_t> order(offsets.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&offsets](size_t a, size_t b) { return offsets[a] < offsets[b]; });
  walkLines(file, offsets, order, positions);
  return positions;
}

std::string bytesAt(std::FILE* file, long from, long to) {
  std::string bytes;
  std::clearerr(file);
  if (from < 0 || to <= from || std::fseek(file, from, SEEK_SET) != 0)
    return bytes;
  bytes.resize(static_cast<std::size_t>(to - from));
  bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file));
  return bytes;
}

std::string faultPlace(const char* fileKind, ScanStop stop, bool notFinite,
                       const LinePosition& where, long& line) {
  const std::string kind = fileKind;
  if (notFinite || stop == ScanStop::kMismatch) {
    line = notFinite ? where.lastTextLine : where.line;
    return line > 0 ? kind + " line " + std::to_string(line) : kind;
  }
  line = where.lastTextLine;
  if (stop == ScanStop::kEndOfFile) {
    if (line > 0)
      return kind + " ends after line " + std::to_string(line);
    return where.line > 0 ? kind + " is empty" : kind + " ends too early";
  }
  if (line > 0)
    return kind + " cannot be read past line " + std::to_string(line) + " (input error)";
  return kind + " cannot be read (input error)";
}

void throwReadFault(const std::vector<std::string>& lines, const std::string& detail,
                    int systemError) {
  throw ReadFault(lines, detail, systemError);
}

int reportReadFault(const ReadFault& fault) {
  return reportReadFault(fault, std::cerr);
}

int reportReadFault(const ReadFault& fault, std::ostream& err) {
  for (const std::string& line : fault.consoleLines())
    console::out() << line << std::endl;
  if (!fault.detail().empty())
    err << "floatstate: " + fault.detail() + "\n";  // one write: one line, even between processes
  console::waitForUser();
  return 1;
}

std::string fileFailure(const char* kind, const char* path, int errorNumber) {
  return std::string(kind) + " '" + (path != nullptr ? path : "") +
         "': " + std::strerror(errorNumber);
}
