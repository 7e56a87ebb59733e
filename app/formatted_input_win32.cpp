#include "app/formatted_input.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/number_text.h"

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
