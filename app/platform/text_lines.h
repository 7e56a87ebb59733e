#pragma once

#include <cstddef>
#include <string_view>

// The lines of a text held in memory, each without its line break (LF, or CR LF). The last line
// needs no break. Inline, as the readers call it for every line of a file.
class TextLines {
 public:
  explicit TextLines(std::string_view text) : rest_(text) {}
  // The next line; false at the end of the text.
  bool next(std::string_view& line) {
    if (rest_.empty())
      return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    ++number_;
    return true;
  }
  // Number of the line last returned, from 1.
  long number() const { return number_; }

 private:
  std::string_view rest_;
  long number_ = 0;
};
