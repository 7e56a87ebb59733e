#pragma once

#include <algorithm>
#include <string>

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
