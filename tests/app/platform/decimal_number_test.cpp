// The quick conversion of plain decimal numbers against strtod, bit for bit, over a table of
// spellings where the two could part.

#include "app/platform/decimal_number.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

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
