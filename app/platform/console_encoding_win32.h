#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "app/platform/console_encoding.h"

// The console encoding on Windows. A console whose output code page is 936 shows the GBK texts as
// they are. A console in any other code page gets them as UTF-16 through WriteConsoleW, which
// shows them whatever its code page. A file or a pipe gets the bytes unchanged, as any redirected
// output of the program, so that what it holds does not depend on the console it came from.

enum class ConsoleOutput { gbkBytes, wideCharacters };

// How text reaches a standard handle. `isConsole`: the handle is a console (GetConsoleMode
// succeeds on it); `outputCodePage`: what GetConsoleOutputCP gives (0 when it cannot tell).
ConsoleOutput consoleOutputFor(bool isConsole, unsigned outputCodePage);

// How many of the `size` bytes at `bytes` make up the GBK character they start with: 2 for a lead
// byte (81..FE) and its trail byte (40..7E, 80..FE); 0 for a lead byte that is the last byte, whose
// trail byte may still come; 1 for any other byte, and for a lead byte that the next byte cannot
// trail (that byte then starts a character of its own, so an ASCII byte is never swallowed).
std::size_t gbkCharacterLength(const unsigned char* bytes, std::size_t size);

// The UTF-16 form of `size` GBK bytes made of whole characters; a stray lead byte becomes U+FFFD.
std::wstring gbkToWide(const char* bytes, std::size_t size);

// The UTF-16 form of text in the code page `codePage` (the ANSI code page for paths).
std::wstring codePageToWide(const char* bytes, std::size_t size, unsigned codePage);

// Where a GbkToWideStreamBuf delivers its UTF-16 text; returns false when the text was not written.
using WideSink = std::function<bool(const std::wstring&)>;

// The sink that writes to the console `console` (a HANDLE) with WriteConsoleW.
WideSink consoleSink(void* console);

// A stream layer that converts the GBK written to it into UTF-16 and hands it to a sink, at once on
// every write except for a lead byte, which waits for its trail byte. Text written unconverted is
// taken to be in `unconvertedCodePage` (the ANSI code page of paths and arguments).
class GbkToWideStreamBuf : public ConsoleLayer {
 public:
  GbkToWideStreamBuf(WideSink sink, unsigned unconvertedCodePage);
  ~GbkToWideStreamBuf() override;
  GbkToWideStreamBuf(const GbkToWideStreamBuf&) = delete;
  GbkToWideStreamBuf& operator=(const GbkToWideStreamBuf&) = delete;

  void finish() override;
  bool writeUnconverted(const char* bytes, std::size_t size) override;

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* bytes, std::streamsize size) override;

 private:
  bool write(const char* bytes, std::size_t size);
  bool settlePendingByte();
  WideSink sink_;
  unsigned unconvertedCodePage_;
  std::string pending_;  // a lead byte waiting for its trail byte, or nothing
};
