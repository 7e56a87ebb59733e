#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lines of a text held in memory, each without its line break (LF, or CR LF). The last line
// needs no break. Inline, as the readers call it for every line of a file.
//
// The breaks are found 64 bytes at a time, as a mask with a bit per byte, and each line then
// takes the next bit: a file's lines are a few dozen bytes long, and a search call per line cost
// more than the search itself.
class TextLines {
 public:
  explicit TextLines(std::string_view text)
      : p_(text.data()), end_(text.data() + text.size()), block_(p_) {}
  // The next line; false at the end of the text.
  bool next(std::string_view& line) {
    if (p_ == end_)
      return false;
    const char* const lineEnd = nextBreak();
    line = std::string_view(p_, static_cast<std::size_t>(lineEnd - p_));
    p_ = lineEnd == end_ ? end_ : lineEnd + 1;
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    ++number_;
    return true;
  }
  // Number of the line last returned, from 1.
  long number() const { return number_; }

 private:
  static constexpr std::ptrdiff_t kBlock = 64;

  // The first LF at or after p_, or end_ when there is none.
  const char* nextBreak() {
    const char* from = p_;
    for (;;) {
      if (from >= block_ && from - block_ < blockLength_) {
        const std::uint64_t ahead = breaks_ >> (from - block_);  // a shift below 64
        if (ahead != 0)
          return from + __builtin_ctzll(ahead);
        from = block_ + blockLength_;
      }
      if (from == end_)
        return end_;
      loadBlock(from);
    }
  }

  // The breaks among the (at most 64) bytes from `from`; only bytes of the text are read.
  void loadBlock(const char* from) {
    block_ = from;
    blockLength_ = end_ - from < kBlock ? end_ - from : kBlock;
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    if (blockLength_ == kBlock) {
      const __m128i lf = _mm_set1_epi8('\n');
      for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16 * i));
        const auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        mask |= static_cast<std::uint64_t>(bits) << (16 * i);
      }
      breaks_ = mask;
      return;
    }
#endif
    for (std::ptrdiff_t i = 0; i < blockLength_; ++i)
      mask |= static_cast<std::uint64_t>(from[i] == '\n') << i;
    breaks_ = mask;
  }

  const char* p_;
  const char* end_;
  // The block of the text whose breaks `breaks_` holds, bit i for the byte block_[i].
  const char* block_;
  std::ptrdiff_t blockLength_ = 0;
  std::uint64_t breaks_ = 0;
  long number_ = 0;
};
