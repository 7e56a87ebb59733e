#include "app/input/formatted_input.h"

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/input/number_text.h"
#include "app/platform/decimal_number.h"

// fscanf itself spends most of a large body's reading on its own generality (the format parsed
// anew for every point, the locale consulted for every character) and on strtod's multi-precision
// path, and the Windows runtime's rounds some decimal numbers differently from the C library of
// Linux. This scanner takes exactly the characters the C library of Linux takes for "%lf" and
// white space and literal text, on every system, with the stream locked once per call, and
// converts a plain decimal with readPlainDecimal and the other decimals with std::from_chars, both
// rounding correctly as strtod does; strtod converts what from_chars leaves (hexadecimal digits,
// infinities, NaNs, and magnitudes out of range).

namespace {

// The stream's lock, taken once per call, and its characters read without taking it again (a
// character put back takes it again: both runtimes' locks are recursive); the two C runtimes name
// these calls differently.
#ifdef _WIN32
int nextChar(std::FILE* file) {
  return _getc_nolock(file);
}
void lockStream(std::FILE* file) {
  _lock_file(file);
}
void unlockStream(std::FILE* file) {
  _unlock_file(file);
}
#else
int nextChar(std::FILE* file) {
  return getc_unlocked(file);
}
void lockStream(std::FILE* file) {
  flockfile(file);
}
void unlockStream(std::FILE* file) {
  funlockfile(file);
}
#endif

}  // namespace

StreamLock::StreamLock(std::FILE* file) : file_(file) {
  lockStream(file);
}
StreamLock::~StreamLock() {
  unlockStream(file_);
}

namespace {

bool isBlank(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(int c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(int c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int lower(int c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// The stream as one call reads it. The character after a number or after white space, which
// the C library puts back into the stream, is held here and given to the next read instead; only
// the one held when the call ends goes back into the stream. A point's line thus costs one
// put-back instead of four.
class Input {
 public:
  explicit Input(std::FILE* file) : file_(file) { lockStream(file); }
  ~Input() {
    if (held_ != kNothing)
      std::ungetc(held_, file_);
    unlockStream(file_);
  }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  int next() {
    if (held_ == kNothing)
      return nextChar(file_);
    const int c = held_;
    held_ = kNothing;
    return c;
  }
  // c is a character read last, never EOF.
  void putBack(int c) { held_ = c; }

 private:
  static constexpr int kNothing = EOF - 1;
  std::FILE* file_;
  int held_ = kNothing;
};

// One conversion's characters, as the C library collects them before its strtod, up to a length
// that no double needs; a longer number goes on in a NumberText.
class Token {
 public:
  static constexpr std::size_t kCapacity = 128;
  void add(int c) { text_[size_++] = static_cast<char>(c); }
  bool full() const { return size_ == kCapacity; }
  std::size_t size() const { return size_; }
  char operator[](std::size_t i) const { return text_[i]; }
  // The text, terminated for strtod.
  const char* text() {
    text_[size_] = '\0';
    return text_;
  }

 private:
  char text_[kCapacity + 1];
  std::size_t size_ = 0;
};

// A number too long for its token: the mantissa's digits and the exponent go into a NumberText,
// which keeps its value in a bounded text. The characters come in already checked.
class LongNumber {
 public:
  explicit LongNumber(bool hex) : number_(hex), marker_(hex ? 'p' : 'e') {}
  void add(char c) {
    if (exponent_) {
      if (c == '+' || c == '-') {
        number_.exponentSign(c);
      } else {
        number_.exponentDigit(c);
      }
    } else if (lower(c) == marker_) {
      exponent_ = true;
    } else if (c == '.') {
      point_ = true;
    } else {
      number_.mantissaDigit(c, !point_);
    }
  }
  std::string text(bool negative) const { return number_.text(negative); }

 private:
  NumberText number_;
  int marker_;
  bool point_ = false, exponent_ = false;
};

// The rest of "nan" or "inf[inity]" after its first letter c. A letter that does not match is
// consumed and fails the conversion; after "inf" a character other than 'i' is put back.
bool readWord(Input& in, Token& token, int c) {
  const char* word = lower(c) == 'n' ? "nan" : "infinity";
  token.add(c);
  for (int i = 1; word[i] != '\0'; ++i) {
    c = in.next();
    if (i == 3 && lower(c) != 'i') {
      if (c != EOF)
        in.putBack(c);
      return true;
    }
    if (c == EOF || lower(c) != word[i])
      return false;
    token.add(c);
  }
  return true;
}

// Digits, one point and an exponent, from the first character c on, with one character of
// look-ahead that is put back. "0x" starts hexadecimal digits (hex is set) with a 'p' exponent.
// Fails when nothing but the sign was taken, or "0x" alone. A number longer than the token ends
// as longText.
bool readDigits(Input& in, Token& token, int c, std::size_t signs, bool& hex,
                std::string& longText) {
  bool digit = false, point = false, exponent = false, afterMarker = false;
  std::size_t taken = signs;
  if (c == '0') {
    token.add(c);
    c = in.next();
    if (lower(c) == 'x') {
      hex = true;
      token.add(c);
      c = in.next();
    } else {
      digit = true;
    }
    taken = token.size();
  }
  const int marker = hex ? 'p' : 'e';
  std::unique_ptr<LongNumber> number;
  for (; c != EOF; c = in.next(), ++taken) {
    const bool wasAfterMarker = afterMarker;
    afterMarker = false;
    if (isDigit(c) || (hex && !exponent && isHexDigit(c))) {
      digit = true;
    } else if (wasAfterMarker && (c == '-' || c == '+')) {
      // the exponent's sign
    } else if (digit && !exponent && lower(c) == marker) {
      exponent = point = afterMarker = true;
    } else if (!point && c == '.') {
      point = true;
    } else {
      in.putBack(c);
      break;
    }
    if (!number && token.full()) {
      number = std::make_unique<LongNumber>(hex);
      for (std::size_t i = signs + (hex ? 2 : 0); i < token.size(); ++i)
        number->add(token[i]);
    }
    if (number) {
      number->add(static_cast<char>(c));
    } else {
      token.add(c);
    }
  }
  if (number)
    longText = number->text(signs > 0 && token[0] == '-');
  return taken != signs && !(hex && taken == 2 + signs);
}

// A decimal number of the text's whole, when it has at most 15 significant digits and a power of
// ten within 22: both are exact doubles, so one multiplication or division rounds correctly, to
// the bits strtod gives. Most coordinates are such; false for any other text.
bool convertShortDecimal(const char* text, const char* end, double& value) {
  static constexpr double kPowers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '+' || *p == '-'))
    ++p;
  std::uint64_t mantissa = 0;
  int significant = 0, scale = 0;
  bool digit = false, point = false;
  for (; p < end && (isDigit(*p) || (*p == '.' && !point)); ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    digit = true;
    scale -= point ? 1 : 0;
    if (mantissa == 0 && *p == '0')
      continue;  // a leading zero
    if (++significant > 15)
      return false;
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  if (!digit)
    return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool down = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
      ++p;
    if (p == end)
      return false;
    int exponent = 0;
    for (; p < end && isDigit(*p) && exponent < 1000; ++p)
      exponent = exponent * 10 + (*p - '0');
    scale += down ? -exponent : exponent;
  }
  if (p != end || (mantissa != 0 && (scale < -22 || scale > 22)))
    return false;
  double magnitude = static_cast<double>(mantissa);
  if (mantissa != 0)
    magnitude = scale < 0 ? magnitude / kPowers[-scale] : magnitude * kPowers[scale];
  value = negative ? -magnitude : magnitude;
  return true;
}

// The number the text starts with, as strtod reads it; false when it starts with none.
bool convert(const char* text, std::size_t size, bool decimal, double& value) {
  const char* taken = nullptr;
  double plain = 0;
  if (decimal && readPlainDecimal(text, text + size, plain, taken) && taken == text + size) {
    value = plain;
    return true;
  }
  if (decimal && convertShortDecimal(text, text + size, value))
    return true;
  if (decimal) {
    const char* digits = text + (*text == '+' ? 1 : 0);
    const std::from_chars_result r = std::from_chars(digits, text + size, value);
    if (r.ec == std::errc())
      return true;
  }
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text;
}

enum class Scan { read, mismatch, endOfInput };

Scan readNumber(Input& in, double& value) {
  int c = in.next();
  while (isBlank(c))
    c = in.next();
  if (c == EOF)
    return Scan::endOfInput;
  Token token;
  std::size_t signs = 0;
  if (c == '+' || c == '-') {
    token.add(c);
    c = in.next();
    signs = 1;
  }
  const bool word = lower(c) == 'i' || lower(c) == 'n';
  bool hex = false;
  std::string longText;
  if (word ? !readWord(in, token, c) : !readDigits(in, token, c, signs, hex, longText))
    return Scan::mismatch;
  const bool converted = longText.empty()
                             ? convert(token.text(), token.size(), !word && !hex, value)
                             : convert(longText.c_str(), longText.size(), false, value);
  return converted ? Scan::read : Scan::mismatch;
}

// White space in the format skips any in the input; other characters must match one by one.
Scan matchLiteral(Input& in, const char*& format) {
  for (; *format != '\0' && !(format[0] == '%' && format[1] == 'l' && format[2] == 'f'); ++format) {
    if (isBlank(static_cast<unsigned char>(*format))) {
      int c = in.next();
      while (isBlank(c))
        c = in.next();
      if (c != EOF)
        in.putBack(c);
      continue;
    }
    const int c = in.next();
    if (c == EOF)
      return Scan::endOfInput;
    if (c != static_cast<unsigned char>(*format)) {
      in.putBack(c);
      return Scan::mismatch;
    }
  }
  return Scan::read;
}

}  // namespace

bool convertDecimal(const char* text, std::size_t size, double& value) {
  return convert(text, size, true, value);
}

int scanDoubles(std::FILE* file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Input in(file);
  int stored = 0;
  Scan scan = Scan::read;
  while (scan == Scan::read) {
    scan = matchLiteral(in, format);
    if (scan != Scan::read || *format == '\0')
      break;
    format += 3;
    double value = 0;
    scan = readNumber(in, value);
    if (scan == Scan::read) {
      *va_arg(args, double*) = value;
      ++stored;
    }
  }
  va_end(args);
  return stored == 0 && scan == Scan::endOfInput ? EOF : stored;
}
