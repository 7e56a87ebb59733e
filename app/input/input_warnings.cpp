#include "app/input/input_warnings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/platform/platform.h"
#include "app/platform/side_by_side.h"
#include "app/platform/text_lines.h"

namespace {

// A volume of an element that differs from another by more than this share of it means the
// element is not the solid its vertices seem to describe.
constexpr double kSplitTolerance = 1e-6;
// An element smaller than this share of the largest one is as good as nothing.
constexpr double kVanishingShare = 1e-12;
// From this many elements of a kind their split is checked on two threads.
constexpr int kTwoHalvesElements = 16384;
// The header line of the centre of gravity's first coordinate.
constexpr long kGravityLine = 2;

bool differs(double a, double b) {
  return std::fabs(a - b) > kSplitTolerance * std::max(std::fabs(a), std::fabs(b));
}

// The discretised cylinder: a regular segmentCount-gon prism.
double cylinderVolume(const Cylinder& c) {
  const int n = std::max(c.segmentCount, 3);
  const double pi = std::acos(-1.0);
  return 0.5 * n * c.radius * c.radius * std::sin(2 * pi / n) * (c.axisEnd - c.axisStart).length();
}

std::string linePlace(long line) {
  return line > 0 ? "SET file line " + std::to_string(line) + ": " : "SET file: ";
}

long lineOf(const std::vector<long>& lines, int i) {
  return static_cast<size_t>(i) < lines.size() ? lines[static_cast<size_t>(i)] : 0;
}

std::string splitFinding(long line, const char* kind, double split, double enclosed,
                         double otherDiagonals) {
  std::string text;
  text.reserve(160);  // one allocation for the whole message
  text.append(linePlace(line))
      .append("the ")
      .append(kind)
      .append("'s volume depends on how it is split: ");
  text.append(formatNineDigits(split)).append(" by its numbering, ");
  text.append(formatNineDigits(otherDiagonals)).append(" with the other diagonal on each face");
  text.append(differs(split, enclosed) ? " (its vertices are not numbered around its faces)"
                                       : " (its faces are warped)");
  return text;
}

class BodyChecks {
 public:
  // With firstOnly the checks stop at their first finding: whether there is any. Of the split
  // findings only the first `written` in line order get their text (see checkBody).
  // Where `measured` holds a kind's split volumes (one per element), they are taken as they are.
  BodyChecks(FloatingBody& body, const ElementLines& lines, bool firstOnly = false,
             std::size_t written = kAllFindings, const MeasuredSplits* measured = nullptr)
      : body_(body), lines_(lines), firstOnly_(firstOnly), written_(written), measured_(measured) {}
  std::vector<InputWarning> run();

 private:
  template <class Element>
  void checkSplit(const char* kind, const Element* elements, int count,
                  const std::vector<long>& lines, const std::vector<SplitVolumes>* measured);
  void checkCylinders();
  void checkVanishing();
  void checkGravity();
  void add(long line, const std::string& message) { found_.push_back({line, message}); }

  // Whether the checks may stop: one finding is all that was asked for.
  bool done() const { return firstOnly_ && !found_.empty(); }

  FloatingBody& body_;
  const ElementLines& lines_;
  const bool firstOnly_;
  const std::size_t written_;
  const MeasuredSplits* const measured_;
  std::vector<InputWarning> found_;
  // A split finding's numbers, written into its text at the end (found_[at]).
  struct Split {
    std::size_t at;
    const char* kind;
    double split, enclosed, otherDiagonals;
  };
  std::vector<Split> splits_;
  void writeSplits();
  // (volume, line, kind) of every element, for the vanishing test
  struct Measured {
    double volume;
    long line;
    const char* kind;
  };
  std::vector<Measured> volumes_;
};

std::vector<InputWarning> BodyChecks::run() {
  volumes_.reserve(static_cast<std::size_t>(body_.tetrahedronCount) + body_.hexahedronCount +
                   body_.prismCount + body_.cylinderCount);
  for (int i = 0; i < body_.tetrahedronCount; ++i)
    volumes_.push_back({body_.tetrahedra[i].volume(), lineOf(lines_.tetrahedra, i), "tetrahedron"});
  checkSplit("hexahedron", body_.hexahedra.get(), body_.hexahedronCount, lines_.hexahedra,
             measured_ ? &measured_->hexahedra : nullptr);
  if (!done()) {
    checkSplit("triangle prism", body_.prisms.get(), body_.prismCount, lines_.prisms,
               measured_ ? &measured_->prisms : nullptr);
  }
  if (!done())
    checkCylinders();
  if (!done())
    checkVanishing();
  if (!done())
    checkGravity();
  writeSplits();
  return std::move(found_);
}

// A body of warped elements has a finding for nearly every one. Where only the first few are
// written (a run that keeps no report), only theirs are formatted: the first `written_` by line,
// in their order within a line, as writeWarnings orders them.
void BodyChecks::writeSplits() {
  std::vector<bool> written;
  if (written_ < found_.size()) {
    std::vector<std::size_t> order(found_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
      order[i] = i;
    const auto byLine = [this](std::size_t a, std::size_t b) {
      return found_[a].line < found_[b].line || (found_[a].line == found_[b].line && a < b);
    };
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(written_),
                      order.end(), byLine);
    written.assign(found_.size(), false);
    for (std::size_t i = 0; i < written_; ++i)
      written[order[i]] = true;
  }
  for (const Split& s : splits_) {
    if (written.empty() || written[s.at])
      found_[s.at].message =
          splitFinding(found_[s.at].line, s.kind, s.split, s.enclosed, s.otherDiagonals);
  }
}

template <class Element>
void BodyChecks::checkSplit(const char* kind, const Element* elements, int count,
                            const std::vector<long>& lines,
                            const std::vector<SplitVolumes>* measured) {
  if (measured != nullptr && measured->size() != static_cast<std::size_t>(count))
    measured = nullptr;  // not this body's: measured again
  const SplitMeasure<Element> measure;
  // A large body's elements are measured in two halves side by side, each finding its own;
  // volumes the reading measured are only compared.
  const std::size_t first = volumes_.size();
  volumes_.resize(first + static_cast<std::size_t>(count));
  const int half = count >= kTwoHalvesElements && measured == nullptr ? count / 2 : count;
  std::vector<InputWarning> secondHalf;
  std::vector<Split> secondSplits;
  const auto check = [&](int begin, int end, std::vector<InputWarning>& found,
                         std::vector<Split>& splits) {
    // A body of warped elements has a finding for nearly every one: room for them all at once,
    // not arrays moved as they grow (room never written costs no memory).
    if (!firstOnly_) {
      found.reserve(found.size() + static_cast<std::size_t>(end - begin));
      splits.reserve(splits.size() + static_cast<std::size_t>(end - begin));
    }
    for (int i = begin; i < end && !(firstOnly_ && !found.empty()); ++i) {
      const SplitVolumes v =
          measured != nullptr ? (*measured)[static_cast<std::size_t>(i)] : measure(elements[i]);
      volumes_[first + static_cast<std::size_t>(i)] = {v.split, lineOf(lines, i), kind};
      if (differs(v.split, v.enclosed) || differs(v.split, v.otherDiagonals)) {
        // Its text comes at the end (writeSplits); the probe only asks whether there is one.
        splits.push_back({found.size(), kind, v.split, v.enclosed, v.otherDiagonals});
        found.push_back({lineOf(lines, i), std::string()});
      }
    }
  };
  // The first half's findings go straight behind those found so far, the second's after them.
  runSideBySide([&] { check(0, half, found_, splits_); },
                [&] { check(half, count, secondHalf, secondSplits); }, half < count);
  for (Split& split : secondSplits)
    split.at += found_.size();
  splits_.insert(splits_.end(), secondSplits.begin(), secondSplits.end());
  found_.insert(found_.end(), std::make_move_iterator(secondHalf.begin()),
                std::make_move_iterator(secondHalf.end()));
}

void BodyChecks::checkCylinders() {
  for (int i = 0; i < body_.cylinderCount; ++i) {
    const Cylinder& c = body_.cylinders[i];
    const long line = lineOf(lines_.cylinders, i);
    const std::string place = linePlace(line);
    volumes_.push_back({cylinderVolume(c), line, "cylinder"});
    std::ostringstream text;
    text.precision(9);
    if (static_cast<size_t>(i) < lines_.secondRadii.size() &&
        !(lines_.secondRadii[static_cast<size_t>(i)] == c.radius)) {
      text << place << "the cylinder's second radius " << lines_.secondRadii[static_cast<size_t>(i)]
           << " differs from its first, " << c.radius
           << "; it is measured as a cylinder of the first radius (a cone is not supported)";
      add(line, text.str());
      text.str("");
    }
    if (c.radius < 0) {
      // Its circle points lie opposite the axis from where they would lie: the same circle.
      text << place << "the cylinder's radius " << c.radius << " is negative: its absolute value, "
           << -c.radius << ", is used";
      add(line, text.str());
    } else if (!(c.radius > 0)) {
      text << place << "the cylinder's radius " << c.radius << " is not positive";
      add(line, text.str());
    }
    if (!((c.axisEnd - c.axisStart).length() > 0))
      add(line, place + "the cylinder's axis has zero length (its two end centres coincide)");
  }
}

void BodyChecks::checkVanishing() {
  double largest = 0;
  for (const Measured& m : volumes_)
    largest = std::max(largest, m.volume);
  for (const Measured& m : volumes_) {
    if (m.volume == 0 || m.volume < kVanishingShare * largest) {
      std::ostringstream text;
      text << linePlace(m.line) << "the " << m.kind << " has volume " << m.volume
           << " (the largest element has " << largest << "): it adds nothing to the body";
      add(m.line, text.str());
    }
  }
}

void BodyChecks::checkGravity() {
  const std::vector<InputWarning> found = gravityFindings(body_);
  found_.insert(found_.end(), found.begin(), found.end());
}

}  // namespace

std::vector<InputWarning> gravityFindings(const FloatingBody& body) {
  const BoundingBox& b = body.bounds;
  const Vec3& g = body.centreOfGravity;
  if (body.tetrahedronCount + body.hexahedronCount + body.prismCount + body.cylinderCount == 0)
    return {};
  if (g.x >= b.xMin && g.x <= b.xMax && g.y >= b.yMin && g.y <= b.yMax && g.z >= b.zMin &&
      g.z <= b.zMax)
    return {};
  std::ostringstream text;
  text << linePlace(kGravityLine) << "the centre of gravity (" << g.x << ", " << g.y << ", " << g.z
       << ") lies outside the body's bounding box (" << b.xMin << " .. " << b.xMax << ", " << b.yMin
       << " .. " << b.yMax << ", " << b.zMin << " .. " << b.zMax << ")";
  return {InputWarning{kGravityLine, text.str()}};
}

namespace {

// The keyword of a block line and the number of value lines behind it, or 0.
int blockLength(std::string_view line, int& kind) {
  static const char* const kKeywords[4] = {"Tetrahedron", "Hexahedron", "TrianglePrism",
                                           "Cylinder"};
  static const int kLengths[4] = {4, 8, 6, 4};
  for (kind = 0; kind < 4; ++kind) {
    if (line == kKeywords[kind])
      return kLengths[kind];
  }
  return 0;
}

bool isBlank(std::string_view line) {
  for (const char c : line) {
    if (!(c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'))
      return false;
  }
  return true;
}

// The rest of the file, read whole: in one read where its size is known.
std::string readRest(std::FILE* file) {
  std::string text;
  const long start = std::ftell(file);
  if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) == 0 && end > start) {
      text.resize(static_cast<std::size_t>(end - start));
      text.resize(std::fread(&text[0], 1, text.size(), file));
    }
  }
  // Whatever a pipe, or a file that grew, still holds.
  char buffer[1 << 16];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    text.append(buffer, got);
  return text;
}

}  // namespace

ElementLines scanElementLines(std::FILE* file) {
  // Mapped (or else read whole) and walked in memory: the second reading of a large body with
  // findings costs a fraction of the first, not a call per character.
  const MappedFile mapped(file);
  const std::string copy = mapped.data() ? std::string() : readRest(file);
  const std::string_view text =
      mapped.data() ? std::string_view(mapped.data(), mapped.size()) : std::string_view(copy);
  ElementLines lines;
  std::vector<long>* const starts[4] = {&lines.tetrahedra, &lines.hexahedra, &lines.prisms,
                                        &lines.cylinders};
  TextLines cursor(text);
  std::string_view line;
  long number = 0;
  int kind = 0;
  while (cursor.next(line)) {
    ++number;
    const int values = blockLength(line, kind);
    if (values == 0)
      continue;
    starts[kind]->push_back(number);
    // The block's value lines; the reader passes over blank lines between them.
    for (int v = 0; v < values && cursor.next(line);) {
      ++number;
      if (isBlank(line))
        continue;
      if (kind == 3 && v == 3) {
        const std::string radius(line);
        char* end = nullptr;
        const double r = std::strtod(radius.c_str(), &end);
        lines.secondRadii.push_back(end == radius.c_str() ? std::nan("") : r);
      }
      ++v;
    }
  }
  return lines;
}

// A body of warped elements has a finding for nearly every one, and formatting them through a
// stream took longer than solving.
std::string formatNineDigits(double value) {
  char text[32];
  const std::to_chars_result end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
  return std::string(text, end.ptr);
}

std::vector<InputWarning> checkBody(FloatingBody& body, const ElementLines& lines,
                                    std::size_t written, const MeasuredSplits* measured) {
  return BodyChecks(body, lines, false, written, measured).run();
}

bool bodyHasFindings(FloatingBody& body, const MeasuredSplits* measured) {
  const ElementLines unknown;
  return !BodyChecks(body, unknown, true, kAllFindings, measured).run().empty();
}

void writeWarnings(std::ostream& out, const std::vector<InputWarning>& warnings) {
  if (warnings.empty())
    return;
  // By line, in their order within a line; only the first few are written, so the messages
  // themselves are not copied to be sorted.
  std::vector<const InputWarning*> byLine(warnings.size());
  for (std::size_t i = 0; i < warnings.size(); ++i)
    byLine[i] = &warnings[i];
  std::stable_sort(byLine.begin(), byLine.end(),
                   [](const InputWarning* a, const InputWarning* b) { return a->line < b->line; });
  const std::size_t shown = std::min(warnings.size(), kMaxWarningLines);
  for (std::size_t i = 0; i < shown; ++i)
    out << "floatstate: warning: " << byLine[i]->message << '\n';
  if (warnings.size() > shown)
    out << "floatstate: warning: " << warnings.size() - shown << " more warnings not shown\n";
  out.flush();
}
