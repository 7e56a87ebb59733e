#pragma once

// What must hold for every input, whatever its bytes: the checks behind the libFuzzer harnesses
// (which abort on a violation) and behind the tests that replay the inputs they found (which
// fail). Each check returns an empty string when the input passed and otherwise says what went
// wrong. A check never prints: the program's own console output goes to a discarding buffer.

#include <stdio.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "app/input/input_warnings.h"
#include "app/input/pillar_file.h"
#include "app/input/set_file_reader.h"
#include "app/input/set_file_text.h"
#include "app/input/split_check.h"
#include "app/platform/decimal_number.h"
#include "elements/floating_body.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"

namespace input_checks {

// A read-only stream over a private copy of the bytes, NUL bytes included, that can seek like a
// file (the readers read a faulty file twice to name the line of the fault).
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {
    bytes_.push_back('\0');  // data() is never null, also for an empty input
#ifdef _WIN32
    // The Windows runtime has no fmemopen: an anonymous temporary file holds the bytes instead.
    file_ = std::tmpfile();
    if (file_ != nullptr) {
      std::fwrite(bytes_.data(), 1, size, file_);
      std::rewind(file_);
    }
#else
    file_ = fmemopen(bytes_.data(), size, "r");
#endif
  }
  ~MemoryFile() {
    if (file_ != nullptr)
      std::fclose(file_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::FILE* get() const {
    return file_;
  }

 private:
  std::vector<char> bytes_;
  std::FILE* file_;
};

// A message meant for one console line: not empty, no line break, starting with `prefix`.
inline std::string checkMessage(const std::string& what, const std::string& message,
                                const std::string& prefix) {
  if (message.empty() || message.find('\n') != std::string::npos ||
      message.compare(0, prefix.size(), prefix) != 0) {
    return what + " is not one line starting with \"" + prefix + "\": \"" + message + "\"";
  }
  return "";
}

// Every number of the body's input, in exponent-free round-trip notation, in file order per kind:
// the text of a SET file that describes the same body.
inline std::string setFileText(const FloatingBody& body) {
  std::string text;
  const auto number = [&text](double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    text += buffer;
  };
  const auto point = [&](const Vec3& p) {
    number(p.x);
    text += ',';
    number(p.y);
    text += ',';
    number(p.z);
    text += '\n';
  };
  const char* const header[4] = {
      "Volume of Displacement=", "\nGra_Pt.x=", "\nGra_Pt.y=", "\nGra_Pt.z="};
  const double values[4] = {body.displacementVolume, body.centreOfGravity.x, body.centreOfGravity.y,
                            body.centreOfGravity.z};
  for (int i = 0; i < 4; ++i) {
    text += header[i];
    number(values[i]);
  }
  text += '\n';
  for (int i = 0; i < body.tetrahedronCount; ++i) {
    text += "Tetrahedron\n";
    for (const Vec3& v : body.tetrahedra[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.hexahedronCount; ++i) {
    text += "Hexahedron\n";
    for (const Vec3& v : body.hexahedra[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.prismCount; ++i) {
    text += "TrianglePrism\n";
    for (const Vec3& v : body.prisms[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.cylinderCount; ++i) {
    const Cylinder& c = body.cylinders[i];
    text += "Cylinder\n";
    point(c.axisStart);
    number(c.radius);
    text += '\n';
    point(c.axisEnd);
    number(c.radius);
    text += '\n';
  }
  return text;
}

// Whether the split volumes a reading measured are one per solid of the body, bit for bit the ones
// the checks measure.
template <class Element>
bool measuredAsTheChecks(const Element* elements, int count,
                         const std::vector<SplitVolumes>& measured) {
  if (measured.size() != static_cast<std::size_t>(count))
    return false;
  const SplitMeasure<Element> measure;
  for (int i = 0; i < count; ++i) {
    const SplitVolumes own = measure(elements[i]);
    if (std::memcmp(&own, &measured[static_cast<std::size_t>(i)], sizeof own) != 0)
      return false;
  }
  return true;
}

inline bool sameLines(const ElementLines& a, const ElementLines& b) {
  return a.tetrahedra == b.tetrahedra && a.hexahedra == b.hexahedra && a.prisms == b.prisms &&
         a.cylinders == b.cylinders && a.secondRadii.size() == b.secondRadii.size() &&
         (a.secondRadii.empty() || std::memcmp(a.secondRadii.data(), b.secondRadii.data(),
                                               a.secondRadii.size() * sizeof(double)) == 0);
}

inline int elementCount(const FloatingBody& body) {
  return body.tetrahedronCount + body.hexahedronCount + body.prismCount + body.cylinderCount;
}

// A body the reader accepted: arrays exactly where the counts say, every number finite, every
// cylinder with its 30 sectors.
inline std::string checkAcceptedBody(const FloatingBody& body) {
  const bool arrays[4] = {body.tetrahedra != nullptr, body.hexahedra != nullptr,
                          body.prisms != nullptr, body.cylinders != nullptr};
  const int counts[4] = {body.tetrahedronCount, body.hexahedronCount, body.prismCount,
                         body.cylinderCount};
  for (int kind = 0; kind < 4; ++kind) {
    if (counts[kind] < 0 || arrays[kind] != (counts[kind] > 0))
      return "element array and count disagree for kind " + std::to_string(kind);
  }
  // Written out and read back, the accepted numbers describe the same body: this also checks
  // that every number is finite (the reader refuses the others).
  const std::string text = setFileText(body);
  for (const char* bad : {"nan", "inf"}) {
    if (text.find(bad) != std::string::npos)
      return std::string("the reader accepted a number that is not finite (") + bad + ")";
  }
  for (int i = 0; i < body.cylinderCount; ++i) {
    if (body.cylinders[i].segmentCount != Cylinder::kDefaultSegmentCount)
      return "a cylinder read from the file does not have 30 sectors";
  }
  return "";
}

// Every number that the readers' quick conversion takes from the bytes, wherever one may start
// (behind a byte that cannot go on a number): strtod takes the same characters to the same bits.
inline std::string checkPlainDecimals(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const auto goesOnNumber = [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
  };
  for (std::size_t i = 0; i < size; ++i) {
    double value = 0;
    const char* end = nullptr;
    if ((i > 0 && goesOnNumber(text[i - 1])) ||
        !readPlainDecimal(text + i, text + size, value, end))
      continue;
    const std::string taken(text + i, end);
    char* strtodEnd = nullptr;
    const double expected = std::strtod(taken.c_str(), &strtodEnd);
    if (strtodEnd != taken.c_str() + taken.size() ||
        std::memcmp(&value, &expected, sizeof value) != 0)
      return "the quick conversion reads \"" + taken.substr(0, 80) + "\" otherwise than strtod";
  }
  return "";
}

// Parses the bytes as a SET file. An accepted file must give a sound body that reads back the
// same from its own numbers; a refused one a one-line message and no elements. The numbers'
// quick conversion agrees with strtod.
inline std::string checkSetFile(const std::uint8_t* data, std::size_t size) {
  const std::string numbers = checkPlainDecimals(data, size);
  if (!numbers.empty())
    return numbers;
  const MemoryFile file(data, size);
  if (file.get() == nullptr)
    return "";  // no stream, nothing to check
  FloatingBody body;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  const bool ok = parseSetFile(file.get(), body, error, warnings);
  for (const SetFileWarning& warning : warnings) {
    const std::string problem = checkMessage("a warning", warning.message, "SET file line ");
    if (!problem.empty() || warning.line < 1)
      return problem.empty() ? "a warning names no line: " + warning.message : problem;
  }
  if (!ok) {
    FloatingBody fromMemory;
    if (readUsualSetFile(reinterpret_cast<const char*>(data), size, fromMemory))
      return "reading from memory took a file that the stream refuses";
    if (elementCount(body) != 0 || body.tetrahedra || body.hexahedra || body.prisms ||
        body.cylinders) {
      return "a refused file left elements in the body";
    }
    return checkMessage("the error", error.message, "SET file");
  }
  std::string problem = checkAcceptedBody(body);
  if (!problem.empty())
    return problem;
  const std::string text = setFileText(body);
  // Reading from memory takes a file only as the stream reads it, and takes every plain one.
  FloatingBody fromMemory, plain;
  ReadingNotes notes;
  if (readUsualSetFile(reinterpret_cast<const char*>(data), size, fromMemory, nullptr, true,
                       &notes)) {
    if (!warnings.empty() || setFileText(fromMemory) != text)
      return "reading from memory took a file that the stream reads otherwise";
    if (!measuredAsTheChecks(fromMemory.hexahedra.get(), fromMemory.hexahedronCount,
                             notes.splits.hexahedra) ||
        !measuredAsTheChecks(fromMemory.prisms.get(), fromMemory.prismCount, notes.splits.prisms))
      return "the split volumes measured while reading are not the checks' own";
    const MemoryFile scanned(data, size);
    if (notes.linesCounted && scanned.get() != nullptr &&
        !sameLines(notes.lines, scanElementLines(scanned.get())))
      return "the lines counted while reading are not those a scan of the file finds";
  }
  if (!readUsualSetFile(text.data(), text.size(), plain) || setFileText(plain) != text)
    return "reading from memory refused or misread the body's own numbers";
  const MemoryFile again(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  FloatingBody reread;
  std::vector<SetFileWarning> none;
  if (!parseSetFile(again.get(), reread, error, none))
    return "the body's own numbers are refused: " + error.message;
  if (setFileText(reread) != text)
    return "the body's own numbers read back as another body";
  return "";
}

// Reads the bytes as a pillar file. Accepted pillars hold finite points and get finite drafts
// (or none) for a few water planes; a refused file gives a one-line message.
inline std::string checkPillarFile(const std::uint8_t* data, std::size_t size) {
  const MemoryFile file(data, size);
  if (file.get() == nullptr)
    return "";
  LineSegment pillars[4];
  for (LineSegment& p : pillars)
    p.set(Vec3(0, 0, 0), Vec3(0, 0, 0));
  PillarFileError error;
  if (!parsePillarFile(file.get(), pillars, error))
    return checkMessage("the error", error.message, "Pillar file");
  for (const LineSegment& pillar : pillars) {
    if (!isFinite(pillar.P0) || !isFinite(pillar.P1))
      return "an accepted pillar holds a number that is not finite";
  }
  const double s = std::sqrt(0.5);
  const Plane planes[3] = {Plane(0, 0, 1, -2), Plane(s, 0, s, -1), Plane(0.6, 0.48, 0.64, 3)};
  std::ostringstream drafts;
  std::streambuf* const old = std::cout.rdbuf(drafts.rdbuf());
  for (const Plane& plane : planes) {
    Vec3 crossings[4];
    writePillarDrafts(plane, pillars, crossings);
  }
  std::cout.rdbuf(old);
  const std::string text = drafts.str();
  if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos)
    return "a pillar's draft is not a finite number: " + text;
  return "";
}

}  // namespace input_checks
