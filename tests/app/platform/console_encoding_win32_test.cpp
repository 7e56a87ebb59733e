#include "app/platform/console_encoding_win32.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

TEST(ConsoleOutput, OnlyAConsoleInAnotherCodePageGetsUtf16) {
  struct Case {
    bool console;
    unsigned codePage;
    ConsoleOutput output;
  };
  const Case cases[] = {
      {true, 936, ConsoleOutput::gbkBytes},       {true, 65001, ConsoleOutput::wideCharacters},
      {true, 437, ConsoleOutput::wideCharacters}, {true, 0, ConsoleOutput::wideCharacters},
      {false, 936, ConsoleOutput::gbkBytes},      {false, 65001, ConsoleOutput::gbkBytes},
      {false, 0, ConsoleOutput::gbkBytes},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(consoleOutputFor(c.console, c.codePage), c.output) << c.console << " " << c.codePage;
  }
}

TEST(GbkCharacters, LeadAndTrailBytes) {
  struct Case {
    const char* bytes;
    std::size_t size, length;
  };
  const Case cases[] = {
      {"A", 1, 1},        {"\x80", 1, 1},     {"\xff", 1, 1},     {"\x81", 1, 0},
      {"\x81@", 2, 2},    {"\xfe\xfe", 2, 2}, {"\xb0\x7f", 2, 1}, {"\xb0\n", 2, 1},
      {"\xb0\xff", 2, 1}, {"\xce\xc4", 2, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gbkCharacterLength(reinterpret_cast<const unsigned char*>(c.bytes), c.size), c.length)
        << c.bytes;
  }
}

TEST(GbkToWide, ProgramTextsAndStrayBytes) {
  // 文件打开失败! / 注： with the full-width colon / 丂 (trail byte '@') / a stray lead byte
  EXPECT_EQ(gbkToWide("\xce\xc4\xbc\xfe\xb4\xf2\xbf\xaa\xca\xa7\xb0\xdc!", 13),
            L"\u6587\u4ef6\u6253\u5f00\u5931\u8d25!");
  EXPECT_EQ(gbkToWide("\xd7\xa2\xa3\xba", 4), L"\u6ce8\uff1a");
  EXPECT_EQ(gbkToWide("\x81@x", 3), L"\u4e02x");
  EXPECT_EQ(gbkToWide("a\xb0\nb\xb0", 5), L"a\ufffd\nb\ufffd");
}

// What the stream layer hands to the console, write by write.
class WideLayer : public ::testing::Test {
 protected:
  WideLayer()
      : layer_([this](const std::wstring& text) { return deliver(text); }, 1252),
        stream_(&layer_) {}
  bool deliver(const std::wstring& text) {
    delivered_ += text;
    return !failing_;
  }
  std::wstring delivered_;
  bool failing_ = false;
  GbkToWideStreamBuf layer_;
  std::ostream stream_;
};

TEST_F(WideLayer, ACharacterSplitAcrossWritesIsConvertedWhole) {
  stream_ << "\xce";
  EXPECT_EQ(delivered_, L"");
  stream_ << "\xc4\xbc" << std::flush;
  EXPECT_EQ(delivered_, L"\u6587");  // the second lead byte still waits
  stream_ << '\xfe' << 7 << std::endl;
  EXPECT_EQ(delivered_, L"\u6587\u4ef67\n");
}

TEST_F(WideLayer, UnconvertedTextIsInTheAnsiCodePageAndSettlesAPendingByte) {
  stream_ << "x\xb0";
  writeUnconverted(stream_, "caf\xe9");
  layer_.finish();
  EXPECT_EQ(delivered_, L"x\ufffdcaf\u00e9");
  stream_ << "\xb0";
  layer_.finish();
  EXPECT_EQ(delivered_, L"x\ufffdcaf\u00e9\ufffd");
}

TEST_F(WideLayer, AFailedConsoleWriteFailsTheStream) {
  failing_ = true;
  stream_ << "text" << std::flush;
  EXPECT_TRUE(stream_.bad());
}

}  // namespace
