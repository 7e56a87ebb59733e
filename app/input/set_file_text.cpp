#include "app/input/set_file_text.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "app/input/formatted_input.h"
#include "app/platform/side_by_side.h"
#include "elements/large_pages.h"

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
    while (p_ != end_ && isBlank(*p_))
      ++p_;
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
  bool number(double& value);
  // "%lf,%lf,%lf\n"
  bool point(Vec3& p) {
    const bool read = number(p.x) && literal(",") && number(p.y) && literal(",") && number(p.z);
    skipBlanks();
    return read;
  }
  // "%lf\n"
  bool numberLine(double& value) {
    const bool read = number(value);
    skipBlanks();
    return read;
  }
  // The keyword line at the position, read past when it is one (see keywordAt).
  int keyword() { return keywordAt(p_, end_, p_); }

 private:
  bool digits(Decimal& decimal, bool fraction);
  bool exponent(Decimal& decimal);
  const char* p_;
  const char* end_;
};

// "%lf" of a finite decimal number: sign, digits with at most one point, and an exponent with
// digits. The characters it takes are those the formatted input takes for such a number: it
// stops where that stops, and whatever follows must then match the format as there.
//
// A number of at most 15 significant digits and a power of ten within 22 is converted as it is
// scanned: both are exact doubles, so one multiplication or division rounds correctly, to the bits
// of any correct conversion. The others go to the formatted input's own conversion.
bool Cursor::number(double& value) {
  skipBlanks();
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

struct Counts {
  std::size_t of[kKinds] = {0, 0, 0, 0};
};

// The first c in [p, end), or end.
const char* find(const char* p, const char* end, char c) {
  const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
  return found != nullptr ? static_cast<const char*>(found) : end;
}

// The blocks of each kind in [begin, end), if the stretch is written the usual way: a number
// holds no capital letter, so each keyword's capital is a block ("TrianglePrism" by its 'T').
// The reading checks what it reads against these counts, so another file can at worst be
// counted wrong and then go to the stream's reading.
Counts countBlocks(const char* begin, const char* end) {
  Counts counts;
  for (const char* p = find(begin, end, 'H'); p != end; p = find(p + 1, end, 'H'))
    ++counts.of[kHexahedron];
  for (const char* p = find(begin, end, 'C'); p != end; p = find(p + 1, end, 'C'))
    ++counts.of[kCylinder];
  for (const char* p = find(begin, end, 'T'); p != end; p = find(p + 1, end, 'T')) {
    const char next = end - p > 1 ? p[1] : '\0';
    counts.of[next == 'e' ? kTetrahedron : kPrism] += next == 'e' || next == 'r' ? 1 : 0;
  }
  return counts;
}

// The body's arrays, and where one stretch of the file writes its elements.
struct Arrays {
  std::unique_ptr<Tetrahedron[]> tetrahedra;
  std::unique_ptr<Hexahedron[]> hexahedra;
  std::unique_ptr<TrianglePrism[]> prisms;
  std::unique_ptr<Cylinder[]> cylinders;
};
struct Stretch {
  const char* begin;
  const char* end;
  Counts first;  // the index of its first element of each kind
  Counts count;  // its elements of each kind
};

template <class Element, int kVertices>
bool readSolid(Cursor& in, Element& element) {
  Vec3 points[kVertices];
  for (Vec3& p : points) {
    if (!in.point(p))
      return false;
  }
  element = Element{};
  element.setVertices(points, kVertices);
  return true;
}

bool readTetrahedron(Cursor& in, Tetrahedron& element) {
  Vec3 p[4];
  if (!(in.point(p[0]) && in.point(p[1]) && in.point(p[2]) && in.point(p[3])))
    return false;
  element = Tetrahedron{};
  element.setVertices(p[0], p[1], p[2], p[3]);
  return true;
}

// A point, a radius, a point, a radius: the second radius is read past, as the stream does.
bool readCylinder(Cursor& in, Cylinder& element) {
  Vec3 start, end;
  double radius = 0, secondRadius = 0;
  if (!(in.point(start) && in.numberLine(radius) && in.point(end) && in.numberLine(secondRadius)))
    return false;
  element = Cylinder{};
  element.axisStart = start;
  element.axisEnd = end;
  element.radius = radius;
  element.segmentCount = Cylinder::kDefaultSegmentCount;
  return true;
}

// Makes the stretch's part of an array present before its writes (see large_pages.h).
template <class Element>
void populate(const std::unique_ptr<Element[]>& array, std::size_t first, std::size_t count) {
  if (count > 0)
    populatePages(array.get() + first, count * sizeof(Element));
}

// Reads the blocks of a stretch into its places in the arrays; false at anything unusual, or
// when the stretch holds other blocks than it was counted to hold.
bool readStretch(const Stretch& s, Arrays& arrays) {
  populate(arrays.tetrahedra, s.first.of[kTetrahedron], s.count.of[kTetrahedron]);
  populate(arrays.hexahedra, s.first.of[kHexahedron], s.count.of[kHexahedron]);
  populate(arrays.prisms, s.first.of[kPrism], s.count.of[kPrism]);
  populate(arrays.cylinders, s.first.of[kCylinder], s.count.of[kCylinder]);
  Cursor in(s.begin, s.end);
  Counts read;
  while (!in.atEnd()) {
    const int kind = in.keyword();
    if (kind == kKinds || read.of[kind] == s.count.of[kind])
      return false;
    const std::size_t i = s.first.of[kind] + read.of[kind]++;
    bool ok = false;
    switch (kind) {
      case kTetrahedron:
        ok = readTetrahedron(in, arrays.tetrahedra[i]);
        break;
      case kHexahedron:
        ok = readSolid<Hexahedron, Hexahedron::kVertexCount>(in, arrays.hexahedra[i]);
        break;
      case kPrism:
        ok = readSolid<TrianglePrism, TrianglePrism::kVertexCount>(in, arrays.prisms[i]);
        break;
      default:
        ok = readCylinder(in, arrays.cylinders[i]);
        break;
    }
    if (!ok)
      return false;
  }
  for (int kind = 0; kind < kKinds; ++kind) {
    if (read.of[kind] != s.count.of[kind])
      return false;
  }
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

template <class Element>
void allocate(std::unique_ptr<Element[]>& array, std::size_t count) {
  if (count > 0)
    array = makeLargeArray<Element>(count);
}

// The blocks between begin and end into the arrays, counted and read in two stretches.
bool readBlocks(const char* begin, const char* end, Arrays& arrays, Counts& total) {
  const char* split = splitPoint(begin, end);
  Stretch halves[2] = {{begin, split, {}, {}}, {split, end, {}, {}}};
  runSideBySide([&] { halves[0].count = countBlocks(begin, split); },
                [&] { halves[1].count = countBlocks(split, end); }, split != end);
  for (int kind = 0; kind < kKinds; ++kind) {
    halves[1].first.of[kind] = halves[0].count.of[kind];
    total.of[kind] = halves[0].count.of[kind] + halves[1].count.of[kind];
    if (total.of[kind] > static_cast<std::size_t>(INT_MAX))
      return false;  // the stream's reading says so
  }
  try {
    allocate(arrays.tetrahedra, total.of[kTetrahedron]);
    allocate(arrays.hexahedra, total.of[kHexahedron]);
    allocate(arrays.prisms, total.of[kPrism]);
    allocate(arrays.cylinders, total.of[kCylinder]);
  } catch (const std::bad_alloc&) {
    return false;
  }
  bool read[2] = {false, false};
  runSideBySide([&] { read[0] = readStretch(halves[0], arrays); },
                [&] { read[1] = readStretch(halves[1], arrays); }, split != end);
  return read[0] && read[1];
}

}  // namespace

bool readUsualSetFile(const char* text, std::size_t size, FloatingBody& body) {
  Cursor in(text, text + size);
  double header[4];
  for (int i = 0; i < 4; ++i) {
    if (!(in.literal(kHeader[i]) && in.numberLine(header[i])))
      return false;
  }
  Arrays arrays;
  Counts total;
  if (!readBlocks(in.position(), text + size, arrays, total))
    return false;
  body.displacementVolume = header[0];
  body.centreOfGravity = Vec3(header[1], header[2], header[3]);
  body.tetrahedronCount = static_cast<int>(total.of[kTetrahedron]);
  body.hexahedronCount = static_cast<int>(total.of[kHexahedron]);
  body.prismCount = static_cast<int>(total.of[kPrism]);
  body.cylinderCount = static_cast<int>(total.of[kCylinder]);
  body.tetrahedra = std::move(arrays.tetrahedra);
  body.hexahedra = std::move(arrays.hexahedra);
  body.prisms = std::move(arrays.prisms);
  body.cylinders = std::move(arrays.cylinders);
  body.boundingBox();
  return true;
}
