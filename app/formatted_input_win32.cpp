#include "app/formatted_input.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum class NumberScan { read, mismatch, endOfInput };

bool isBlank(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

int lower(int c) {
  return std::tolower(c);
}

// Reads the rest of "infinity" or "nan" (its first letter already in `text`) letter by letter while
// it matches. "infinity" may end after "inf": the character there is put back unless it is the
// 'i' of "inity". A letter that does not match is consumed, and the number is a mismatch.
bool readWord(std::FILE* file, const char* word, std::string& text) {
  for (std::size_t i = 1; word[i] != '\0'; ++i) {
    const int c = std::getc(file);
    const bool matches = c != EOF && lower(c) == word[i];
    if (i == 3 && !matches) {
      if (c != EOF) {
        std::ungetc(c, file);
      }
      return true;
    }
    if (!matches) {
      return false;
    }
    text += static_cast<char>(c);
  }
  return true;
}

// The text of one number for strtod, kept short however long the number is in the file: leading
// zeros are dropped, the first kMaxDigits significant digits kept and the rest stand as one digit
// 1 when any of them is not zero; the magnitude goes into the exponent. That changes no number's
// rounding: a double is decided by its first 768 significant decimal digits (14 hexadecimal ones)
// and by whether anything nonzero follows them.
class NumberText {
 public:
  explicit NumberText(bool hex) : hex_(hex) {}

  void mantissaDigit(char c, bool beforePoint) {
    if (significant_ == 0 && c == '0') {
      leadingFractionZeros_ += beforePoint ? 0 : 1;
      return;
    }
    ++significant_;
    integerDigits_ += beforePoint ? 1 : 0;
    if (kept_.size() < (hex_ ? kMaxHexDigits : kMaxDecimalDigits)) {
      kept_ += c;
    } else if (c != '0') {
      sticky_ = true;
    }
  }

  void exponentSign(char c) { exponentNegative_ = c == '-'; }

  void exponentDigit(char c) {
    exponent_ = std::min<long long>(exponent_ * 10 + (c - '0'), kExponentLimit);
  }

  // Sign, then "0.DIGITSe-12" (or "0x0.DIGITSp-12"), or a zero.
  std::string text(bool negative) const {
    std::string out = negative ? "-" : "";
    if (kept_.empty()) {
      return out + "0";
    }
    // Each digit before the point scales by the base: 10, or 2 to the fourth.
    const long long scale = hex_ ? 4 : 1;
    const long long placed =
        significant_ > 0 && integerDigits_ > 0 ? integerDigits_ : -leadingFractionZeros_;
    const long long exponent = (exponentNegative_ ? -exponent_ : exponent_) + scale * placed;
    out += hex_ ? "0x0." : "0.";
    out += kept_;
    out += sticky_ ? "1" : "";
    out += hex_ ? 'p' : 'e';
    return out + std::to_string(exponent);
  }

 private:
  static constexpr std::size_t kMaxDecimalDigits = 800;
  static constexpr std::size_t kMaxHexDigits = 30;
  // Far beyond any exponent that leaves a finite nonzero double, and far from overflow.
  static constexpr long long kExponentLimit = 1000000000000000LL;
  bool hex_;
  std::string kept_;
  bool sticky_ = false;
  long long significant_ = 0;
  long long integerDigits_ = 0;
  long long leadingFractionZeros_ = 0;
  long long exponent_ = 0;
  bool exponentNegative_ = false;
};

// Collects the digits, point and exponent of a number whose first character is `c`, with one
// character of look-ahead: the first character that cannot continue the number is put back, as
// the C library of Linux does. An exponent marker without digits behind it adds nothing ("5e" is
// read as 5). Returns false when no number was found: no digit, or "0x" with neither a digit nor
// a point behind it.
bool readDigits(std::FILE* file, int c, bool negative, std::string& text) {
  bool hex = false;
  bool gotDigit = false;
  if (c == '0') {
    gotDigit = true;
    c = std::getc(file);
    if (c != EOF && lower(c) == 'x') {
      hex = true;
      gotDigit = false;
      c = std::getc(file);
    }
  }
  NumberText number(hex);
  bool gotPoint = false;
  bool gotExponent = false;
  bool afterMarker = false;
  for (; c != EOF; c = std::getc(file)) {
    const bool digit = hex && !gotExponent ? std::isxdigit(c) : std::isdigit(c);
    const bool wasAfterMarker = afterMarker;
    afterMarker = false;
    if (digit && gotExponent) {
      number.exponentDigit(static_cast<char>(c));
    } else if (digit) {
      number.mantissaDigit(static_cast<char>(c), !gotPoint);
      gotDigit = true;
    } else if (gotDigit && !gotExponent && lower(c) == (hex ? 'p' : 'e')) {
      gotExponent = true;
      afterMarker = true;
    } else if ((c == '+' || c == '-') && wasAfterMarker) {
      number.exponentSign(static_cast<char>(c));
    } else if (c == '.' && !gotPoint && !gotExponent) {
      gotPoint = true;
    } else {
      std::ungetc(c, file);
      break;
    }
  }
  text = number.text(negative);
  return gotDigit || (hex && gotPoint);
}

// One "%lf": white space skipped, then the longest text that can begin a number, converted by
// strtod.
NumberScan readNumber(std::FILE* file, double& value) {
  int c = std::getc(file);
  while (c != EOF && isBlank(c)) {
    c = std::getc(file);
  }
  if (c == EOF) {
    return NumberScan::endOfInput;
  }
  std::string text;
  const bool negative = c == '-';
  if (c == '+' || c == '-') {
    text += static_cast<char>(c);
    c = std::getc(file);
  }
  if (c != EOF && (lower(c) == 'i' || lower(c) == 'n')) {
    text += static_cast<char>(c);
    if (!readWord(file, lower(c) == 'i' ? "infinity" : "nan", text)) {
      return NumberScan::mismatch;
    }
  } else if (!readDigits(file, c, negative, text)) {
    return NumberScan::mismatch;
  }
  value = std::strtod(text.c_str(), nullptr);
  return NumberScan::read;
}

// Matches literal text and white space with the runtime's own scanf, which treats them as any
// scanf does.
bool matchLiteral(std::FILE* file, const std::string& literal, bool& ended) {
  int consumed = -1;
  ended = std::fscanf(file, (literal + "%n").c_str(), &consumed) == EOF;
  return consumed >= 0;
}

}  // namespace

int scanDoubles(std::FILE* file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int stored = 0;
  bool ended = false;
  for (const char* piece = format;;) {
    const char* conversion = std::strstr(piece, "%lf");
    const std::string literal =
        conversion != nullptr ? std::string(piece, conversion) : std::string(piece);
    if (!matchLiteral(file, literal, ended) || conversion == nullptr) {
      break;
    }
    double value = 0;
    const NumberScan scan = readNumber(file, value);
    if (scan != NumberScan::read) {
      ended = scan == NumberScan::endOfInput;
      break;
    }
    *va_arg(args, double*) = value;
    ++stored;
    piece = conversion + 3;
  }
  va_end(args);
  return stored == 0 && ended ? EOF : stored;
}
