#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/text_lines.h"
#include "elements/triangle_surface.h"
#include "geometry/vec3.h"

// What the surface mesh readers (STL, OBJ, OFF) share: the error they return, a cursor over the
// lines and words of a text held in memory, number parsing that keeps every digit and ignores the
// locale, and the builder that turns the points of the file into an indexed surface.

// A fault that stops the reading: `line` is the line of the file it names (0 for none, e.g. in a
// binary file), and the message is one line that names the file, the place and the reason, e.g.
//   "hull.obj line 12: face refers to vertex 120, but only 100 vertices are defined above it".
struct MeshFileError {
  long line = 0;
  std::string message;
  int systemError = 0;  // the system's error number when the file could not be opened or read
};

// The words of a line: the pieces between blanks, tabs and the other white space characters.
class Words {
 public:
  explicit Words(std::string_view line) : rest_(line) {}
  // The next word; false when only white space is left.
  bool next(std::string_view& word);
  // What is left of the line behind the last word returned, white space stripped at its start.
  std::string_view rest();

 private:
  std::string_view rest_;
};

// Inline: the readers ask this of every byte of a file.
inline bool isTextBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');  // tab, line feed, vertical tab, form feed, CR
}
// Inline, as the text readers call it for every word.
inline bool Words::next(std::string_view& word) {
  std::size_t start = 0;
  while (start < rest_.size() && isTextBlank(rest_[start]))
    ++start;
  std::size_t end = start;
  while (end < rest_.size() && !isTextBlank(rest_[end]))
    ++end;
  word = rest_.substr(start, end - start);
  rest_.remove_prefix(end);
  return !word.empty();
}

// The text with white space removed at both ends.
std::string_view trimmed(std::string_view text);
// Case-insensitive equality of ASCII letters. Inline: the ASCII STL reader compares five
// keywords per line; a word spelt exactly as the keyword is decided by one comparison.
inline bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  if (a == b)
    return true;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}
// The word as a message quotes it: in double quotes, at most 40 characters, bytes that are not
// printable ASCII as \xNN.
std::string quotedWord(std::string_view word);

// A decimal number ("-1.5", "2e-3", "+.5") as the nearest double, whatever the locale. False for
// anything else, trailing characters included, and for a number that is not finite or lies outside
// the range of doubles.
bool parseCoordinate(std::string_view word, double& value);
// The same by std::from_chars alone, which parseCoordinate leaves the unusual spellings to (a
// leading '+', subnormal and out-of-range magnitudes, infinities and NaNs); for the tests that
// hold the two to the same results.
bool parseCoordinateCarefully(std::string_view word, double& value);
// The next three words as the coordinates of a point. Returns what is wrong, or an empty text:
// `missing` when the line ends before the third.
std::string readPoint(Words& words, const std::string& missing, Vec3& point);
// A decimal integer with an optional sign, within the range of long long.
bool parseInteger(std::string_view word, long long& value);

// Builds an indexed surface from the file's points and faces. Points with exactly equal coordinates
// (the same doubles; -0 and 0 alike) become one vertex: a triangle soup such as STL repeats every
// vertex once per facet, and the edges of the surface are found by the indices of their ends. Each
// triangle keeps where it came from (a line, or a facet number) for the messages of the checks.
class SurfaceBuilder {
 public:
  // The largest number of vertices or triangles a surface may hold (32-bit indices).
  static constexpr std::size_t kMaxCount = 0xfffffff0u;

  SurfaceBuilder(TriangleSurface& surface, std::vector<std::uint32_t>& origins);
  // Makes room for about this many points without growing (a hint; never more than is needed
  // for the file's size, so a false count in a file cannot allocate much).
  void reserve(std::size_t points, std::size_t triangles);
  // The vertex index of the point, a new one unless an equal point was added before. False when
  // the surface cannot hold more vertices.
  bool addPoint(const Vec3& point, std::uint32_t& index);
  // The same for count points in turn, their indices into indices; false when the surface
  // cannot hold more vertices (the points before the one that did not fit are added). A large
  // surface's table lies beyond the nearer caches: the slots of the points a few places ahead,
  // and the vertices those slots name, are fetched while the current point is looked up, so that
  // the lookups wait on memory side by side rather than one after the other.
  bool addPoints(const Vec3* points, std::size_t count, std::uint32_t* indices);
  // Reads a vertex line's three coordinates (readPoint) and adds the point; its index goes to
  // the end of vertices. The reason when it cannot, otherwise empty.
  std::string readVertex(Words& words, const std::string& missing,
                         std::vector<std::uint32_t>& vertices);
  // Appends the triangle (a, b, c) of vertex indices. False when the surface is full.
  bool addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t origin);
  // Adds another builder's surface, read from a later stretch of the same file: its points join
  // these vertices as addPoints would have added them (a point met before takes that vertex, a
  // new one is numbered after the present ones in the order the part met them), its triangles
  // and origins follow these. False when the surface cannot hold that many.
  bool append(const TriangleSurface& part, const std::vector<std::uint32_t>& partOrigins);
  // A polygon of vertex indices as the fan of triangles (p0, p(i), p(i+1)).
  bool addPolygon(const std::uint32_t* corners, std::size_t count, std::uint32_t origin);
  std::size_t vertexCount() const { return surface_.vertices.size(); }
  // No point and no triangle added yet.
  bool empty() const { return surface_.vertices.empty() && surface_.triangles.empty(); }
  // Empties the surface, its origins and the table of points, as before the first point.
  void clear();

 private:
  void grow();
  static std::uint64_t hashOf(const Vec3& point);
  std::size_t slotOf(const Vec3& point) const { return slotOf(point, hashOf(point)); }
  std::size_t slotOf(const Vec3& point, std::uint64_t hash) const;
  bool addAt(const Vec3& point, std::size_t slot, std::uint32_t& index);

  TriangleSurface& surface_;
  std::vector<std::uint32_t>& origins_;
  std::vector<std::uint32_t> slots_;  // open addressing: vertex index + 1, 0 for an empty slot
};

// A line number or a count as stored per triangle: saturated at the largest 32-bit value.
std::uint32_t toOrigin(long long number);
