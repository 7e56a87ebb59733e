#pragma once

// Spellings of numbers where a quick conversion could part from strtod: signs, points without
// digits on one side, exponents, more significant digits than 64 bits hold, halfway cases,
// subnormal and out-of-range magnitudes, hexadecimal digits, infinities, NaNs and texts that only
// begin like numbers. Each with whether the quick conversion (readPlainDecimal) takes it whole:
// the readers convert the others their careful way.

#include <ostream>
#include <string>
#include <vector>

struct NumberSpelling {
  std::string text;
  bool quick;  // readPlainDecimal takes the whole text
};

// How a failed test names the spelling.
inline void PrintTo(const NumberSpelling& spelling, std::ostream* out) {
  *out << '"' << spelling.text.substr(0, 60) << (spelling.text.size() > 60 ? "...\"" : "\"");
}

inline std::vector<NumberSpelling> numberSpellings() {
  std::vector<NumberSpelling> spellings = {
      {"0", true},
      {"-0", true},
      {"+0", false},
      {"0.0", true},
      {"-0.000", true},
      {"0e999999", true},
      {".5", true},
      {"-.5", true},
      {"+.5", false},
      {"5.", true},
      {"-5.", true},
      {"1", true},
      {"+1", false},
      {"-1", true},
      {"0.1", true},
      {"0.3", true},
      {"1e5", true},
      {"1E5", true},
      {"1e+5", true},
      {"1e-5", true},
      {"-1.5E+03", true},
      {"+1.5e-3", false},
      {"123456789012345", true},   // 15 digits: an exact integer and power of ten
      {"1234567890123456", true},  // 16: no longer both exact
      {"-12345678.9012345", true},
      {"1234567.890123456", true},
      {"0.00000000000001", true},
      {"0.000000000000001", true},
      {"1.5.", false},
      {"12345678901234567890", true},                    // 20 significant digits
      {"1.2345678901234567890123456789", true},          // more than 19 after the point
      {"3.141592653589793238462643383279", true},        // a long mantissa
      {"9007199254740993", true},                        // halfway between two doubles: to even
      {"9007199254740993.000000000000000000001", true},  // just above halfway: up
      {"9007199254740992.999999999999999999999", true},  // just below: down
      {"0000000000000000000000000000001.5", true},
      {"1.7976931348623157e308", true},    // the largest double
      {"1.7976931348623158e308", true},    // rounds to it
      {"1.7976931348623159e308", false},   // overflows
      {"2.2250738585072014e-308", true},   // the smallest normal double
      {"2.2250738585072011e-308", false},  // subnormal
      {"4.9e-324", false},
      {"2.4703282292062328e-324", false},  // just above half the smallest subnormal: up to it
      {"2.4703282292062327e-324", false},  // just below: to zero, an underflow
      {"1e-400", false},
      {"-1e-400", false},
      {"1e400", false},
      {"-1e400", false},
      {"1e99999999999999999999", false},
      {"1e-99999999999999999999", false},
      {"0x1p3", false},  // "0", then 'x': not taken whole
      {"-0x1.8p1", false},
      {"0X10", false},
      {"inf", false},
      {"-Infinity", false},
      {"nan", false},
      {"NAN(123)", false},
      {"1e", false},  // "1", then a marker without digits
      {"1e+", false},
      {".", false},
      {"-", false},
      {"+", false},
      {"+-1", false},
      {"--1", false},
      {"1.2.3", false},
      {"e5", false},
      {"1,5", false},
  };
  // Long texts: 400 digits of an integer (overflows), a fraction with 320 zeros (subnormal), 800
  // significant digits with a nonzero digit far behind them, a number of 120 characters.
  spellings.push_back({"1" + std::string(400, '0'), false});
  spellings.push_back({"0." + std::string(320, '0') + "1", false});
  spellings.push_back({"0." + std::string(800, '3') + "1e1", true});
  spellings.push_back({"1." + std::string(118, '0'), true});
  return spellings;
}
