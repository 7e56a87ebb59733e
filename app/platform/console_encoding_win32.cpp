#include "app/platform/console_encoding_win32.h"

#include <windows.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <utility>

namespace {

constexpr unsigned kGbkCodePage = 936;
constexpr wchar_t kReplacement = 0xfffd;

bool isLeadByte(unsigned char b) {
  return b >= 0x81 && b <= 0xfe;
}

bool isTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfe);
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

std::unique_ptr<ConsoleLayer> wideLayer(std::ostream& stream, std::streambuf* /*original*/) {
  const HANDLE handle = GetStdHandle(&stream == &std::cout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (consoleOutputFor(isConsole(handle), GetConsoleOutputCP()) != ConsoleOutput::wideCharacters) {
    return nullptr;
  }
  return std::make_unique<GbkToWideStreamBuf>(consoleSink(handle), CP_ACP);
}

}  // namespace

ConsoleOutput consoleOutputFor(bool isConsole, unsigned outputCodePage) {
  return isConsole && outputCodePage != kGbkCodePage ? ConsoleOutput::wideCharacters
                                                     : ConsoleOutput::gbkBytes;
}

std::size_t gbkCharacterLength(const unsigned char* bytes, std::size_t size) {
  if (!isLeadByte(bytes[0])) {
    return 1;
  }
  if (size < 2) {
    return 0;
  }
  return isTrailByte(bytes[1]) ? 2 : 1;
}

std::wstring codePageToWide(const char* bytes, std::size_t size, unsigned codePage) {
  if (size == 0) {
    return std::wstring();
  }
  const int length = static_cast<int>(size);
  const int wideLength = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  if (wideLength > 0) {
    MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), wideLength);
  }
  return wide;
}

std::wstring gbkToWide(const char* bytes, std::size_t size) {
  // Runs of whole characters are converted in one call each; a stray lead byte is replaced here,
  // since the system's conversion might take the byte after it along.
  const auto* data = reinterpret_cast<const unsigned char*>(bytes);
  std::wstring wide;
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < size) {
    const std::size_t length = gbkCharacterLength(data + i, size - i);
    if (length == 2 || !isLeadByte(data[i])) {
      i += length;
      continue;
    }
    wide += codePageToWide(bytes + runStart, i - runStart, kGbkCodePage);
    wide += kReplacement;
    runStart = ++i;
  }
  wide += codePageToWide(bytes + runStart, size - runStart, kGbkCodePage);
  return wide;
}

WideSink consoleSink(void* console) {
  return [console](const std::wstring& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
      if (!WriteConsoleW(static_cast<HANDLE>(console), text.data() + done, chunk, &written,
                         nullptr) ||
          written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  };
}

GbkToWideStreamBuf::GbkToWideStreamBuf(WideSink sink, unsigned unconvertedCodePage)
    : sink_(std::move(sink)), unconvertedCodePage_(unconvertedCodePage) {}

GbkToWideStreamBuf::~GbkToWideStreamBuf() {
  settlePendingByte();
}

void GbkToWideStreamBuf::finish() {
  settlePendingByte();
}

bool GbkToWideStreamBuf::writeUnconverted(const char* bytes, std::size_t size) {
  const bool settled = settlePendingByte();
  return sink_(codePageToWide(bytes, size, unconvertedCodePage_)) && settled;
}

GbkToWideStreamBuf::int_type GbkToWideStreamBuf::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return traits_type::not_eof(ch);
  }
  const char c = traits_type::to_char_type(ch);
  return write(&c, 1) ? ch : traits_type::eof();
}

std::streamsize GbkToWideStreamBuf::xsputn(const char* bytes, std::streamsize size) {
  if (size <= 0) {
    return 0;
  }
  return write(bytes, static_cast<std::size_t>(size)) ? size : 0;
}

bool GbkToWideStreamBuf::write(const char* bytes, std::size_t size) {
  std::string text = std::move(pending_);
  pending_.clear();
  text.append(bytes, size);
  // Only the last byte can be a lead byte whose trail byte is still to come.
  const auto last = static_cast<unsigned char>(text.back());
  std::size_t whole = text.size();
  if (isLeadByte(last)) {
    std::size_t i = 0;
    while (i < text.size()) {
      const std::size_t length = gbkCharacterLength(
          reinterpret_cast<const unsigned char*>(text.data()) + i, text.size() - i);
      if (length == 0) {
        whole = i;
        break;
      }
      i += length;
    }
  }
  pending_ = text.substr(whole);
  const std::wstring wide = gbkToWide(text.data(), whole);
  return wide.empty() || sink_(wide);
}

bool GbkToWideStreamBuf::settlePendingByte() {
  if (pending_.empty()) {
    return true;
  }
  pending_.clear();
  return sink_(std::wstring(1, kReplacement));
}

bool installConsoleEncoding() {
  return installConsoleLayers(wideLayer);
}
