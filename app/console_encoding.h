#pragma once

#include <cstddef>
#include <iosfwd>
#include <streambuf>
#include <string>

// Every text of the program is stored and written as GBK (code page 936) bytes. A console that
// expects GBK gets them unchanged; a console whose character set is UTF-8 gets them converted by a
// layer that sits between std::cout / std::cerr / std::clog and their original buffers, so that
// code writing to those streams never needs to know which encoding the console uses.

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
class GbkToUtf8StreamBuf : public std::streambuf {
 public:
  explicit GbkToUtf8StreamBuf(std::streambuf* target) : target_(target) {}
  ~GbkToUtf8StreamBuf() override;
  GbkToUtf8StreamBuf(const GbkToUtf8StreamBuf&) = delete;
  GbkToUtf8StreamBuf& operator=(const GbkToUtf8StreamBuf&) = delete;

  std::streambuf* target() const { return target_; }
  // Settles a pending lead byte (as U+FFFD) and flushes the target.
  void finish();
  // Writes bytes that are already in the console's own encoding (paths, command-line arguments)
  // to the target unconverted, after settling a pending lead byte.
  bool writeUnconverted(const char* bytes, std::size_t size);

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

// Decides from the user's locale: when its character set is UTF-8, installs the conversion on
// std::cout, std::cerr and std::clog and returns true; otherwise (or when the C library cannot
// convert GBK) leaves the streams alone and returns false. Call once, early in main.
bool installConsoleEncoding();

// Installs the conversion unconditionally (a second call changes nothing). Returns false only
// when the C library cannot convert GBK, in which case nothing is installed. At exit the layer
// removes itself, so that the final flush of the streams finds their original buffers.
bool installGbkToUtf8Conversion();

// Settles and flushes the layer and gives the three streams back their original buffers.
void uninstallConsoleEncoding();

bool consoleEncodingInstalled();

// Writes text that is already in the console's own encoding, such as a path or an argument typed
// by the user, so that the conversion layer, if it is on `stream`, leaves it untouched.
void writeUnconverted(std::ostream& stream, const std::string& text);
