#pragma once

#include <cstddef>
#include <string>

#include "app/platform/console_encoding.h"

// The console encoding on POSIX systems: when the user's locale says UTF-8, the GBK texts are
// converted to UTF-8 (with the C library's iconv) on their way to the terminal.

// Turns a stream of GBK bytes into UTF-8, one character at a time. A lead byte stays pending until
// its trail byte arrives, so a character split across two writes is converted whole. Bytes that are
// not GBK become U+FFFD; an ASCII byte that follows a stray lead byte is kept as ASCII.
class GbkDecoder {
 public:
  // Appends the UTF-8 form of the complete characters among `size` bytes to `out`.
  void feed(const char* bytes, std::size_t size, std::string& out);
  // Ends the input: a pending lead byte, which can no longer be completed, becomes U+FFFD.
  void finish(std::string& out);
  bool hasPendingByte() const { return pendingLead_ >= 0; }

 private:
  void feedByte(unsigned char byte, std::string& out);
  int pendingLead_ = -1;
};

// The pure conversion of a complete GBK text.
std::string gbkToUtf8(const std::string& gbk);

// A stream buffer that converts GBK written to it into UTF-8 and writes the result to `target`,
// which it does not own. It holds no put area: every write is converted at once, except a pending
// lead byte, which waits for its trail byte (a flush leaves it pending, since half a character can
// be shown neither way).
class GbkToUtf8StreamBuf : public ConsoleLayer {
 public:
  explicit GbkToUtf8StreamBuf(std::streambuf* target) : target_(target) {}
  ~GbkToUtf8StreamBuf() override;
  GbkToUtf8StreamBuf(const GbkToUtf8StreamBuf&) = delete;
  GbkToUtf8StreamBuf& operator=(const GbkToUtf8StreamBuf&) = delete;

  std::streambuf* target() const { return target_; }
  // Settles a pending lead byte (as U+FFFD) and flushes the target.
  void finish() override;
  // Writes bytes that are already in the console's own encoding (paths, command-line arguments)
  // to the target unconverted, after settling a pending lead byte.
  bool writeUnconverted(const char* bytes, std::size_t size) override;

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* bytes, std::streamsize size) override;
  int sync() override;

 private:
  bool emit(const std::string& converted);
  std::streambuf* target_;
  GbkDecoder decoder_;
};

// True when a character-set name (as nl_langinfo(CODESET) gives it) names UTF-8 in any of its
// spellings ("UTF-8", "utf8", ...). A null or empty name is not UTF-8.
bool codesetIsUtf8(const char* codeset);

// The character set of the user's locale: LC_CTYPE is set from the environment, its codeset read
// and LC_CTYPE put back as it was, so nothing else in the process sees a changed locale.
std::string userLocaleCodeset();

// Installs the conversion on all three streams unconditionally (a second call changes nothing).
// Returns false only when the C library cannot convert GBK, in which case nothing is installed.
// installConsoleEncoding calls it when the user's locale is UTF-8.
bool installGbkToUtf8Conversion();
