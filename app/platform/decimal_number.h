#pragma once

#include <fast_float/fast_float.h>

#include <cmath>
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
inline bool readPlainDecimal(const char* first, const char* last, double& value, const char*& end) {
  const char* digits = first != last && *first == '-' ? first + 1 : first;
  if (digits == last || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
    return false;
  double parsed = 0;
  const fast_float::from_chars_result r = fast_float::from_chars(first, last, parsed);
  if (r.ec != std::errc() || !std::isfinite(parsed))
    return false;
  if (parsed == 0) {
    // A zero from nonzero digits is an underflow.
    for (const char* p = digits; p != r.ptr && *p != 'e' && *p != 'E'; ++p) {
      if (*p >= '1' && *p <= '9')
        return false;
    }
  } else if (!std::isnormal(parsed)) {
    return false;
  }
  value = parsed;
  end = r.ptr;
  return true;
}
