// The quick conversion of plain decimal numbers against strtod, bit for bit, over a table of
// spellings where the two could part.

#include "app/platform/decimal_number.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/number_spellings.h"

namespace {

class PlainDecimal : public ::testing::TestWithParam<NumberSpelling> {};

TEST_P(PlainDecimal, TakesWhatStrtodTakesWithTheSameBits) {
  const std::string& text = GetParam().text;
  double value = -1;
  const char* end = nullptr;
  const bool taken = readPlainDecimal(text.data(), text.data() + text.size(), value, end);
  EXPECT_EQ(taken && end == text.data() + text.size(), GetParam().quick);
  for (bool longDigits : {false, true}) {
    double ignored = 0;
    const char* ignoredEnd = nullptr;
    EXPECT_EQ(
        readPlainDecimal(text.data(), text.data() + text.size(), ignored, ignoredEnd, &longDigits),
        taken);
  }
  if (!taken)
    return;
  // strtod takes the same characters (those of a hexadecimal number's leading "0" alone) to the
  // same double.
  const std::string prefix(text.data(), end);
  char* strtodEnd = nullptr;
  const double expected = std::strtod(prefix.c_str(), &strtodEnd);
  EXPECT_EQ(strtodEnd, prefix.c_str() + prefix.size());
  EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << value << " vs " << expected;
  // A reader that remembers long digits takes the same characters to the same bits, whichever
  // length the number before had.
  for (const bool lastWasLong : {false, true}) {
    bool longDigits = lastWasLong;
    double hinted = -1;
    const char* hintedEnd = nullptr;
    ASSERT_TRUE(
        readPlainDecimal(text.data(), text.data() + text.size(), hinted, hintedEnd, &longDigits));
    EXPECT_EQ(hintedEnd, end);
    EXPECT_EQ(std::memcmp(&hinted, &value, sizeof value), 0) << hinted << " vs " << value;
  }
}

std::string spellingName(const ::testing::TestParamInfo<NumberSpelling>& info) {
  return "spelling" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Spellings, PlainDecimal, ::testing::ValuesIn(numberSpellings()),
                         spellingName);

// Many short numbers of every digit count on either side of the point, with the separators files
// use, read one after another as a reader does, each up to the end of the whole text (the last
// one ends where the text ends). Each is strtod's, characters and bits.
TEST(PlainDecimal, ReadsAFileOfShortNumbersAsStrtod) {
  std::mt19937_64 random(20261210);
  const char* const separators[] = {",", "\n", " ", "\r\n", ",\t"};
  std::string text;
  std::vector<std::size_t> starts;
  for (int i = 0; i < 40000; ++i) {
    starts.push_back(text.size());
    if (random() % 3 == 0)
      text += '-';
    const int wholeDigits = static_cast<int>(random() % 10);
    const int fractionDigits = static_cast<int>(random() % 10);
    for (int d = 0; d < wholeDigits; ++d)
      text += static_cast<char>('0' + random() % 10);
    if (wholeDigits == 0 || fractionDigits > 0 || random() % 4 == 0)
      text += '.';
    for (int d = 0; d < (wholeDigits == 0 ? fractionDigits + 1 : fractionDigits); ++d)
      text += static_cast<char>('0' + random() % 10);
    text += separators[random() % 5];
  }
  const char* const last = text.data() + text.size();
  for (const std::size_t start : starts) {
    const char* first = text.data() + start;
    double value = -1;
    const char* end = nullptr;
    ASSERT_TRUE(readPlainDecimal(first, last, value, end)) << text.substr(start, 24);
    char* strtodEnd = nullptr;
    const double expected = std::strtod(first, &strtodEnd);
    ASSERT_EQ(end, strtodEnd) << text.substr(start, 24);
    ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text.substr(start, 24);
  }
}

// A text that ends inside the number is read to its end, never past it.
TEST(PlainDecimal, StopsAtTheEndOfItsText) {
  const char text[] = "12.5e3";
  double value = 0;
  const char* end = nullptr;
  ASSERT_TRUE(readPlainDecimal(text, text + 4, value, end));
  EXPECT_EQ(end, text + 4);
  EXPECT_EQ(value, 12.5);
  EXPECT_FALSE(readPlainDecimal(text, text, value, end));
}

}  // namespace
