#include "app/mesh/stl_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

#include "app/platform/decimal_number.h"
#include "app/platform/side_by_side.h"

namespace {

constexpr std::size_t kBinaryHeaderBytes = 84;
constexpr std::size_t kBinaryFacetBytes = 50;

// The words of a whole text with the line each one stands on.
class WordStream {
 public:
  explicit WordStream(std::string_view text) : text_(text) {}
  // The next word and its line; false at the end of the text.
  bool next(std::string_view& word) {
    skipBlanks();
    const std::size_t start = at_;
    while (at_ < text_.size() && !isTextBlank(text_[at_]))
      ++at_;
    word = text_.substr(start, at_ - start);
    if (!word.empty())
      wordLine_ = line_;  // at the end the last word's line stays
    return !word.empty();
  }
  // The next word when it is exactly the keyword (a quick look for the usual spelling): false,
  // having passed over white space only, for any other word.
  bool nextIs(std::string_view keyword) {
    skipBlanks();
    const std::size_t end = at_ + keyword.size();
    if (text_.compare(at_, keyword.size(), keyword) != 0 ||
        (end < text_.size() && !isTextBlank(text_[end])))
      return false;
    at_ = end;
    wordLine_ = line_;
    return true;
  }
  // Passes over the rest of the current line (a solid's name).
  void skipLine() {
    while (at_ < text_.size() && text_[at_] != '\n')
      ++at_;
  }
  bool atEnd() {
    skipBlanks();
    return at_ >= text_.size();
  }
  // The line of the last word returned.
  long line() const { return wordLine_; }
  long lineBreaks() const { return line_ - 1; }

 private:
  void skipBlanks() {
    while (at_ < text_.size() && isTextBlank(text_[at_])) {
      if (text_[at_] == '\n')
        ++line_;
      ++at_;
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  long line_ = 1;
  long wordLine_ = 1;
};

// A facet normal's component: read over, whatever number it is (exporters write nan).
bool isAnyNumber(std::string_view word) {
  double ignored;
  const char* end = word.data() + word.size();
  const char* taken = nullptr;
  if (readPlainDecimal(word.data(), end, ignored, taken) && taken == end)
    return true;
  const char* first = word.data() + (word.size() > 1 && word[0] == '+' ? 1 : 0);
  const std::from_chars_result r = std::from_chars(first, end, ignored);
  return r.ptr == end && (r.ec == std::errc() || r.ec == std::errc::result_out_of_range);
}

// Where a stretch of the text stands in the file: the whole file, or the part before or after a
// split between two facets (the first part ends, the second begins, inside a solid).
enum class Stretch { kWhole, kFirst, kSecond };

class AsciiParser {
 public:
  AsciiParser(std::string_view text, const std::string& path, SurfaceBuilder& builder,
              MeshFileError& error, Stretch stretch = Stretch::kWhole)
      : words_(text), path_(path), builder_(builder), error_(error), stretch_(stretch) {}

  // The first stretch succeeds only where it ends between two facets of a solid.
  bool parse() {
    if (stretch_ == Stretch::kSecond) {
      if (!readFacets())
        return false;
      if (words_.atEnd())
        return true;
    }
    for (;;) {
      if (!readSolid())
        return false;
      if (endedInsideSolid_)
        return true;
      if (words_.atEnd())
        return stretch_ != Stretch::kFirst;
    }
  }
  // The line breaks passed over.
  long lineBreaks() const { return words_.lineBreaks(); }

 private:
  bool fail(const std::string& reason) {
    error_.line = words_.line();
    error_.message = path_ + " line " + std::to_string(error_.line) + ": " + reason;
    return false;
  }
  bool failExpected(const char* expected, std::string_view found) {
    return fail(std::string("expected ") + expected + ", found " +
                (found.empty() ? std::string("the end of the file") : quotedWord(found)));
  }
  // The next word must be the keyword.
  bool expect(const char* keyword, const char* expected) {
    if (words_.nextIs(keyword))
      return true;
    std::string_view word;
    words_.next(word);
    return sameWord(word, keyword) || failExpected(expected, word);
  }

  bool readSolid() {
    if (!expect("solid", "\"solid\""))
      return false;
    words_.skipLine();
    return readFacets();
  }

  // The facets of a solid up to its "endsolid" (the first stretch of a split text may end instead).
  bool readFacets() {
    for (;;) {
      std::string_view word;
      words_.next(word);
      if (word.empty() && stretch_ == Stretch::kFirst) {
        endedInsideSolid_ = true;
        return true;
      }
      if (sameWord(word, "endsolid")) {
        words_.skipLine();
        return true;
      }
      if (!sameWord(word, "facet"))
        return failExpected("\"facet\" or \"endsolid\"", word);
      if (!readFacet(words_.line()))
        return false;
    }
  }

  bool readFacet(long facetLine) {
    if (!expect("normal", "\"normal\" after \"facet\""))
      return false;
    for (int i = 0; i < 3; ++i) {
      std::string_view word;
      words_.next(word);
      if (!isAnyNumber(word))
        return failExpected("three numbers after \"facet normal\"", word);
    }
    if (!expect("outer", "\"outer loop\"") || !expect("loop", "\"outer loop\""))
      return false;
    std::uint32_t corners[3];
    for (std::uint32_t& corner : corners) {
      if (!readVertex(corner))
        return false;
    }
    if (!expect("endloop", "\"endloop\" after the third vertex") ||
        !expect("endfacet", "\"endfacet\""))
      return false;
    if (!builder_.addTriangle(corners[0], corners[1], corners[2], toOrigin(facetLine)))
      return fail("the file holds more triangles than a surface can have");
    return true;
  }

  bool readVertex(std::uint32_t& index) {
    if (!expect("vertex", "\"vertex\" and three numbers"))
      return false;
    double xyz[3];
    for (double& c : xyz) {
      std::string_view word;
      words_.next(word);
      if (!parseCoordinate(word, c)) {
        if (word.empty() || sameWord(word, "vertex") || sameWord(word, "endloop"))
          return failExpected("three numbers after \"vertex\"", word);
        return fail("vertex coordinate " + quotedWord(word) + " is not a finite number");
      }
    }
    if (!builder_.addPoint(Vec3(xyz[0], xyz[1], xyz[2]), index))
      return fail("the file holds more vertices than a surface can have");
    return true;
  }

  WordStream words_;
  const std::string& path_;
  SurfaceBuilder& builder_;
  MeshFileError& error_;
  Stretch stretch_;
  bool endedInsideSolid_ = false;
};

// From this many bytes an ASCII STL text is read in two halves side by side.
constexpr std::size_t kAsciiTwoHalvesBytes = std::size_t{1} << 20;

// Where an ASCII STL text is split for two halves: just behind the first line from the middle on
// that holds the word "endfacet" alone, so that both halves hold whole facets; the text's size
// (no split) for a small text or where no such line is found.
std::size_t asciiSplit(std::string_view text) {
  if (text.size() < kAsciiTwoHalvesBytes)
    return text.size();
  constexpr std::string_view kEnd = "endfacet";
  for (std::size_t at = text.find(kEnd, text.size() / 2); at != std::string_view::npos;
       at = text.find(kEnd, at + kEnd.size())) {
    std::size_t before = at;
    while (before > 0 && (text[before - 1] == ' ' || text[before - 1] == '\t'))
      --before;
    if (before > 0 && text[before - 1] != '\n')
      continue;
    std::size_t after = at + kEnd.size();
    while (after < text.size() && text[after] != '\n' && isTextBlank(text[after]))
      ++after;
    if (after < text.size() && text[after] == '\n')
      return after + 1;
  }
  return text.size();
}

std::uint32_t littleEndian32(const char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);  // one load where the machine is little-endian
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  value = __builtin_bswap32(value);
#endif
  return value;
}

double littleEndianFloat(const char* p) {
  const std::uint32_t bits = littleEndian32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;  // every float is exactly a double
}

// Facets [first, last) of a binary STL file into the builder, a block at a time: the block's
// corners decoded and checked, then merged into vertices together.
bool readFacets(std::string_view bytes, std::size_t first, std::size_t last,
                const std::string& path, SurfaceBuilder& builder, MeshFileError& error) {
  constexpr std::size_t kBlockFacets = 128;
  Vec3 points[3 * kBlockFacets];
  std::uint32_t corners[3 * kBlockFacets];
  for (std::size_t block = first; block < last; block += kBlockFacets) {
    const std::size_t n = std::min(kBlockFacets, last - block);
    std::size_t good = 0;  // the block's facets before one with a coordinate not a number
    int badCorner = -1;
    for (; good < n && badCorner < 0; ++good) {
      const char* record = bytes.data() + kBinaryHeaderBytes + kBinaryFacetBytes * (block + good);
      for (int k = 0; k < 3 && badCorner < 0; ++k) {
        const char* p = record + 12 + 12 * k;  // behind the normal
        Vec3& point = points[3 * good + k];
        point = Vec3(littleEndianFloat(p), littleEndianFloat(p + 4), littleEndianFloat(p + 8));
        if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z))
          badCorner = k;
      }
    }
    if (badCorner >= 0)
      --good;
    if (!builder.addPoints(points, 3 * good, corners)) {
      error.message = path + ": the file holds more vertices than a surface can have";
      return false;
    }
    for (std::size_t f = 0; f < good; ++f) {
      if (!builder.addTriangle(corners[3 * f], corners[3 * f + 1], corners[3 * f + 2],
                               toOrigin(static_cast<long long>(block + f) + 1))) {
        error.message = path + ": the file holds more triangles than a surface can have";
        return false;
      }
    }
    if (badCorner >= 0) {
      error.line = 0;
      error.message = path + " facet " + std::to_string(block + good + 1) + ": vertex " +
                      std::to_string(badCorner + 1) +
                      " has a coordinate that is not a finite number";
      return false;
    }
  }
  return true;
}

// The facets of a binary file in two halves side by side, each merging its own points; the
// second half's vertices then join the first's in the order they were met, so the surface is
// the one a reading from front to back gives, index for index. A fault is the first half's, or
// else the second's: the one met first from the front.
bool readBinaryHalves(std::string_view bytes, std::size_t count, const std::string& path,
                      SurfaceBuilder& builder, MeshFileError& error) {
  const std::size_t half = count / 2;
  TriangleSurface secondSurface;
  std::vector<std::uint32_t> secondOrigins;
  SurfaceBuilder second(secondSurface, secondOrigins);
  MeshFileError secondError;
  bool read[2] = {false, false};
  runSideBySide([&] { read[0] = readFacets(bytes, 0, half, path, builder, error); },
                [&] {
                  second.reserve((count - half) / 2 + 2, count - half);
                  read[1] = readFacets(bytes, half, count, path, second, secondError);
                },
                true);
  if (!read[0])
    return false;
  if (!read[1]) {
    error = secondError;
    return false;
  }
  if (!builder.append(secondSurface, secondOrigins)) {
    error.message = path + ": the file holds more vertices than a surface can have";
    return false;
  }
  return true;
}

// An ASCII text in two halves side by side, split at `split` (see asciiSplit). Only a reading
// that both halves finish stands: the first must end at the split, between two facets of a
// solid, the second starts inside that solid; its vertices and lines then join the first's.
// False on anything else, and the caller reads the whole text again from the front, which gives
// the one message of the front-to-back reading.
bool readAsciiHalves(std::string_view text, std::size_t split, const std::string& path,
                     SurfaceBuilder& builder) {
  TriangleSurface secondSurface;
  std::vector<std::uint32_t> secondOrigins;
  SurfaceBuilder second(secondSurface, secondOrigins);
  MeshFileError firstError, secondError;
  bool read[2] = {false, false};
  long firstLineBreaks = 0;
  runSideBySide(
      [&] {
        AsciiParser parser(text.substr(0, split), path, builder, firstError, Stretch::kFirst);
        read[0] = parser.parse();
        firstLineBreaks = parser.lineBreaks();
      },
      [&] {
        second.reserve((text.size() - split) / 200, (text.size() - split) / 200);
        read[1] =
            AsciiParser(text.substr(split), path, second, secondError, Stretch::kSecond).parse();
      },
      true);
  if (!(read[0] && read[1]))
    return false;
  for (std::uint32_t& origin : secondOrigins)  // the second half's lines counted from the split
    origin = toOrigin(static_cast<long long>(origin) + firstLineBreaks);
  return builder.append(secondSurface, secondOrigins);
}
}  // namespace

bool hasBinaryStlSize(std::string_view bytes) {
  if (bytes.size() < kBinaryHeaderBytes)
    return false;
  const std::uint64_t count = littleEndian32(bytes.data() + 80);
  return kBinaryHeaderBytes + kBinaryFacetBytes * count == bytes.size();
}

bool parseStlAscii(std::string_view text, const std::string& path, SurfaceBuilder& builder,
                   MeshFileError& error, bool twoHalves, bool* halvesStood) {
  // A facet takes at least 7 lines' worth of words and about 100 bytes: a bound, not a count.
  builder.reserve(text.size() / 200, text.size() / 200);
  if (halvesStood != nullptr)
    *halvesStood = false;
  const std::size_t split = twoHalves && builder.empty() ? asciiSplit(text) : text.size();
  if (split < text.size()) {
    bool stood = false;
    try {
      stood = readAsciiHalves(text, split, path, builder);
    } catch (const std::bad_alloc&) {
      // Two halves need more memory at once than one reading: try that.
    }
    if (halvesStood != nullptr)
      *halvesStood = stood;
    if (stood)
      return true;
    builder.clear();
  }
  return AsciiParser(text, path, builder, error).parse();
}

bool parseStlBinary(std::string_view bytes, const std::string& path, SurfaceBuilder& builder,
                    MeshFileError& error, bool twoHalves) {
  if (!hasBinaryStlSize(bytes)) {
    error.line = 0;
    error.message = path + ": a binary STL file of " + std::to_string(bytes.size()) +
                    " bytes must hold 84 + 50 n bytes";
    if (bytes.size() >= kBinaryHeaderBytes) {
      error.message +=
          " for the facet count n = " + std::to_string(littleEndian32(bytes.data() + 80)) +
          " at byte 80";
    }
    return false;
  }
  const std::size_t count = (bytes.size() - kBinaryHeaderBytes) / kBinaryFacetBytes;
  builder.reserve(count / 2 + 2, count);  // a closed surface of n triangles has n / 2 + 2 vertices
  if (twoHalves && count >= kStlTwoHalvesFacets && builder.empty()) {
    try {
      return readBinaryHalves(bytes, count, path, builder, error);
    } catch (const std::bad_alloc&) {
      builder.clear();  // two halves need more memory at once than one reading: try that
    }
  }
  return readFacets(bytes, 0, count, path, builder, error);
}
