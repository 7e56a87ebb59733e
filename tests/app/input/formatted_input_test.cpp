#include "app/input/formatted_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/reader_test_support.h"
#include "support/test_support.h"

namespace {

using reader_test::streamOf;

// Decimal numbers that the Windows runtime's scanf rounds away from the correctly rounded value.
TEST(FormattedInput, NumbersAreCorrectlyRounded) {
  for (const char* text : {"7.610701041", "38.09005668", "-71.53201988", "5.1402698", "1.2441e-10",
                           "2e126", "4.606485440862699e-8"}) {
    SCOPED_TRACE(text);
    double value = 0;
    ASSERT_EQ(scanDoubles(streamOf(text).get(), "%lf", &value), 1);
    EXPECT_EQ(value, std::strtod(text, nullptr));
  }
}

// 2^53 + 1 lies halfway between two doubles: what decides its rounding may come after any number
// of digits, and leading zeros or digits before the point only move the exponent.
TEST(FormattedInput, AnyNumberOfDigitsIsTakenIntoAccount) {
  const std::string zeros(1000, '0');
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {"9007199254740993." + zeros, 9007199254740992.0},
      {"9007199254740993." + zeros + "1", 9007199254740994.0},
      {"-0." + zeros + "9007199254740993" + zeros + "1e1016", -9007199254740994.0},
      {"1" + zeros + "e-1000", 1.0},
      {"0x1.00000000000008" + zeros + "1p0", 0x1.0000000000001p0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    double value = 0;
    ASSERT_EQ(scanDoubles(streamOf(c.text).get(), "%lf", &value), 1);
    EXPECT_EQ(value, c.value);
  }
}

// Decimals as coordinates are written: 1 to 17 digits, the point anywhere, exponents on either
// side of the powers of ten a double holds exactly; each as strtod rounds it.
TEST(FormattedInput, DecimalsOfEveryLengthAreReadAsStrtodReadsThem) {
  std::mt19937_64 engine(test_support::kSeed);
  std::vector<std::string> texts;
  std::string all;
  for (int trial = 0; trial < 200000; ++trial) {
    std::string text = engine() % 2 ? "-" : "";
    const int digits = 1 + static_cast<int>(engine() % 17);
    const int point = static_cast<int>(engine() % static_cast<unsigned>(digits + 1));
    for (int i = 0; i < digits; ++i)
      text += std::string(i == point ? "." : "") + static_cast<char>('0' + engine() % 10);
    if (engine() % 2)
      text += "e" + std::to_string(static_cast<int>(engine() % 61) - 30);
    all += text + "\n";
    texts.push_back(std::move(text));
  }
  const reader_test::FilePtr file = streamOf(all);
  for (const std::string& text : texts) {
    double value = 0;
    ASSERT_EQ(scanDoubles(file.get(), "%lf\n", &value), 1) << text;
    const double expected = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;
  }
}

// Which characters a conversion takes, and what it makes of them, as fscanf on Linux does.
TEST(FormattedInput, ReadsAndStopsWhereFscanfDoes) {
  struct Case {
    const char* text;
    const char* format;
    int count;
    double values[3];
    long position;  // where the stream stands afterwards
  };
  const double inf = INFINITY;
  const Case cases[] = {
      {" \n\t12,-3.5,+.25\n\nx", "%lf,%lf,%lf\n", 3, {12, -3.5, 0.25}, 17},
      {"5e,1e+,2E-1", "%lf,%lf,%lf\n", 3, {5, 1, 0.2}, 11},
      {"1.5e3x", "%lf\n", 1, {1500}, 5},
      {"0x1P3,0x.,0X1.8", "%lf,%lf,%lf\n", 3, {8, 0, 1.5}, 15},
      {"0x,1,1", "%lf,%lf,%lf\n", 0, {}, 2},
      {"-Infinity,iNf,nan", "%lf,%lf,%lf\n", 3, {-inf, inf, NAN}, 17},
      {"infinite", "%lf\n", 0, {}, 8},
      {"1..2", "%lf,%lf,%lf\n", 1, {1}, 2},
      {".", "%lf\n", 0, {}, 1},
      {"1,2", "%lf,%lf,%lf\n", 2, {1, 2}, 3},
      {"", "%lf\n", EOF, {}, 0},
      {"Gra_Pt.x= 4\n", "Gra_Pt.x=%lf\n", 1, {4}, 12},
      {"Gra_Pt.y=4\n", "Gra_Pt.x=%lf\n", 0, {}, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const reader_test::FilePtr file = streamOf(c.text);
    double values[3] = {-7, -7, -7};
    EXPECT_EQ(scanDoubles(file.get(), c.format, &values[0], &values[1], &values[2]), c.count);
    for (int i = 0; i < c.count; ++i) {
      EXPECT_TRUE(values[i] == c.values[i] || (std::isnan(values[i]) && std::isnan(c.values[i])))
          << i << ": " << values[i];
    }
    for (int i = std::max(c.count, 0); i < 3; ++i)
      EXPECT_EQ(values[i], -7) << i;
    EXPECT_EQ(std::ftell(file.get()), c.position);
  }
}

}  // namespace
