#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Single-precision bounds of doubles. Heights and extents kept as floats halve the memory an
// evaluation streams through; rounded outwards they still bound the doubles, so by the monotonic
// rounding of height + D a piece judged wholly submerged or wholly dry on the floats is so on the
// doubles.

// The largest Narrow <= x, and the smallest Narrow >= x, for a floating type Narrow narrower than
// x's own.
template <class Narrow, class Wide>
Narrow roundedDownTo(Wide x) {
  const Narrow f = static_cast<Narrow>(x);
  return static_cast<Wide>(f) > x ? std::nextafter(f, -std::numeric_limits<Narrow>::infinity()) : f;
}
template <class Narrow, class Wide>
Narrow roundedUpTo(Wide x) {
  const Narrow f = static_cast<Narrow>(x);
  return static_cast<Wide>(f) < x ? std::nextafter(f, std::numeric_limits<Narrow>::infinity()) : f;
}

// The largest float <= x, and the smallest float >= x.
inline float roundedDown(double x) {
  return roundedDownTo<float>(x);
}
inline float roundedUp(double x) {
  return roundedUpTo<float>(x);
}

// A float below x and one above it, without a branch: the nearest float lies within half a step
// of x (of the smaller step at a power of two), so one step further out is always beyond x, and
// deciding whether the step is needed would be a branch that goes either way at random. For the
// loops that run per triangle or element and normal; x is not a NaN, and -infinity stays.
inline float stepBelow(double x) {
  float f = static_cast<float>(x);
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  const std::uint32_t negative = bits >> 31;  // the magnitude shrinks above 0 and grows below
  const std::uint32_t positiveZero = bits == 0;
  const std::uint32_t negativeInfinity = bits == 0xff800000u;
  // +0 steps to the negative smallest denormal: -0's bits plus one.
  bits = bits - 1 + 2 * negative + positiveZero * 0x80000002u - negativeInfinity;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline float stepAbove(double x) {
  return -stepBelow(-x);
}
