#pragma once

#include <fast_float/fast_float.h>

#include <cmath>
#include <cstdint>
#include <system_error>

// The quick conversion of a plain decimal number, shared by the readers of SET files and meshes.
// Bodies' files hold millions of numbers, and reading them costs more than anything else a
// reader does: the conversion here reads eight digits at a time and rounds correctly, to the bits
// of every correct conversion (strtod, std::from_chars), ignoring the locale.
//
// It takes only the plain case: an optional '-', digits with at most one point (at least one
// digit), and an optional exponent "e" or "E" with an optional sign and digits, converting to a
// normal double or to a zero written as one (no nonzero digit). Everything else (a leading '+',
// infinities, NaNs, hexadecimal digits, magnitudes that overflow or come out subnormal or zero)
// gives false, and the reader converts the text its own careful way, which decides what such a
// text means for it. On true, `end` is behind the characters taken; what follows them is the
// reader's business.
//
// A reader that passes longDigits gets the same results sooner on a file written with 16 or more
// digits per number: the flag remembers whether the last number had that many, and while it does
// the digits are not scanned for the short case first (files keep one precision throughout).
// Kept inline in each reader's loop even where the compiler would call it: the call and its
// saved registers cost a short number a tenth of its reading.
#if defined(__GNUC__)
#define FLOATSTATE_INLINE_ALWAYS inline __attribute__((always_inline))
#define FLOATSTATE_NOINLINE __attribute__((noinline))
#else
#define FLOATSTATE_INLINE_ALWAYS inline
#define FLOATSTATE_NOINLINE
#endif

FLOATSTATE_INLINE_ALWAYS bool readPlainDecimal(const char* first, const char* last, double& value,
                                               const char*& end, bool* longDigits = nullptr) {
  const char* digits = first != last && *first == '-' ? first + 1 : first;
  if (digits == last || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
    return false;
  if (!(longDigits && *longDigits)) {
    // Most coordinates are short: at most 15 digits and no exponent. Their digits make an exact
    // integer and their scale an exact power of ten, so that one division rounds correctly. This
    // costs less than the general conversion below on numbers of a few digits.
    static constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char* p = digits;
    std::uint64_t mantissa = 0;
    for (; p != last && isDigit(*p) && p - digits < 16; ++p)
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    const char* point = p;
    if (p != last && *p == '.') {
      for (++p; p != last && isDigit(*p) && p - digits < 17; ++p)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    const long count = static_cast<long>(p - digits) - (point != p ? 1 : 0);  // digits read
    if (count > 0 && count <= 15 &&
        (p == last || !(isDigit(*p) || *p == '.' || *p == 'e' || *p == 'E'))) {
      const long fraction = point != p ? static_cast<long>(p - point) - 1 : 0;
      const double whole = static_cast<double>(mantissa);
      const double magnitude = fraction > 0 ? whole / kPowers[fraction] : whole;
      value = digits != first ? -magnitude : magnitude;
      end = p;
      if (longDigits)
        *longDigits = false;
      return true;
    }
  }
  double parsed = 0;
  const fast_float::from_chars_result r = fast_float::from_chars(first, last, parsed);
  // Sixteen characters hold at most 15 digits with a point; more hold more digits, or an exponent.
  if (longDigits)
    *longDigits = r.ptr - digits > 16;
  if (r.ec != std::errc() || !std::isfinite(parsed))
    return false;
  if (parsed == 0) {
    // A zero from nonzero digits is an underflow.
    for (const char* q = digits; q != r.ptr && *q != 'e' && *q != 'E'; ++q) {
      if (*q >= '1' && *q <= '9')
        return false;
    }
  } else if (!std::isnormal(parsed)) {
    return false;
  }
  value = parsed;
  end = r.ptr;
  return true;
}
