#include "app/platform/text_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The lines as splitting at every LF gives them, a CR before the LF (or at the very end)
// removed, and no line after a final LF.
std::vector<std::string> splitAtBreaks(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

std::vector<std::string> readLines(std::string_view text) {
  std::vector<std::string> lines;
  TextLines cursor(text);
  std::string_view line;
  while (cursor.next(line)) {
    lines.emplace_back(line);
    EXPECT_EQ(cursor.number(), static_cast<long>(lines.size()));
  }
  EXPECT_FALSE(cursor.next(line));  // and stays at the end
  return lines;
}

// Texts of every length up to a few blocks (the empty one, a lone break, no last break), of lines
// short and long, breaks anywhere in a block and across its ends, CRs (before a break, doubled,
// last) and NUL bytes among them, read from a buffer whose text starts at every offset: the lines
// are those a split at every LF gives, and no byte outside the text is taken for a break (the
// bytes around it are all LFs).
TEST(TextLines, GivesTheLinesOfRandomTextsAtAnyOffsetAndLength) {
  std::mt19937 random(20261210);
  const char alphabet[] = {'\n', '\n', '\r', 'a', '1', ',', ' ', '\0'};
  std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1);
  std::uniform_int_distribution<int> lineLength(0, 90);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t length = static_cast<std::size_t>(round % 300);
    const bool sparse = round % 3 == 0;  // long lines: few breaks per block
    while (text.size() < length) {
      if (sparse)
        text.append(static_cast<std::size_t>(lineLength(random)), 'q').push_back('\n');
      else
        text.push_back(alphabet[pick(random)]);
    }
    text.resize(length);
    const std::size_t offset = static_cast<std::size_t>(round % 17);
    const std::string buffer = std::string(offset, '\n') + text + std::string(80, '\n');
    const std::string_view inside(buffer.data() + offset, text.size());
    ASSERT_EQ(readLines(inside), splitAtBreaks(text)) << "round " << round;
  }
}

}  // namespace
