#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "app/input/formatted_input.h"
#include "app/reader_test_support.h"
#include "support/test_support.h"

namespace {

// Text made of the characters that can start, continue or end a number, so that most strings come
// close to one: signs, points, exponents, hexadecimal prefixes, words, separators, blanks.
std::string randomText(std::mt19937_64& engine) {
  // Runs of digits longer than a double needs, the last one ending in a rounding decision.
  static const std::string kPieces[] = {"0",
                                        "1",
                                        "7",
                                        "9",
                                        ".",
                                        "e",
                                        "E",
                                        "p",
                                        "P",
                                        "x",
                                        "X",
                                        "+",
                                        "-",
                                        "a",
                                        "f",
                                        "F",
                                        "i",
                                        "n",
                                        "N",
                                        "inf",
                                        "inity",
                                        "nan",
                                        "IN",
                                        ",",
                                        " ",
                                        "\n",
                                        "\t",
                                        "/",
                                        "0x",
                                        "1e",
                                        "5.",
                                        "e-",
                                        "e+",
                                        "\r",
                                        "t",
                                        "y",
                                        "123456789012345678901234",
                                        std::string(140, '0'),
                                        "9007199254740993" + std::string(130, '0') + "1"};
  constexpr std::size_t kCount = sizeof kPieces / sizeof kPieces[0];
  std::string text;
  const std::size_t pieces = engine() % 12;
  for (std::size_t i = 0; i < pieces; ++i)
    text += kPieces[engine() % kCount];
  return text;
}

// The scanner must take the same characters and give the same bits as the C library's fscanf,
// which it stands in for, on any text.
TEST(FormattedInputPosix, ScansAsFscanfDoesOnRandomText) {
  static const char* const kFormats[] = {"%lf,%lf,%lf\n", "%lf\n", "x=%lf\n", "%lf %lf,%lf"};
  std::mt19937_64 engine(test_support::kSeed);
  long numbers = 0;
  for (int trial = 0; trial < 100000; ++trial) {
    const std::string text = randomText(engine);
    const char* format = kFormats[trial % 4];
    SCOPED_TRACE("\"" + text + "\" with \"" + format + "\"");
    std::string copies[2] = {text, text};
    const reader_test::FilePtr ours(fmemopen(copies[0].data(), text.size(), "r"));
    const reader_test::FilePtr theirs(fmemopen(copies[1].data(), text.size(), "r"));
    double a[3] = {-7, -7, -7}, b[3] = {-7, -7, -7};
    const int stored = scanDoubles(ours.get(), format, &a[0], &a[1], &a[2]);
    ASSERT_EQ(stored, std::fscanf(theirs.get(), format, &b[0], &b[1], &b[2]));
    ASSERT_EQ(std::memcmp(a, b, sizeof a), 0);
    ASSERT_EQ(std::ftell(ours.get()), std::ftell(theirs.get()));
    numbers += stored > 0 ? stored : 0;
  }
  EXPECT_GT(numbers, 5000);  // the texts did hold numbers
}

}  // namespace
