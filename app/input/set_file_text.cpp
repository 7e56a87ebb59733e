#include "app/input/set_file_text.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "app/input/element_list.h"
#include "app/input/formatted_input.h"
#include "app/platform/decimal_number.h"
#include "app/platform/side_by_side.h"

namespace {

// Below this many bytes of blocks a second thread costs more than it saves.
constexpr std::size_t kTwoHalvesBytes = std::size_t{1} << 18;
// A longer number is left to the stream's reading, which takes numbers of any length.
constexpr std::size_t kLongestNumber = 100;

enum Kind { kTetrahedron, kHexahedron, kPrism, kCylinder, kKinds };
const char* const kKeywords[kKinds] = {"Tetrahedron", "Hexahedron", "TrianglePrism", "Cylinder"};
const char* const kHeader[4] = {"Volume of Displacement=", "Gra_Pt.x=", "Gra_Pt.y=", "Gra_Pt.z="};

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The keyword line that starts at p, alone on its line (LF or CR LF, as the stream's reading
// compares it): its kind, with `next` at the line after it; kKinds for any other text.
int keywordAt(const char* p, const char* end, const char*& next) {
  const std::size_t room = static_cast<std::size_t>(end - p);
  for (int kind = 0; kind < kKinds; ++kind) {
    const std::size_t n = std::strlen(kKeywords[kind]);
    if (room <= n || std::memcmp(p, kKeywords[kind], n) != 0)
      continue;
    if (p[n] == '\n') {
      next = p + n + 1;
      return kind;
    }
    if (room > n + 1 && p[n] == '\r' && p[n + 1] == '\n') {
      next = p + n + 2;
      return kind;
    }
  }
  return kKinds;
}

// A decimal number as it is scanned: mantissa * 10^scale, exact while it has at most
// kExactDigits significant digits.
constexpr int kExactDigits = 15;
constexpr int kLowestScale = -1000;  // far below any exact power of ten
struct Decimal {
  std::uint64_t mantissa = 0;
  int significant = 0;
  int scale = 0;
  bool exact() const {
    return significant <= kExactDigits && (mantissa == 0 || (scale >= -22 && scale <= 22));
  }
  double value(bool negative) const {
    static constexpr double kPowers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double magnitude = static_cast<double>(mantissa);
    if (mantissa != 0)
      magnitude = scale < 0 ? magnitude / kPowers[-scale] : magnitude * kPowers[scale];
    return negative ? -magnitude : magnitude;
  }
};

// A stretch of the file, read as the formatted input reads it.
class Cursor {
 public:
  Cursor(const char* begin, const char* end) : p_(begin), end_(end) {}
  bool atEnd() const { return p_ == end_; }
  const char* position() const { return p_; }
  // White space in a format, such as the line end of "%lf\n": passes over any.
  void skipBlanks() {
    while (p_ != end_ && isBlank(*p_)) {
      newlines_ += *p_ == '\n' ? 1 : 0;
      ++p_;
    }
  }
  // Literal text of a format: a blank passes over any white space, another character must match.
  bool literal(const char* text) {
    for (; *text != '\0'; ++text) {
      if (isBlank(*text)) {
        skipBlanks();
      } else if (p_ != end_ && *p_ == *text) {
        ++p_;
      } else {
        return false;
      }
    }
    return true;
  }
  FLOATSTATE_INLINE_ALWAYS bool number(double& value);
  // "%lf,%lf,%lf\n"
  bool point(Vec3& p) {
    skipBlanks();
    const long start = newlines_;
    const bool read = number(p.x) && literal(",") && number(p.y) && literal(",") && number(p.z);
    endValueLine(start);
    return read;
  }
  // "%lf\n"
  bool numberLine(double& value) {
    skipBlanks();
    const long start = newlines_;
    const bool read = number(value);
    endValueLine(start);
    return read;
  }
  // The keyword line at the position, read past when it is one (see keywordAt).
  int keyword() {
    const int kind = keywordAt(p_, end_, p_);
    newlines_ += kind != kKinds ? 1 : 0;
    return kind;
  }
  // The line breaks read past so far.
  long newlines() const { return newlines_; }
  // Whether every value read so far stood on a line of its own: no break within it, and one
  // after it (or the end of the text).
  bool valuesOnTheirOwnLines() const { return ownLines_; }

 private:
  // Kept out of the loop that reads points (a plain number is read in place there, without a
  // call and its saved registers): numbers that are not plain are rare.
  FLOATSTATE_NOINLINE bool carefulNumber(double& value);
  bool digits(Decimal& decimal, bool fraction);
  bool exponent(Decimal& decimal);
  // Passes over the blanks after a value that started after `start` line breaks.
  void endValueLine(long start) {
    const long within = newlines_ - start;
    skipBlanks();
    ownLines_ = ownLines_ && within == 0 && (newlines_ > start || p_ == end_);
  }

  const char* p_;
  const char* end_;
  bool longDigits_ = false;  // the last plain number had more than 15 digits
  long newlines_ = 0;
  bool ownLines_ = true;
};

// "%lf" of a finite decimal number: sign, digits with at most one point, and an exponent with
// digits. The characters it takes are those the formatted input takes for such a number: it
// stops where that stops, and whatever follows must then match the format as there.
//
// A plain number is converted at once (readPlainDecimal), when it is read to the same end as
// below: the same characters, the same bits. Any other goes the careful way.
FLOATSTATE_INLINE_ALWAYS bool Cursor::number(double& value) {
  skipBlanks();
  const char* first = p_ != end_ && *p_ == '+' ? p_ + 1 : p_;
  const char* end = nullptr;
  if (!(first != p_ && first != end_ && *first == '-') &&
      readPlainDecimal(first, end_, value, end, &longDigits_) &&
      static_cast<std::size_t>(end - p_) <= kLongestNumber &&
      (end == end_ || (*end != 'e' && *end != 'E'))) {
    p_ = end;
    return true;
  }
  return carefulNumber(value);
}

// A number of at most 15 significant digits and a power of ten within 22 is converted as it is
// scanned: both are exact doubles, so one multiplication or division rounds correctly, to the bits
// of any correct conversion. The others go to the formatted input's own conversion.
bool Cursor::carefulNumber(double& value) {
  const char* start = p_;
  const bool negative = p_ != end_ && *p_ == '-';
  if (p_ != end_ && (*p_ == '+' || *p_ == '-'))
    ++p_;
  Decimal decimal;
  bool mantissa = digits(decimal, false);
  if (p_ != end_ && *p_ == '.') {
    ++p_;
    mantissa = digits(decimal, true) || mantissa;
  }
  if (!mantissa || !exponent(decimal))
    return false;
  // No longer number is read here, so its counts never reached their stops (see digits).
  const std::size_t length = static_cast<std::size_t>(p_ - start);
  if (length > kLongestNumber)
    return false;
  if (decimal.exact()) {
    value = decimal.value(negative);
    return true;
  }
  char text[kLongestNumber + 1];
  std::memcpy(text, start, length);
  text[length] = '\0';
  return convertDecimal(text, length, value) && std::isfinite(value);
}

// The digits of a mantissa, after its point when `fraction`; false when there are none.
bool Cursor::digits(Decimal& decimal, bool fraction) {
  const char* start = p_;
  // The counts stop once the number cannot be exact, so that no run of digits overflows them.
  for (; p_ != end_ && isDigit(*p_); ++p_) {
    decimal.scale -= fraction && decimal.scale > kLowestScale ? 1 : 0;
    if (decimal.mantissa == 0 && *p_ == '0')
      continue;  // a leading zero
    if (decimal.significant > kExactDigits)
      continue;
    if (++decimal.significant <= kExactDigits)
      decimal.mantissa = decimal.mantissa * 10 + static_cast<std::uint64_t>(*p_ - '0');
  }
  return p_ != start;
}

// The exponent after a mantissa, if one follows: false when its marker has no digits.
bool Cursor::exponent(Decimal& decimal) {
  if (p_ == end_ || (*p_ != 'e' && *p_ != 'E'))
    return true;
  ++p_;
  const bool down = p_ != end_ && *p_ == '-';
  if (p_ != end_ && (*p_ == '+' || *p_ == '-'))
    ++p_;
  const char* start = p_;
  int exponent = 0;
  for (; p_ != end_ && isDigit(*p_); ++p_)
    exponent = exponent < 1000 ? exponent * 10 + (*p_ - '0') : exponent;  // beyond any double
  decimal.scale += down ? -exponent : exponent;
  return p_ != start;
}

// The elements read from a stretch of the file, of each kind in file order. Each list grows as
// its blocks are read, to the size the stretch would hold if its rest held them as densely as the
// bytes read so far: the memory follows what the file spells out, never more than the blocks its
// bytes can hold (each block takes some bytes), whatever letters a hostile file repeats.
struct Lists {
  explicit Lists(bool takeNotes) : notes(takeNotes) {}
  ElementList<Tetrahedron> tetrahedra;
  ElementList<Hexahedron> hexahedra;
  ElementList<TrianglePrism> prisms;
  ElementList<Cylinder> cylinders;
  bool coneSeen = false;  // a cylinder's second radius differs from its first
  // Where `notes`: the split volumes of each solid, measured as it is read, and the line of each
  // block within the stretch (the line breaks before it) while linesCounted holds, with the
  // stretch's line breaks in all (see ReadingNotes).
  const bool notes;
  MeasuredSplits splits;
  ElementLines lines;
  bool linesCounted = true;
  long newlines = 0;
};
struct Stretch {
  const char* begin;
  const char* end;
  const char* reach;  // the end of the text whose elements the lists' room is guessed for
  bool beginsLine;    // begin is the start of a line
};

// The size a list of `count` elements read from [s.begin, at) grows to: its kind as dense over
// [s.begin, s.reach), and a sixteenth more.
std::size_t expectedCount(std::size_t count, const Stretch& s, const char* at) {
  if (count == 0 || at <= s.begin)
    return 0;
  const double expected = static_cast<double>(count) * static_cast<double>(s.reach - s.begin) /
                          static_cast<double>(at - s.begin);
  return static_cast<std::size_t>(expected + expected / 16) + 64;
}

template <class Element, int kVertices>
bool readSolid(Cursor& in, Element& element) {
  Vec3 points[kVertices];
  for (Vec3& p : points) {
    if (!in.point(p))
      return false;
  }
  element.setVertices(points, kVertices);
  return true;
}

bool readTetrahedron(Cursor& in, Tetrahedron& element) {
  Vec3 p[4];
  if (!(in.point(p[0]) && in.point(p[1]) && in.point(p[2]) && in.point(p[3])))
    return false;
  element.setVertices(p[0], p[1], p[2], p[3]);
  return true;
}

// A point, a radius, a point, a radius: the second radius is read past, as the stream does, and
// noted when it differs from the first (a cone, which the checks warn about).
bool readCylinder(Cursor& in, Cylinder& element, bool& coneSeen, double& secondRadius) {
  Vec3 start, end;
  double radius = 0;
  if (!(in.point(start) && in.numberLine(radius) && in.point(end) && in.numberLine(secondRadius)))
    return false;
  element.axisStart = start;
  element.axisEnd = end;
  element.radius = radius;
  element.segmentCount = Cylinder::kDefaultSegmentCount;
  coneSeen = coneSeen || !(secondRadius == radius);
  return true;
}

// Reads one block into the next element of the list; the element joins the list when it is read.
template <class Element, class Read>
bool readInto(ElementList<Element>& list, const Stretch& s, const char* at, Read read) {
  Element& element = list.next([&] { return expectedCount(list.count(), s, at); });
  if (!read(element))
    return false;
  list.keep();
  return true;
}

// A solid, measured as soon as it is read (while its vertices are at hand) where the lists ask
// for its split volumes.
template <class Element>
bool readMeasured(Cursor& in, Element& element, const Lists& lists,
                  const SplitMeasure<Element>& measure, std::vector<SplitVolumes>& volumes) {
  if (!readSolid<Element, Element::kVertexCount>(in, element))
    return false;
  if (lists.notes)
    volumes.push_back(measure(element));
  return true;
}

// Reads the blocks of a stretch into the lists; false at anything unusual.
bool readStretch(const Stretch& s, Lists& lists) {
  const SplitMeasure<Hexahedron> measureHexahedron;
  const SplitMeasure<TrianglePrism> measurePrism;
  std::vector<long>* const linesOf[kKinds] = {&lists.lines.tetrahedra, &lists.lines.hexahedra,
                                              &lists.lines.prisms, &lists.lines.cylinders};
  Cursor in(s.begin, s.end);
  while (!in.atEnd()) {
    const char* at = in.position();
    const long line = in.newlines();
    // A keyword behind blanks on its line is read as the keyword, but a count of lines that
    // compares whole lines would not take it for one.
    lists.linesCounted = lists.linesCounted && (at == s.begin ? s.beginsLine : at[-1] == '\n');
    const int kind = in.keyword();
    double secondRadius = 0;
    bool ok = false;
    switch (kind) {
      case kTetrahedron:
        ok = readInto(lists.tetrahedra, s, at,
                      [&](Tetrahedron& e) { return readTetrahedron(in, e); });
        break;
      case kHexahedron:
        ok = readInto(lists.hexahedra, s, at, [&](Hexahedron& e) {
          return readMeasured(in, e, lists, measureHexahedron, lists.splits.hexahedra);
        });
        break;
      case kPrism:
        ok = readInto(lists.prisms, s, at, [&](TrianglePrism& e) {
          return readMeasured(in, e, lists, measurePrism, lists.splits.prisms);
        });
        break;
      case kCylinder:
        ok = readInto(lists.cylinders, s, at, [&](Cylinder& e) {
          return readCylinder(in, e, lists.coneSeen, secondRadius);
        });
        break;
      default:
        return false;
    }
    if (!ok)
      return false;
    if (lists.notes) {
      linesOf[kind]->push_back(line);
      if (kind == kCylinder)
        lists.lines.secondRadii.push_back(secondRadius);
    }
  }
  lists.newlines = in.newlines();
  lists.linesCounted = lists.linesCounted && in.valuesOnTheirOwnLines();
  return true;
}

// The start of the first keyword line in the second half of [begin, end), where the blocks are
// split between the threads; end when there is none, or too little to split.
const char* splitPoint(const char* begin, const char* end) {
  if (static_cast<std::size_t>(end - begin) < kTwoHalvesBytes)
    return end;
  const char* p = begin + (end - begin) / 2;
  const char* next = nullptr;
  while (const void* lineEnd = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
    p = static_cast<const char*>(lineEnd) + 1;
    if (keywordAt(p, end, next) != kKinds)
      return p;
  }
  return end;
}

// The blocks between begin and end into the lists, read in two stretches side by side. The first
// stretch guesses its lists' room for the whole text, so that the second's elements mostly join
// them without a new array. False at anything unusual, and where the memory runs out (the
// stream's reading then says so).
bool readBlocks(const char* begin, const char* end, Lists& lists, bool twoHalves, bool beginsLine) {
  const char* split = twoHalves ? splitPoint(begin, end) : end;
  Lists second(lists.notes);
  bool read[2] = {false, false};
  try {
    runSideBySide(
        [&] {
          read[0] = readStretch({begin, split, end, beginsLine}, lists);
        },
        [&] {
          read[1] = readStretch({split, end, end, true}, second);
        },
        split != end);
    if (!(read[0] && read[1]))
      return false;
    lists.tetrahedra.append(second.tetrahedra);
    lists.hexahedra.append(second.hexahedra);
    lists.prisms.append(second.prisms);
    lists.cylinders.append(second.cylinders);
    for (auto [to, from] : {std::pair(&lists.splits.hexahedra, &second.splits.hexahedra),
                            std::pair(&lists.splits.prisms, &second.splits.prisms)})
      to->insert(to->end(), from->begin(), from->end());
    // The second stretch's lines follow the first's.
    for (auto [to, from] : {std::pair(&lists.lines.tetrahedra, &second.lines.tetrahedra),
                            std::pair(&lists.lines.hexahedra, &second.lines.hexahedra),
                            std::pair(&lists.lines.prisms, &second.lines.prisms),
                            std::pair(&lists.lines.cylinders, &second.lines.cylinders)}) {
      for (const long line : *from)
        to->push_back(lists.newlines + line);
    }
    lists.lines.secondRadii.insert(lists.lines.secondRadii.end(), second.lines.secondRadii.begin(),
                                   second.lines.secondRadii.end());
    lists.linesCounted = lists.linesCounted && second.linesCounted;
    lists.newlines += second.newlines;
  } catch (const std::bad_alloc&) {
    return false;
  }
  lists.coneSeen = lists.coneSeen || second.coneSeen;
  const std::size_t counts[] = {lists.tetrahedra.count(), lists.hexahedra.count(),
                                lists.prisms.count(), lists.cylinders.count()};
  for (const std::size_t count : counts) {
    if (count > static_cast<std::size_t>(INT_MAX))
      return false;  // the stream's reading says so
  }
  return true;
}

// Moves a list into the body's array of its kind.
template <class Element>
void moveInto(ElementList<Element>& list, int& count, std::unique_ptr<Element[]>& array) {
  count = static_cast<int>(list.count());
  array = count > 0 ? list.release() : nullptr;
}

}  // namespace

bool readUsualSetFile(const char* text, std::size_t size, FloatingBody& body, bool* coneSeen,
                      bool twoHalves, ReadingNotes* notes) {
  Cursor in(text, text + size);
  double header[4];
  for (int i = 0; i < 4; ++i) {
    if (!(in.literal(kHeader[i]) && in.numberLine(header[i])))
      return false;
  }
  Lists lists(notes != nullptr);
  const char* blocks = in.position();
  if (!readBlocks(blocks, text + size, lists, twoHalves, blocks[-1] == '\n'))
    return false;
  body.displacementVolume = header[0];
  body.centreOfGravity = Vec3(header[1], header[2], header[3]);
  moveInto(lists.tetrahedra, body.tetrahedronCount, body.tetrahedra);
  moveInto(lists.hexahedra, body.hexahedronCount, body.hexahedra);
  moveInto(lists.prisms, body.prismCount, body.prisms);
  moveInto(lists.cylinders, body.cylinderCount, body.cylinders);
  body.boundingBox();
  if (coneSeen != nullptr)
    *coneSeen = lists.coneSeen;
  if (notes != nullptr) {
    notes->splits = std::move(lists.splits);
    // A line's number: the line breaks before it, those of the header included, and one.
    notes->linesCounted = lists.linesCounted;
    notes->lines = std::move(lists.lines);
    for (std::vector<long>* kind : {&notes->lines.tetrahedra, &notes->lines.hexahedra,
                                    &notes->lines.prisms, &notes->lines.cylinders}) {
      for (long& line : *kind)
        line += in.newlines() + 1;
    }
    if (!notes->linesCounted)
      notes->lines = ElementLines{};
  }
  return true;
}
