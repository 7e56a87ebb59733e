#include "app/platform/console_encoding_posix.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

// U+FFFD REPLACEMENT CHARACTER in UTF-8: what a byte that is no GBK character is shown as.
const char kReplacement[] = "\xef\xbf\xbd";

bool isLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xfe;
}

bool isTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7e) || (byte >= 0x80 && byte <= 0xfe);
}

// One conversion descriptor for the whole process. GBK and UTF-8 carry no shift state, so the
// descriptor can be reused for any number of independent characters.
class GbkConverter {
 public:
  GbkConverter() : descriptor_(iconv_open("UTF-8", "GBK")) {}
  ~GbkConverter() {
    if (usable()) {
      iconv_close(descriptor_);
    }
  }
  GbkConverter(const GbkConverter&) = delete;
  GbkConverter& operator=(const GbkConverter&) = delete;

  bool usable() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

  // Converts one character of one or two bytes; false when it is no GBK character.
  bool convert(const unsigned char* bytes, std::size_t size, std::string& out) {
    if (!usable()) {
      return false;
    }
    char input[2] = {static_cast<char>(bytes[0]), size > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char output[8];
    char* in = input;
    char* outPtr = output;
    std::size_t inLeft = size;
    std::size_t outLeft = sizeof output;
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(descriptor_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
      return false;
    }
    out.append(output, static_cast<std::size_t>(outPtr - output));
    return true;
  }

 private:
  iconv_t descriptor_;
};

GbkConverter& converter() {
  static GbkConverter instance;
  return instance;
}

}  // namespace

void GbkDecoder::feed(const char* bytes, std::size_t size, std::string& out) {
  for (std::size_t i = 0; i < size; ++i) {
    feedByte(static_cast<unsigned char>(bytes[i]), out);
  }
}

void GbkDecoder::finish(std::string& out) {
  if (pendingLead_ >= 0) {
    out += kReplacement;
    pendingLead_ = -1;
  }
}

void GbkDecoder::feedByte(unsigned char byte, std::string& out) {
  if (pendingLead_ >= 0) {
    const unsigned char pair[2] = {static_cast<unsigned char>(pendingLead_), byte};
    pendingLead_ = -1;
    if (isTrailByte(byte)) {
      if (!converter().convert(pair, 2, out)) {
        out += kReplacement;
        if (byte < 0x80) {
          out += static_cast<char>(byte);  // an ASCII byte is never swallowed
        }
      }
      return;
    }
    out += kReplacement;  // the lead byte alone; `byte` starts afresh below
  }
  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else if (isLeadByte(byte)) {
    pendingLead_ = byte;
  } else if (!converter().convert(&byte, 1, out)) {  // 0x80 (the euro sign in 936) or 0xFF
    out += kReplacement;
  }
}

std::string gbkToUtf8(const std::string& gbk) {
  GbkDecoder decoder;
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  decoder.feed(gbk.data(), gbk.size(), out);
  decoder.finish(out);
  return out;
}

GbkToUtf8StreamBuf::~GbkToUtf8StreamBuf() {
  if (decoder_.hasPendingByte()) {
    finish();
  }
}

void GbkToUtf8StreamBuf::finish() {
  std::string out;
  decoder_.finish(out);
  emit(out);
  target_->pubsync();
}

bool GbkToUtf8StreamBuf::writeUnconverted(const char* bytes, std::size_t size) {
  std::string out;
  decoder_.finish(out);
  out.append(bytes, size);
  return emit(out);
}

GbkToUtf8StreamBuf::int_type GbkToUtf8StreamBuf::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return traits_type::not_eof(ch);
  }
  const char byte = traits_type::to_char_type(ch);
  std::string out;
  decoder_.feed(&byte, 1, out);
  return emit(out) ? ch : traits_type::eof();
}

std::streamsize GbkToUtf8StreamBuf::xsputn(const char* bytes, std::streamsize size) {
  if (size <= 0) {
    return 0;
  }
  std::string out;
  decoder_.feed(bytes, static_cast<std::size_t>(size), out);
  return emit(out) ? size : 0;
}

int GbkToUtf8StreamBuf::sync() {
  return target_->pubsync();
}

bool GbkToUtf8StreamBuf::emit(const std::string& converted) {
  if (converted.empty()) {
    return true;
  }
  const auto size = static_cast<std::streamsize>(converted.size());
  return target_->sputn(converted.data(), size) == size;
}

bool codesetIsUtf8(const char* codeset) {
  if (codeset == nullptr) {
    return false;
  }
  std::string letters;
  for (const char* c = codeset; *c != '\0'; ++c) {
    if (*c != '-' && *c != '_') {
      letters += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
  }
  return letters == "utf8";
}

namespace {

// The locale name the C library would use for LC_CTYPE: LC_ALL, then LC_CTYPE, then LANG.
std::string localeNameFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') {
      return value;
    }
  }
  return "";
}

// The codeset part of a locale name "language_TERRITORY.codeset@modifier", or "".
std::string codesetOfLocaleName(const std::string& name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) {
    return "";
  }
  return name.substr(dot + 1, name.find('@', dot) - dot - 1);
}

}  // namespace

std::string userLocaleCodeset() {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = current != nullptr ? current : "C";
  std::string codeset;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    codeset = nl_langinfo(CODESET);
  } else {
    // The locale the user asked for is not installed here. The terminal still speaks the
    // character set the user named, so that name decides.
    codeset = codesetOfLocaleName(localeNameFromEnvironment());
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  return codeset;
}

namespace {

std::unique_ptr<ConsoleLayer> utf8Layer(std::ostream& /*stream*/, std::streambuf* original) {
  return std::make_unique<GbkToUtf8StreamBuf>(original);
}

}  // namespace

bool installGbkToUtf8Conversion() {
  // The converter is made before the layers register their exit handler, so that the handler runs
  // while the converter still exists.
  if (!converter().usable()) {
    return false;
  }
  return installConsoleLayers(utf8Layer);
}

bool installConsoleEncoding() {
  if (!codesetIsUtf8(userLocaleCodeset().c_str())) {
    return false;
  }
  return installGbkToUtf8Conversion();
}
