#pragma once

// Shared helpers of the geometry, element and submerged-part tests: a reproducible random source,
// random planes, point comparisons, and a console stand-in for the consistency checks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iostream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "geometry/plane.h"
#include "geometry/vec3.h"

namespace test_support {

// Fixed seeds keep every random property test reproducible; a failing trial names its seed and
// index through SCOPED_TRACE so it can be replayed alone.
constexpr std::uint64_t kSeed = 20240611;

// mt19937_64's output sequence is fixed by the language standard; the distributions are not, so
// the doubles are formed here from the top 53 bits.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  double uniform(double lo, double hi) {
    const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
    return lo + (hi - lo) * unit;
  }
  Vec3 point(double lo, double hi) {
    return Vec3(uniform(lo, hi), uniform(lo, hi), uniform(lo, hi));
  }
  // A direction uniformly distributed on the unit sphere (rejection from the cube).
  Vec3 unitVector() {
    for (;;) {
      Vec3 v = point(-1, 1);
      const double len2 = v.dot(v);
      if (len2 > 1e-4 && len2 <= 1) {
        v.normalize();
        return v;
      }
    }
  }

 private:
  std::mt19937_64 engine_;
};

// The plane with unit normal n through the point p: n . x - n . p = 0.
inline Plane planeThrough(const Vec3& n, const Vec3& p) {
  return Plane(n.x, n.y, n.z, -n.dot(p));
}

// The same plane with the sides exchanged: what was dry is now under water and vice versa.
inline Plane flipped(const Plane& p) {
  return Plane(-p.A, -p.B, -p.C, -p.D);
}

inline std::string describe(const Vec3& v) {
  std::ostringstream s;
  s.precision(17);
  s << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  return s.str();
}

// Component-wise |a - b| <= tol.
inline ::testing::AssertionResult vecNear(const Vec3& actual, const Vec3& expected, double tol) {
  if (std::fabs(actual.x - expected.x) <= tol && std::fabs(actual.y - expected.y) <= tol &&
      std::fabs(actual.z - expected.z) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << describe(actual) << " differs from " << describe(expected) << " by more than " << tol;
}

// Bit-for-bit equality of the three components.
inline ::testing::AssertionResult vecSame(const Vec3& actual, const Vec3& expected) {
  if (actual.x == expected.x && actual.y == expected.y && actual.z == expected.z) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << describe(actual) << " is not exactly " << describe(expected);
}

// Stands in for the console while alive: standard output goes into a buffer that also records
// where each flush happened, and standard input reads from the given text. cin is untied from
// cout meanwhile, so a flush can only come from the code under test itself. Afterwards both
// streams get back their buffers, states and cout its format flags, so a failing test leaves the
// console usable.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(const std::string& input = "")
      : in_(input),
        oldOut_(std::cout.rdbuf(&out_)),
        oldIn_(std::cin.rdbuf(&in_)),
        oldTie_(std::cin.tie(nullptr)),
        oldFlags_(std::cout.flags()) {}
  ~ConsoleCapture() {
    std::cout.rdbuf(oldOut_);
    std::cin.rdbuf(oldIn_);
    std::cin.tie(oldTie_);
    std::cout.flags(oldFlags_);
    std::cin.clear();
    std::cout.clear();
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  const std::string& output() const { return out_.text; }
  // Output lengths at which the stream was flushed.
  const std::vector<size_t>& flushes() const { return out_.flushes; }
  // Number of input characters read so far.
  std::streamoff consumed() { return in_.pubseekoff(0, std::ios_base::cur, std::ios_base::in); }
  // What the code under test left unread.
  std::string unreadInput() {
    const std::string& all = in_.str();
    return all.substr(static_cast<size_t>(consumed()));
  }

 private:
  struct RecordingBuf : std::streambuf {
    std::string text;
    std::vector<size_t> flushes;
    int_type overflow(int_type c) override {
      if (!traits_type::eq_int_type(c, traits_type::eof()))
        text.push_back(traits_type::to_char_type(c));
      return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      text.append(s, static_cast<size_t>(n));
      return n;
    }
    int sync() override {
      flushes.push_back(text.size());
      return 0;
    }
  };

  RecordingBuf out_;
  std::stringbuf in_;
  std::streambuf* oldOut_;
  std::streambuf* oldIn_;
  std::ostream* oldTie_;
  std::ios::fmtflags oldFlags_;
};

}  // namespace test_support
