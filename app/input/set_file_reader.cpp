#include "app/input/set_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string_view>
#include <utility>

#include "app/input/element_list.h"
#include "app/input/formatted_input.h"
#include "app/input/input_scan.h"
#include "app/input/set_file_text.h"
#include "app/platform/platform.h"

namespace {

constexpr const char* kFileKind = "SET file";
// A keyword line is read whole into this buffer: at most 99 characters, line break included, and
// the terminator. A longer line is read, and compared, in pieces of 99 characters.
constexpr int kLineBufferSize = 100;

struct HeaderLine {
  const char* format;
  const char* name;
};
const HeaderLine kHeader[4] = {{"Volume of Displacement=%lf\n", "Volume of Displacement"},
                               {"Gra_Pt.x=%lf\n", "Gra_Pt.x"},
                               {"Gra_Pt.y=%lf\n", "Gra_Pt.y"},
                               {"Gra_Pt.z=%lf\n", "Gra_Pt.z"}};

const char* const kKeywords[4] = {"Tetrahedron", "Hexahedron", "TrianglePrism", "Cylinder"};
// The UTF-8 byte-order mark, U+FEFF.
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// How a fault message names a line that could not be read.
struct ItemName {
  std::string expected;  // what the line should hold, e.g. "vertex 3 (x,y,z)"
  std::string subject;   // the value it holds, e.g. "vertex 3"
  bool isPoint;
};
// The lines of a cylinder block, in file order.
const char* const kCylinderItems[4] = {"the centre of the first end face", "the first radius",
                                       "the centre of the second end face", "the second radius"};

ItemName blockItem(const char* keyword, int item) {
  if (std::strcmp(keyword, "Cylinder") == 0) {
    const bool isPoint = item % 2 == 0;
    const std::string name = kCylinderItems[item];
    return {isPoint ? name + " (x,y,z)" : name, name, isPoint};
  }
  const std::string name = "vertex " + std::to_string(item + 1);
  return {name + " (x,y,z)", name, true};
}

ItemName headerItem(int index) {
  const std::string name = kHeader[index].name;
  return {"\"" + name + "=\" followed by a number", name, false};
}

bool failAt(int item, ScanResult result, BlockReadFailure& failure) {
  failure.item = item;
  failure.notFinite = result == ScanResult::kNotFinite;
  return false;
}

bool readPoints(std::FILE* file, Vec3* points, int count, BlockReadFailure& failure) {
  for (int i = 0; i < count; ++i) {
    const ScanResult result = scanPoint(file, points[i]);
    if (result != ScanResult::kRead)
      return failAt(i, result, failure);
  }
  return true;
}

// Reads the next piece of a line, as fgets does: up to and including the line break, at most 99
// characters. Returns the piece's length, NUL bytes included, or -1 at the end of the file or on
// a stream error. fgets writes its terminator right behind the characters it read and leaves the
// rest of the buffer as it was, so in a buffer filled beforehand the last NUL ends the piece.
long readPiece(std::FILE* file, char (&line)[kLineBufferSize]) {
  std::memset(line, '\n', sizeof line);
  if (std::fgets(line, sizeof line, file) == nullptr)
    return -1;
  long length = kLineBufferSize - 1;
  while (length > 0 && line[length] != '\0')
    --length;
  return length;
}

// The stream's size, from its start; -1 when it cannot be found (a pipe). Called before anything
// is read, so that the position it restores is the start.
long sizeOf(std::FILE* file) {
  const long start = std::ftell(file);
  if (start < 0 || std::fseek(file, 0, SEEK_END) != 0)
    return -1;
  const long end = std::ftell(file);
  return std::fseek(file, start, SEEK_SET) == 0 ? end : -1;
}

// A keyword line read on Windows in text mode has lost the CR of its CR LF; do the same here.
void stripCarriageReturn(char* line, long& length) {
  if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
    line[length - 2] = '\n';
    line[length - 1] = '\0';
    --length;
  }
}

char lowerCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlankOrNul(char c) {
  return c == '\0' || isScanBlank(c);
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The keyword that a skipped line spells apart from the case of its letters and white space (or
// NUL bytes) around it, or that the line starts with ("Hexahedron:", "Cylinder 2"), or null. A
// longer word ("Hexahedra of the hull") is not a keyword.
const char* nearKeyword(std::string_view line) {
  while (!line.empty() && isBlankOrNul(line.front()))
    line.remove_prefix(1);
  while (!line.empty() && isBlankOrNul(line.back()))
    line.remove_suffix(1);
  for (const char* keyword : kKeywords) {
    const std::string_view word = keyword;
    if (word.size() <= line.size() &&
        std::equal(word.begin(), word.end(), line.begin(),
                   [](char a, char b) { return lowerCase(a) == lowerCase(b); }) &&
        (word.size() == line.size() || !isLetter(line[word.size()]))) {
      return keyword;
    }
  }
  return nullptr;
}

bool isBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), isBlankOrNul);
}

// The skipped line holds three numbers "x,y,z" and nothing else: a vertex outside any block.
bool readsAsPoint(const char* line) {
  const char* p = line;
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    std::strtod(p, &end);
    if (end == p)
      return false;
    p = end;
    while (isScanBlank(*p))
      ++p;
    if (i < 2 && *p++ != ',')
      return false;
  }
  return *p == '\0';
}

// The skipped line as it stands, without its line break and with invisible characters spelled
// out, so that a stray blank, tab or NUL byte shows in the warning.
std::string quoted(std::string_view line) {
  static const char kControls[] = "\t\r\v\f";
  static const char kEscapes[] = "trvf";
  if (!line.empty() && line.back() == '\n')
    line.remove_suffix(1);
  std::string text = "\"";
  for (char c : line) {
    const char* control = c == '\0' ? nullptr : std::strchr(kControls, c);
    if (c == '\0') {
      text += "\\0";
    } else if (control != nullptr) {
      text += std::string("\\") + kEscapes[control - kControls];
    } else if ((c > 0 && c < ' ') || c == '\x7f') {
      static const char kHex[] = "0123456789ABCDEF";
      text += std::string("\\x") + kHex[(c >> 4) & 0xF] + kHex[c & 0xF];
    } else {
      text += c;
    }
  }
  return text + "\"";
}

// Everything a fault message needs, kept until the line numbers are looked up.
struct Fault {
  long offset = -1;  // where the reading stopped
  ScanStop stop = ScanStop::kMismatch;
  bool notFinite = false;
  ItemName item;
  int index = 0;                  // the item's place among the header's or the block's lines
  const char* keyword = nullptr;  // the block's keyword; null for the header
  long keywordOffset = -1;        // the line break of the block's keyword line
  std::string message;            // a complete message that names no line
};

struct PendingWarning {
  long offset;  // the last character read of the skipped line
  std::string text;
  const char* keyword;  // the keyword it resembles, or null for a point outside any block
};

class SetFileParser {
 public:
  // With noteBlockStarts the parser asks the stream for the position of every keyword line, so
  // that a fault can name the line where its block starts. That costs a system call per block, so
  // it is done only in a second reading after a fault.
  SetFileParser(std::FILE* file, bool noteBlockStarts)
      : file_(file), noteBlockStarts_(noteBlockStarts) {}
  bool read(FloatingBody& body) {
    fileSize_ = sizeOf(file_);
    skipByteOrderMark();
    return readHeader(body) && readElements() && store(body);
  }
  bool faultInBlock() const { return fault_.keyword != nullptr; }
  bool coneSeen() const { return coneSeen_; }
  // Takes the block start from a second reading that stopped at the same place.
  void takeBlockStart(const SetFileParser& again) {
    if (again.fault_.offset == fault_.offset)
      fault_.keywordOffset = again.fault_.keywordOffset;
  }
  // Looks up the line numbers (reading the file again, only when there is something to report)
  // and writes the messages.
  void report(bool failed, SetFileError& error, std::vector<SetFileWarning>& warnings);

 private:
  void skipByteOrderMark();
  bool readHeader(FloatingBody& body);
  bool readElements();
  bool readBlockAfter(const char* line, long length);
  template <class Element, class Read>
  bool readBlock(const char* keyword, Read readElement, ElementList<Element>& list);
  void noteSuspectLine(const char* line, long length);
  bool fail(bool notFinite, ItemName item, int index, const char* keyword, long keywordOffset);
  long itemStart();
  std::string foundText(const LinePosition& where);
  bool store(FloatingBody& body);
  std::string faultMessage(const LinePosition& where, const LinePosition& block, long& line);

  std::size_t expectedCount(std::size_t count) const;

  std::FILE* file_;
  bool noteBlockStarts_;
  long fileSize_ = -1;  // -1 when the stream cannot tell
  ElementList<Tetrahedron> tetrahedra_;
  ElementList<Hexahedron> hexahedra_;
  ElementList<TrianglePrism> prisms_;
  ElementList<Cylinder> cylinders_;
  std::vector<PendingWarning> warnings_;
  bool inSuspectRun_ = false;  // the lines skipped last were a suspect keyword line or points
  bool coneSeen_ = false;      // a cylinder's second radius differs from its first
  Fault fault_;
};

// An editor that saves UTF-8 may put a byte-order mark before the first line: it is passed over.
// A start that only begins like one is read again from its first byte, which the header's fault
// then names (where the stream can seek, as every file can).
void SetFileParser::skipByteOrderMark() {
  for (int i = 0; i < 3; ++i) {
    const int c = std::getc(file_);
    if (c != static_cast<unsigned char>(kByteOrderMark[i])) {
      if (i > 0)
        std::fseek(file_, 0, SEEK_SET);
      else if (c != EOF)
        std::ungetc(c, file_);
      return;
    }
  }
}

bool SetFileParser::readHeader(FloatingBody& body) {
  double* const values[4] = {&body.displacementVolume, &body.centreOfGravity.x,
                             &body.centreOfGravity.y, &body.centreOfGravity.z};
  for (int i = 0; i < 4; ++i) {
    const ScanResult result = scanNumber(file_, kHeader[i].format, *values[i]);
    if (result != ScanResult::kRead) {
      return fail(result == ScanResult::kNotFinite, headerItem(i), i, nullptr, -1);
    }
  }
  return true;
}

// Ends at the end of the file, and on a stream error, which is a fault: a body silently cut
// short would float wrong.
bool SetFileParser::readElements() {
  char line[kLineBufferSize];
  long length = 0;
  while ((length = readPiece(file_, line)) >= 0) {
    stripCarriageReturn(line, length);
    if (!readBlockAfter(line, length))
      return false;
    if (std::feof(file_))
      break;
  }
  if (std::ferror(file_))
    return fail(false, ItemName{}, 0, nullptr, -1);
  return true;
}

bool SetFileParser::readBlockAfter(const char* line, long length) {
  if (std::strcmp(line, "Tetrahedron\n") == 0)
    return readBlock("Tetrahedron", readTetrahedron, tetrahedra_);
  if (std::strcmp(line, "Hexahedron\n") == 0)
    return readBlock("Hexahedron", readHexahedron, hexahedra_);
  if (std::strcmp(line, "TrianglePrism\n") == 0)
    return readBlock("TrianglePrism", readTrianglePrism, prisms_);
  if (std::strcmp(line, "Cylinder\n") == 0) {
    const auto read = [this](std::FILE* file, Cylinder& element, BlockReadFailure& failure) {
      double secondRadius = 0;
      if (!readCylinder(file, element, failure, &secondRadius))
        return false;
      coneSeen_ = coneSeen_ || !(secondRadius == element.radius);
      return true;
    };
    return readBlock("Cylinder", read, cylinders_);
  }
  noteSuspectLine(line, length);
  return true;
}

template <class Element, class Read>
bool SetFileParser::readBlock(const char* keyword, Read readElement, ElementList<Element>& list) {
  const long keywordEnd = noteBlockStarts_ ? std::ftell(file_) : -1;
  BlockReadFailure failure;
  Element& element = list.next([&] { return expectedCount(list.count()); });
  if (!readElement(file_, element, failure)) {
    return fail(failure.notFinite, blockItem(keyword, failure.item), failure.item, keyword,
                keywordEnd > 0 ? keywordEnd - 1 : -1);
  }
  list.keep();
  inSuspectRun_ = false;
  return true;
}

// The number of elements of a kind, count of them read so far, that the file would hold if the
// rest of it held them as densely as the bytes read so far, and a sixteenth more: the size its
// list grows to. Only a guess for the list's room, at most about the file's size over the
// shortest block; a stream that cannot tell its size or position gives 0 (the list doubles).
std::size_t SetFileParser::expectedCount(std::size_t count) const {
  const long position = std::ftell(file_);
  if (fileSize_ <= 0 || position <= 0 || position >= fileSize_)
    return 0;
  const double expected =
      static_cast<double>(count) * static_cast<double>(fileSize_) / static_cast<double>(position);
  return static_cast<std::size_t>(expected + expected / 16) + 64;
}

// A skipped line that resembles a keyword, or that holds a point: an element meant to be there is
// probably lost.
void SetFileParser::noteSuspectLine(const char* text, long length) {
  const std::string_view line(text, static_cast<size_t>(length));
  const char* keyword = nearKeyword(line);
  if (keyword == nullptr) {
    const bool point =
        std::memchr(text, '\0', static_cast<size_t>(length)) == nullptr && readsAsPoint(text);
    // The vertices of a block whose keyword was not read, and a run of stray points, are one
    // finding: only the run's first line is named.
    if (point && !inSuspectRun_) {
      const long end = std::ftell(file_);
      warnings_.push_back({end > 0 ? end - 1 : -1, quoted(line), nullptr});
    }
    inSuspectRun_ = point || (inSuspectRun_ && isBlankLine(line));
    return;
  }
  inSuspectRun_ = true;
  // The bare keyword as the very last text of the file, without a line break, has no block
  // behind it: nothing is lost.
  if (std::feof(file_) && line == keyword)
    return;
  const long end = std::ftell(file_);
  warnings_.push_back({end > 0 ? end - 1 : -1, quoted(line), keyword});
}

bool SetFileParser::fail(bool notFinite, ItemName item, int index, const char* keyword,
                         long keywordOffset) {
  fault_.offset = std::ftell(file_);
  fault_.stop = scanStopOf(file_);
  fault_.notFinite = notFinite;
  fault_.item = std::move(item);
  fault_.index = index;
  fault_.keyword = keyword;
  fault_.keywordOffset = keywordOffset;
  return false;
}

// Moves the gathered elements into the body's arrays.
template <class Element>
void moveInto(ElementList<Element>& list, int& count, std::unique_ptr<Element[]>& array) {
  count = static_cast<int>(list.count());
  array = count > 0 ? list.release() : nullptr;
}

bool SetFileParser::store(FloatingBody& body) {
  const size_t counts[4] = {tetrahedra_.count(), hexahedra_.count(), prisms_.count(),
                            cylinders_.count()};
  for (int kind = 0; kind < 4; ++kind) {
    if (counts[kind] > static_cast<size_t>(INT_MAX)) {
      fault_.message = std::string(kFileKind) + " holds more " + kKeywords[kind] +
                       " elements than can be counted (" + std::to_string(INT_MAX) + ")";
      return false;
    }
  }
  moveInto(tetrahedra_, body.tetrahedronCount, body.tetrahedra);
  moveInto(hexahedra_, body.hexahedronCount, body.hexahedra);
  moveInto(prisms_, body.prismCount, body.prisms);
  moveInto(cylinders_, body.cylinderCount, body.cylinders);
  body.boundingBox();
  return true;
}

void SetFileParser::report(bool failed, SetFileError& error,
                           std::vector<SetFileWarning>& warnings) {
  std::vector<long> offsets;
  for (const PendingWarning& warning : warnings_)
    offsets.push_back(warning.offset);
  if (failed) {
    offsets.push_back(fault_.offset);
    offsets.push_back(fault_.keywordOffset);
  }
  if (offsets.empty())
    return;
  const std::vector<LinePosition> positions = locateOffsets(file_, offsets);
  for (size_t i = 0; i < warnings_.size(); ++i) {
    SetFileWarning warning;
    const std::string place =
        faultPlace(kFileKind, ScanStop::kMismatch, false, positions[i], warning.line);
    const char* keyword = warnings_[i].keyword;
    warning.message =
        keyword == nullptr
            ? place + ": " + warnings_[i].text +
                  " reads as a point but stands outside any element block (is its keyword line "
                  "missing or misspelt?)"
            : place + ": " + warnings_[i].text + " is not read as a keyword (write \"" + keyword +
                  "\" alone on its line), so the element below it is skipped";
    warnings.push_back(std::move(warning));
  }
  if (failed) {
    const size_t n = warnings_.size();
    error.message = faultMessage(positions[n], positions[n + 1], error.line);
  }
}

std::string SetFileParser::faultMessage(const LinePosition& where, const LinePosition& block,
                                        long& line) {
  if (!fault_.message.empty()) {
    line = 0;
    return fault_.message;
  }
  const std::string place = faultPlace(kFileKind, fault_.stop, fault_.notFinite, where, line);
  if (fault_.stop == ScanStop::kInputError || fault_.item.expected.empty())
    return place;  // the stream failed: what the line holds is unknown
  std::string of;
  if (fault_.keyword != nullptr) {
    of = std::string(" of the ") + fault_.keyword;
    if (block.line > 0)
      of += " that starts at line " + std::to_string(block.line);
  }
  if (fault_.notFinite) {
    return place + ": " + fault_.item.subject + of +
           (fault_.item.isPoint ? " has a coordinate that is not a finite number"
                                : " is not a finite number");
  }
  if (fault_.stop != ScanStop::kMismatch)
    return place + ": expected " + fault_.item.expected + of;
  const std::string found = foundText(where);
  if (!found.empty() && found.front() == '+') {
    // The text stands right behind the number of the item before, on its line.
    const ItemName previous = fault_.keyword == nullptr
                                  ? headerItem(fault_.index - 1)
                                  : blockItem(fault_.keyword, fault_.index - 1);
    return place + ": unexpected " + found.substr(1) + " after the number (" + previous.subject +
           of + ")";
  }
  return place + ": expected " + fault_.item.expected + of +
         (found.empty() ? "" : ", found " + found);
}

// Where the scan of the failed item began: the header, or the block from its keyword line, read
// again up to it. -1 when that cannot be found.
long SetFileParser::itemStart() {
  std::clearerr(file_);
  if (fault_.keyword == nullptr) {
    if (std::fseek(file_, 0, SEEK_SET) != 0)
      return -1;
    skipByteOrderMark();
    for (int i = 0; i < fault_.index; ++i) {
      double value;
      if (scanNumber(file_, kHeader[i].format, value) != ScanResult::kRead)
        return -1;
    }
    return std::ftell(file_);
  }
  if (fault_.keywordOffset < 0 || std::fseek(file_, fault_.keywordOffset + 1, SEEK_SET) != 0)
    return -1;
  const bool cylinder = std::strcmp(fault_.keyword, "Cylinder") == 0;
  for (int i = 0; i < fault_.index; ++i) {
    Vec3 point;
    double value;
    const ScanResult result =
        cylinder && i % 2 == 1 ? scanNumber(file_, "%lf\n", value) : scanPoint(file_, point);
    if (result != ScanResult::kRead)
      return -1;
  }
  return std::ftell(file_);
}

// What the line of a mismatch holds, quoted: the text behind the number of the item before, with
// a leading '+', where it stands on that number's line and the failed item read nothing of its own
// (a comma after "3600" in "Volume of Displacement=3600,5", a trailing comma of a vertex line);
// otherwise the whole line. Long texts are cut. Empty when the line cannot be read.
std::string SetFileParser::foundText(const LinePosition& where) {
  constexpr long kShown = 60;
  if (where.lineStart < 0 || fault_.offset < where.lineStart)
    return "";
  const long start = fault_.index > 0 ? itemStart() : -1;
  const long from = std::max(where.lineStart, fault_.offset - kShown);
  std::string text = bytesAt(file_, from, fault_.offset + kShown);
  const std::size_t lineEnd = text.find('\n');
  const bool cutBack = lineEnd == std::string::npos &&
                       text.size() == static_cast<std::size_t>(fault_.offset + kShown - from);
  text = text.substr(0, std::min(lineEnd, text.size()));
  const std::size_t at = static_cast<std::size_t>(fault_.offset - from);
  if (start >= from && start <= fault_.offset) {
    const std::size_t begin = static_cast<std::size_t>(start - from);
    std::size_t before = begin;
    while (before > 0 && isScanBlank(text[before - 1]))
      --before;
    const bool blanksOnly = text.find_first_not_of(" \t\v\f\r", begin) >= std::min(at, text.size());
    const char last = before > 0 ? text[before - 1] : '\0';
    if (blanksOnly && ((last >= '0' && last <= '9') || last == '.'))
      return "+" + quoted(text.substr(std::min(at, text.size())));
  }
  return (from > where.lineStart ? "..." : "") + quoted(text) + (cutBack ? "..." : "");
}

}  // namespace

bool readTetrahedron(std::FILE* file, Tetrahedron& element, BlockReadFailure& failure) {
  Vec3 points[4];
  if (!readPoints(file, points, 4, failure))
    return false;
  element.setVertices(points[0], points[1], points[2], points[3]);
  return true;
}

bool readHexahedron(std::FILE* file, Hexahedron& element, BlockReadFailure& failure) {
  Vec3 points[Hexahedron::kVertexCount];
  if (!readPoints(file, points, Hexahedron::kVertexCount, failure))
    return false;
  element.setVertices(points, Hexahedron::kVertexCount);
  return true;
}

bool readTrianglePrism(std::FILE* file, TrianglePrism& element, BlockReadFailure& failure) {
  Vec3 points[TrianglePrism::kVertexCount];
  if (!readPoints(file, points, TrianglePrism::kVertexCount, failure))
    return false;
  element.setVertices(points, TrianglePrism::kVertexCount);
  return true;
}

bool readCylinder(std::FILE* file, Cylinder& element, BlockReadFailure& failure,
                  double* secondRadius) {
  // A point, a radius, a point, a radius; the second radius is read to pass over its line and
  // has no effect.
  Vec3 points[2];
  double radii[2];
  for (int i = 0; i < 4; ++i) {
    const ScanResult result =
        i % 2 == 0 ? scanPoint(file, points[i / 2]) : scanNumber(file, "%lf\n", radii[i / 2]);
    if (result != ScanResult::kRead)
      return failAt(i, result, failure);
  }
  element.axisStart = points[0];
  element.axisEnd = points[1];
  element.radius = radii[0];
  element.segmentCount = Cylinder::kDefaultSegmentCount;
  if (secondRadius != nullptr)
    *secondRadius = radii[1];
  return true;
}

bool parseSetFile(std::FILE* file, FloatingBody& body, SetFileError& error,
                  std::vector<SetFileWarning>& warnings, bool* coneSeen, ReadingNotes* notes) {
  {
    const MappedFile mapped(file);
    const char* text = mapped.data();
    std::size_t size = mapped.size();
    if (text != nullptr && size >= 3 && std::memcmp(text, kByteOrderMark, 3) == 0) {
      text += 3;
      size -= 3;
    }
    if (text != nullptr && readUsualSetFile(text, size, body, coneSeen, true, notes))
      return true;
  }
  return parseSetFileByStream(file, body, error, warnings, coneSeen);
}

bool parseSetFileByStream(std::FILE* file, FloatingBody& body, SetFileError& error,
                          std::vector<SetFileWarning>& warnings, bool* coneSeen) {
  const StreamLock lock(file);
  SetFileParser parser(file, false);
  const bool ok = parser.read(body);
  if (coneSeen != nullptr)
    *coneSeen = parser.coneSeen();
  if (!ok && parser.faultInBlock()) {
    // Read the file once more from its start, this time noting where each block starts.
    SetFileParser again(file, true);
    FloatingBody scratch;
    std::clearerr(file);
    if (std::fseek(file, 0, SEEK_SET) == 0 && !again.read(scratch))
      parser.takeBlockStart(again);
  }
  parser.report(!ok, error, warnings);
  return ok;
}

std::vector<InputWarning> readSetFileWithWarnings(const char* fileName, FloatingBody& body) {
  return readSetFileWithWarnings(fileName, body, std::cerr);
}

std::vector<InputWarning> readSetFileWithWarnings(const char* fileName, FloatingBody& body,
                                                  std::ostream& err, std::size_t written) {
  errno = 0;
  // Binary mode reads the bytes as they stand on every system: Windows would otherwise translate
  // line ends and stop at a Ctrl-Z byte, and read a file differently from Linux.
  std::FILE* file = fileName != nullptr ? std::fopen(fileName, "rb") : nullptr;
  if (file == nullptr) {
    const int openError = errno;
    throwReadFault({" SET file(Format2) read error! "},
                   fileFailure("cannot open SET file", fileName, openError), openError);
  }
  // The runtime's buffer of a few kilobytes would cost a system call every few lines of a large
  // body's file; the stream is closed before this buffer goes.
  constexpr std::size_t kBufferSize = 1 << 18;
  const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  std::setvbuf(file, buffer.get(), _IOFBF, kBufferSize);
  SetFileError error;
  std::vector<SetFileWarning> readerWarnings;
  bool coneSeen = false;
  // The reading from memory measures each solid's split for the checks as it reads it, and
  // counts the lines of the blocks where the file's layout lets it.
  ReadingNotes notes;
  const bool ok = parseSetFile(file, body, error, readerWarnings, &coneSeen, &notes);
  const int readError = std::ferror(file) ? errno : 0;
  std::vector<InputWarning> warnings;
  for (SetFileWarning& w : readerWarnings)
    warnings.push_back({w.line, std::move(w.message)});
  if (ok) {
    // The checks name lines only when they find something: the file is read again for them only
    // then (unless the reading counted them), and a first look stops at the first finding. A cone
    // shows only in the second radii, which the body does not keep: the reader noted it.
    std::vector<InputWarning> found;
    if (coneSeen || bodyHasFindings(body, &notes.splits)) {
      std::clearerr(file);
      const ElementLines lines = notes.linesCounted                   ? std::move(notes.lines)
                                 : std::fseek(file, 0, SEEK_SET) == 0 ? scanElementLines(file)
                                                                      : ElementLines{};
      found = checkBody(body, lines, written, &notes.splits);
    }
    warnings.insert(warnings.end(), std::make_move_iterator(found.begin()),
                    std::make_move_iterator(found.end()));
  }
  std::fclose(file);
  if (!ok) {
    writeWarnings(err, warnings);
    throwReadFault({error.message},
                   readError ? fileFailure("cannot read SET file", fileName, readError)
                             : std::string(fileName) + ": " + error.message,
                   readError);
  }
  return warnings;
}

void FloatingBody::readSetFile(const char* fileName) {
  writeWarnings(std::cerr, readSetFileWithWarnings(fileName, *this));
}
