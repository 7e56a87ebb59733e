#include "app/mesh/mesh_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "app/platform/decimal_number.h"

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isTextBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isTextBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string_view Words::rest() {
  rest_ = trimmed(rest_);
  return rest_;
}

std::string quotedWord(std::string_view word) {
  constexpr std::size_t kShown = 40;
  std::string text = "\"";
  for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 15];
    }
  }
  if (word.size() > kShown)
    text += "...";
  return text + "\"";
}

std::string readPoint(Words& words, const std::string& missing, Vec3& point) {
  double xyz[3];
  for (double& c : xyz) {
    std::string_view word;
    if (!words.next(word))
      return missing;
    if (!parseCoordinate(word, c))
      return "vertex coordinate " + quotedWord(word) + " is not a finite number";
  }
  point = Vec3(xyz[0], xyz[1], xyz[2]);
  return "";
}

bool parseCoordinate(std::string_view word, double& value) {
  const char* end = word.data() + word.size();
  const char* taken = nullptr;
  double parsed = 0;
  // A word of more than 16 characters besides its sign is no short number (one of at most 15
  // digits and a point), so the conversion skips the scan for one: "%.17g" coordinates then
  // cost half as much.
  bool longWord = word.size() - (!word.empty() && word[0] == '-' ? 1 : 0) > 16;
  if (readPlainDecimal(word.data(), end, parsed, taken, &longWord) && taken == end) {
    value = parsed;  // the bits from_chars gives the whole word below
    return true;
  }
  return parseCoordinateCarefully(word, value);
}

bool parseCoordinateCarefully(std::string_view word, double& value) {
  // from_chars reads no leading '+'; a second sign behind it stays an error.
  if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+')
    word.remove_prefix(1);
  double parsed = 0;
  const char* end = word.data() + word.size();
  const std::from_chars_result r = std::from_chars(word.data(), end, parsed);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}

bool parseInteger(std::string_view word, long long& value) {
  if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+')
    word.remove_prefix(1);
  long long parsed = 0;
  const char* end = word.data() + word.size();
  const std::from_chars_result r = std::from_chars(word.data(), end, parsed);
  if (r.ec != std::errc() || r.ptr != end)
    return false;
  value = parsed;
  return true;
}

std::uint32_t toOrigin(long long number) {
  constexpr long long kLargest = std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(number < 0 ? 0 : number > kLargest ? kLargest : number);
}

namespace {

// The bits of a coordinate with -0 counted as 0, so equal values hash alike.
std::uint64_t bitsOf(double x) {
  const double normalised = x + 0.0;  // -0 + 0 is +0
  std::uint64_t bits;
  std::memcpy(&bits, &normalised, sizeof bits);
  return bits;
}

std::uint64_t mixed(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

constexpr std::size_t kFirstSlotCount = 1024;

}  // namespace

SurfaceBuilder::SurfaceBuilder(TriangleSurface& surface, std::vector<std::uint32_t>& origins)
    : surface_(surface), origins_(origins), slots_(kFirstSlotCount, 0) {}

void SurfaceBuilder::reserve(std::size_t points, std::size_t triangles) {
  surface_.vertices.reserve(points);
  surface_.triangles.reserve(triangles);
  origins_.reserve(triangles);
  std::size_t slots = slots_.size();
  while (slots < 2 * points)
    slots *= 2;
  if (slots > slots_.size()) {
    slots_.assign(slots, 0);
    for (std::size_t i = 0; i < surface_.vertices.size(); ++i)
      slots_[slotOf(surface_.vertices[i])] = static_cast<std::uint32_t>(i + 1);
  }
}

std::uint64_t SurfaceBuilder::hashOf(const Vec3& point) {
  // Each coordinate's bits mixed in turn: a plain weighted sum of the three would lose the signs
  // (two of them flipped give the same sum, as on a hull symmetric about two planes) and keep
  // the trailing zero bits integers share.
  return mixed(bitsOf(point.x) ^ mixed(bitsOf(point.y) ^ mixed(bitsOf(point.z))));
}

// The slot that holds the point, or the empty slot where it belongs (linear probing).
std::size_t SurfaceBuilder::slotOf(const Vec3& point, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  while (slots_[slot] != 0 && !(surface_.vertices[slots_[slot] - 1] == point))
    slot = (slot + 1) & mask;
  return slot;
}

void SurfaceBuilder::grow() {
  slots_.assign(slots_.size() * 2, 0);
  for (std::size_t i = 0; i < surface_.vertices.size(); ++i)
    slots_[slotOf(surface_.vertices[i])] = static_cast<std::uint32_t>(i + 1);
}

std::string SurfaceBuilder::readVertex(Words& words, const std::string& missing,
                                       std::vector<std::uint32_t>& vertices) {
  Vec3 point;
  const std::string wrong = readPoint(words, missing, point);
  if (!wrong.empty())
    return wrong;
  std::uint32_t index;
  if (!addPoint(point, index))
    return "the file holds more vertices than a surface can have";
  vertices.push_back(index);
  return "";
}

bool SurfaceBuilder::addPoint(const Vec3& point, std::uint32_t& index) {
  return addAt(point, slotOf(point), index);
}

bool SurfaceBuilder::addAt(const Vec3& point, std::size_t slot, std::uint32_t& index) {
  if (slots_[slot] != 0) {
    index = slots_[slot] - 1;
    return true;
  }
  if (surface_.vertices.size() >= kMaxCount)
    return false;
  surface_.vertices.push_back(point);
  index = static_cast<std::uint32_t>(surface_.vertices.size() - 1);
  slots_[slot] = index + 1;
  if (2 * surface_.vertices.size() > slots_.size())
    grow();  // at most half full, so probes stay short
  return true;
}

bool SurfaceBuilder::addPoints(const Vec3* points, std::size_t count, std::uint32_t* indices) {
  // Slots are fetched kSlotsAhead points ahead; half as far ahead the slot has arrived and the
  // vertex it names is fetched. Only hints: the lookup itself probes the table as it is then.
  constexpr std::size_t kSlotsAhead = 16, kVerticesAhead = 8;
  constexpr std::size_t kBatch = 256;
  std::uint64_t hashes[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    const std::size_t n = std::min(kBatch, count - first);
    const Vec3* batch = points + first;
    for (std::size_t i = 0; i < n; ++i)
      hashes[i] = hashOf(batch[i]);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t mask = slots_.size() - 1;
      if (i + kSlotsAhead < n)
        __builtin_prefetch(&slots_[hashes[i + kSlotsAhead] & mask]);
      if (i + kVerticesAhead < n) {
        const std::uint32_t held = slots_[hashes[i + kVerticesAhead] & mask];
        if (held != 0)
          __builtin_prefetch(&surface_.vertices[held - 1]);
      }
      // The lookup of slotOf, written out: most points were met before.
      const Vec3& point = batch[i];
      std::size_t slot = hashes[i] & mask;
      std::uint32_t held;
      while ((held = slots_[slot]) != 0 && !(surface_.vertices[held - 1] == point))
        slot = (slot + 1) & mask;
      if (held != 0)
        indices[first + i] = held - 1;
      else if (!addAt(point, slot, indices[first + i]))
        return false;
    }
  }
  return true;
}

bool SurfaceBuilder::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                 std::uint32_t origin) {
  if (surface_.triangles.size() >= kMaxCount)
    return false;
  surface_.triangles.push_back(TriangleSurface::Triangle{{a, b, c}});
  origins_.push_back(origin);
  return true;
}

void SurfaceBuilder::clear() {
  surface_.vertices.clear();
  surface_.triangles.clear();
  origins_.clear();
  std::fill(slots_.begin(), slots_.end(), 0u);
}

bool SurfaceBuilder::append(const TriangleSurface& part,
                            const std::vector<std::uint32_t>& partOrigins) {
  if (surface_.triangles.size() + part.triangles.size() > kMaxCount)
    return false;
  std::vector<std::uint32_t> joined(part.vertices.size());
  if (!addPoints(part.vertices.data(), part.vertices.size(), joined.data()))
    return false;
  surface_.triangles.reserve(surface_.triangles.size() + part.triangles.size());
  for (const TriangleSurface::Triangle& t : part.triangles)
    surface_.triangles.push_back(
        TriangleSurface::Triangle{{joined[t.v[0]], joined[t.v[1]], joined[t.v[2]]}});
  origins_.insert(origins_.end(), partOrigins.begin(), partOrigins.end());
  return true;
}

bool SurfaceBuilder::addPolygon(const std::uint32_t* corners, std::size_t count,
                                std::uint32_t origin) {
  for (std::size_t i = 1; i + 1 < count; ++i) {
    if (!addTriangle(corners[0], corners[i], corners[i + 1], origin))
      return false;
  }
  return true;
}
