#include "app/platform/console_encoding_posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TextPair {
  const char* gbk;
  const char* utf8;
};

// The program's own texts, as GBK bytes and, independently encoded, as UTF-8 bytes.
const TextPair kProgramTexts[] = {
    // Tarnwick Oskeld 设计 2023.10.17版本
    {"Tarnwick Oskeld \xc9\xe8\xbc\xc6 2023.10.17\xb0\xe6\xb1\xbe",
     "Tarnwick Oskeld \xe8\xae\xbe\xe8\xae\xa1 2023.10.17\xe7\x89\x88\xe6\x9c\xac"},
    // 排水体积=
    {"\xc5\xc5\xcb\xae\xcc\xe5\xbb\xfd=", "\xe6\x8e\x92\xe6\xb0\xb4\xe4\xbd\x93\xe7\xa7\xaf="},
    // 开始迭代计算浮态:
    {"\xbf\xaa\xca\xbc\xb5\xfc\xb4\xfa\xbc\xc6\xcb\xe3\xb8\xa1\xcc\xac:",
     "\xe5\xbc\x80\xe5\xa7\x8b\xe8\xbf\xad\xe4\xbb\xa3\xe8\xae\xa1\xe7\xae\x97\xe6\xb5\xae\xe6\x80"
     "\x81:"},
    // 号立柱吃水=
    {"\xba\xc5\xc1\xa2\xd6\xf9\xb3\xd4\xcb\xae=",
     "\xe5\x8f\xb7\xe7\xab\x8b\xe6\x9f\xb1\xe5\x90\x83\xe6\xb0\xb4="},
    // 两点之间的距离小于1e-10 !
    {"\xc1\xbd\xb5\xe3\xd6\xae\xbc\xe4\xb5\xc4\xbe\xe0\xc0\xeb\xd0\xa1\xd3\xda"
     "1e-10 !",
     "\xe4\xb8\xa4\xe7\x82\xb9\xe4\xb9\x8b\xe9\x97\xb4\xe7\x9a\x84\xe8\xb7\x9d\xe7\xa6\xbb\xe5\xb0"
     "\x8f\xe4\xba\x8e"
     "1e-10 !"},
    // (注："距离"是指重力和浮力作用线的距离), with the full-width colon A3 BA
    {"(\xd7\xa2\xa3\xba\"\xbe\xe0\xc0\xeb\"\xca\xc7\xd6\xb8\xd6\xd8\xc1\xa6\xba\xcd\xb8\xa1\xc1\xa6"
     "\xd7\xf7\xd3\xc3\xcf\xdf\xb5\xc4\xbe\xe0\xc0\xeb)",
     "(\xe6\xb3\xa8\xef\xbc\x9a\"\xe8\xb7\x9d\xe7\xa6\xbb\"\xe6\x98\xaf\xe6\x8c\x87\xe9\x87\x8d\xe5"
     "\x8a\x9b\xe5\x92\x8c\xe6\xb5\xae\xe5\x8a\x9b\xe4\xbd\x9c\xe7\x94\xa8\xe7\xba\xbf\xe7\x9a\x84"
     "\xe8\xb7\x9d\xe7\xa6\xbb)"},
    // 文件打开失败!
    {"\xce\xc4\xbc\xfe\xb4\xf2\xbf\xaa\xca\xa7\xb0\xdc!",
     "\xe6\x96\x87\xe4\xbb\xb6\xe6\x89\x93\xe5\xbc\x80\xe5\xa4\xb1\xe8\xb4\xa5!"},
    // 丂 乗 狦 亃: trail bytes in the ASCII range ('@', '\\', 'G', 'z') belong to the character
    {"\x81@\x81\\\xaaG\x81z", "\xe4\xb8\x82\xe4\xb9\x97\xe7\x8b\xa6\xe4\xba\x83"},
};

// U+FFFD, what a byte that is no GBK character becomes.
const std::string kBad = "\xef\xbf\xbd";

// All program texts in one stream, each followed by a line break, in both encodings.
std::string allTexts(bool utf8) {
  std::string all;
  for (const TextPair& text : kProgramTexts) {
    all += utf8 ? text.utf8 : text.gbk;
    all += '\n';
  }
  return all;
}

TEST(GbkToUtf8, ProgramTextsConvertToTheirUtf8Form) {
  for (const TextPair& text : kProgramTexts) {
    EXPECT_EQ(gbkToUtf8(text.gbk), text.utf8) << text.utf8;
  }
}

TEST(GbkToUtf8, AsciiPassesUnchangedAndInOrder) {
  std::string ascii;
  for (int c = 0; c < 0x80; ++c) {
    ascii += static_cast<char>(c);
  }
  EXPECT_EQ(gbkToUtf8(ascii), ascii);
  EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(GbkToUtf8, BytesThatAreNoCharacterBecomeReplacementsAndAsciiSurvives) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xff", kBad},  // never a GBK byte
      {"a\xffz", "a" + kBad + "z"},
      {"\xb0\n", kBad + "\n"},      // lead byte cut off by a line break
      {"x\xb0", "x" + kBad},        // lead byte at the end of the text
      {"\x81/", kBad + "/"},        // '/' can't be a trail byte
      {"\xb0\x7f", kBad + "\x7f"},  // 0x7F can't be a trail byte
      {"\xb0\xff", kBad + kBad},
      {"\xa1G", kBad + "G"},                            // well formed but unassigned, ASCII trail
      {"\xa2\xa0", kBad},                               // well formed but unassigned
      {"\xb0\xb0\xa1", "\xe9\x9e\x8d" + kBad},          // 鞍, then a lone lead byte
      {"\xb0\xb0\xa1\xa1", "\xe9\x9e\x8d\xe3\x80\x80"}  // 鞍 and the ideographic space
  };
  for (const auto& [gbk, utf8] : cases) {
    EXPECT_EQ(gbkToUtf8(gbk), utf8) << "input of " << gbk.size() << " bytes";
  }
}

TEST(GbkToUtf8, Byte80IsTheEuroSignOfCodePage936) {
  EXPECT_EQ(gbkToUtf8("5\x80"), "5\xe2\x82\xac");
}

// Writes `first`, flushes, writes `second`, and returns what reached the target.
std::string throughLayer(const std::string& first, const std::string& second,
                         std::string* afterFirst = nullptr) {
  std::stringbuf target;
  GbkToUtf8StreamBuf layer(&target);
  std::ostream out(&layer);
  out.write(first.data(), static_cast<std::streamsize>(first.size()));
  out.flush();
  if (afterFirst != nullptr) {
    *afterFirst = target.str();
  }
  out.write(second.data(), static_cast<std::streamsize>(second.size()));
  out.flush();
  layer.finish();
  EXPECT_TRUE(out.good());
  return target.str();
}

// The length of the longest prefix of valid GBK `text` that ends on a character boundary and is
// no longer than `limit`.
std::size_t wholeCharacters(const std::string& text, std::size_t limit) {
  std::size_t end = 0;
  while (end < limit) {
    const std::size_t next = end + (static_cast<unsigned char>(text[end]) >= 0x81 ? 2 : 1);
    if (next > limit) {
      break;
    }
    end = next;
  }
  return end;
}

TEST(GbkToUtf8StreamBuf, TextSplitAtAnyByteIsConvertedWhole) {
  const std::string gbk = allTexts(false);
  const std::string utf8 = allTexts(true);
  for (std::size_t split = 0; split <= gbk.size(); ++split) {
    std::string afterFirst;
    ASSERT_EQ(throughLayer(gbk.substr(0, split), gbk.substr(split), &afterFirst), utf8)
        << "split at " << split;
    // The flush after the first part delivered its whole characters and held back half of one.
    ASSERT_EQ(afterFirst, gbkToUtf8(gbk.substr(0, wholeCharacters(gbk, split))))
        << "split at " << split;
  }
}

TEST(GbkToUtf8StreamBuf, SingleBytesWithAFlushAfterEachAreConvertedWhole) {
  const std::string gbk = allTexts(false);
  std::stringbuf target;
  GbkToUtf8StreamBuf layer(&target);
  std::ostream out(&layer);
  out << std::unitbuf;  // a flush after every byte, as on std::cerr
  for (char byte : gbk) {
    out.put(byte);
  }
  EXPECT_EQ(target.str(), allTexts(true));
}

TEST(GbkToUtf8StreamBuf, NumbersAndTextsInterleaveInOrder) {
  std::stringbuf target;
  GbkToUtf8StreamBuf layer(&target);
  std::ostream out(&layer);
  out << kProgramTexts[1].gbk << 1234.5678 << std::endl;
  out << 2 << kProgramTexts[3].gbk << -0.25 << std::endl;
  EXPECT_EQ(target.str(),
            std::string(kProgramTexts[1].utf8) + "1234.57\n2" + kProgramTexts[3].utf8 + "-0.25\n");
}

TEST(GbkToUtf8StreamBuf, PendingLeadByteIsSettledOnlyWhenTheLayerEnds) {
  std::stringbuf target;
  {
    GbkToUtf8StreamBuf layer(&target);
    std::ostream out(&layer);
    out << "ok\xb0" << std::flush;
    EXPECT_EQ(target.str(), "ok");  // half a character is held back, even by a flush
  }
  EXPECT_EQ(target.str(), "ok" + kBad);  // the layer's end settles it
}

TEST(GbkToUtf8StreamBuf, UnconvertedTextBypassesTheConversion) {
  const std::string utf8Path = "/home/\xe6\xb5\xae/body.txt";  // a UTF-8 name, as typed
  std::stringbuf target;
  GbkToUtf8StreamBuf layer(&target);
  std::ostream out(&layer);
  out << kProgramTexts[6].gbk << ' ';
  writeUnconverted(out, utf8Path);
  out << "\xb0";
  writeUnconverted(out, "!");  // settles the lead byte before the raw text
  EXPECT_EQ(target.str(), std::string(kProgramTexts[6].utf8) + " " + utf8Path + kBad + "!");

  std::ostringstream plain;
  writeUnconverted(plain, utf8Path);
  EXPECT_EQ(plain.str(), utf8Path);
}

TEST(ConsoleCodeset, Utf8IsRecognisedInEverySpelling) {
  for (const char* name : {"UTF-8", "utf-8", "UTF8", "utf8", "Utf_8"}) {
    EXPECT_TRUE(codesetIsUtf8(name)) << name;
  }
  for (const char* name : {"ANSI_X3.4-1968", "GBK", "GB18030", "ISO-8859-1", "UTF-16", ""}) {
    EXPECT_FALSE(codesetIsUtf8(name)) << name;
  }
  EXPECT_FALSE(codesetIsUtf8(nullptr));
}

// Sets the locale variables for one test and puts them back afterwards.
class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = getenv(name);
      saved_.emplace_back(value != nullptr, value != nullptr ? value : "");
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].first) {
        setenv(kNames[i], saved_[i].second.c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::vector<std::pair<bool, std::string>> saved_;
};

TEST_F(LocaleEnvironment, CodesetFollowsTheUserLocaleAndLeavesTheProcessLocaleAlone) {
  const std::string ctypeBefore = setlocale(LC_CTYPE, nullptr);
  const std::string numericBefore = setlocale(LC_NUMERIC, nullptr);

  EXPECT_FALSE(codesetIsUtf8(userLocaleCodeset().c_str()));  // nothing set: the C locale
  setenv("LANG", "C", 1);
  EXPECT_FALSE(codesetIsUtf8(userLocaleCodeset().c_str()));
  setenv("LANG", "C.UTF-8", 1);
  EXPECT_TRUE(codesetIsUtf8(userLocaleCodeset().c_str()));
  setenv("LC_CTYPE", "C", 1);  // LC_CTYPE before LANG
  EXPECT_FALSE(codesetIsUtf8(userLocaleCodeset().c_str()));
  setenv("LC_ALL", "C.UTF-8", 1);  // LC_ALL before both
  EXPECT_TRUE(codesetIsUtf8(userLocaleCodeset().c_str()));

  EXPECT_EQ(setlocale(LC_CTYPE, nullptr), ctypeBefore);
  EXPECT_EQ(setlocale(LC_NUMERIC, nullptr), numericBefore);
}

TEST_F(LocaleEnvironment, AUtf8LocaleThatIsNotInstalledStillMeansUtf8) {
  setenv("LANG", "xx_YY.UTF-8@none", 1);
  EXPECT_TRUE(codesetIsUtf8(userLocaleCodeset().c_str()));
  setenv("LANG", "xx_YY.GBK", 1);
  EXPECT_FALSE(codesetIsUtf8(userLocaleCodeset().c_str()));
}

// Points the three standard streams at string buffers for one test.
class StandardStreams : public LocaleEnvironment {
 protected:
  void SetUp() override {
    LocaleEnvironment::SetUp();
    originals_[0] = std::cout.rdbuf(&out_);
    originals_[1] = std::cerr.rdbuf(&err_);
    originals_[2] = std::clog.rdbuf(&log_);
  }
  void TearDown() override {
    uninstallConsoleEncoding();
    std::cout.rdbuf(originals_[0]);
    std::cerr.rdbuf(originals_[1]);
    std::clog.rdbuf(originals_[2]);
    LocaleEnvironment::TearDown();
  }
  std::stringbuf out_, err_, log_;
  std::streambuf* originals_[3] = {};
};

TEST_F(StandardStreams, LangCGivesTheExactGbkBytes) {
  setenv("LANG", "C", 1);
  EXPECT_FALSE(installConsoleEncoding());
  EXPECT_FALSE(consoleEncodingInstalled());
  EXPECT_EQ(std::cout.rdbuf(), &out_);
  std::cout << allTexts(false) << std::flush;
  std::cerr << kProgramTexts[6].gbk;
  EXPECT_EQ(out_.str(), allTexts(false));
  EXPECT_EQ(err_.str(), kProgramTexts[6].gbk);
}

TEST_F(StandardStreams, Utf8LocaleConvertsEveryStandardStream) {
  setenv("LANG", "C.UTF-8", 1);
  ASSERT_TRUE(installConsoleEncoding());
  EXPECT_TRUE(installGbkToUtf8Conversion());  // a second install must not wrap twice
  std::cout << kProgramTexts[1].gbk << 7 << std::endl;
  std::cerr << kProgramTexts[6].gbk;
  std::clog << kProgramTexts[4].gbk << std::flush;
  EXPECT_EQ(out_.str(), std::string(kProgramTexts[1].utf8) + "7\n");
  EXPECT_EQ(err_.str(), kProgramTexts[6].utf8);
  EXPECT_EQ(log_.str(), kProgramTexts[4].utf8);
}

TEST_F(StandardStreams, UninstallSettlesTheLayerAndRestoresTheBuffers) {
  ASSERT_TRUE(installGbkToUtf8Conversion());
  EXPECT_NE(std::cout.rdbuf(), &out_);
  std::cout << "a\xb0";
  uninstallConsoleEncoding();
  EXPECT_FALSE(consoleEncodingInstalled());
  EXPECT_EQ(std::cout.rdbuf(), &out_);
  EXPECT_EQ(std::cerr.rdbuf(), &err_);
  EXPECT_EQ(std::clog.rdbuf(), &log_);
  EXPECT_EQ(out_.str(), "a" + kBad);
  std::cout << kProgramTexts[1].gbk;  // unconverted again
  EXPECT_EQ(out_.str(), "a" + kBad + kProgramTexts[1].gbk);
}

// A process that installs the layer and ends through std::exit with output still unflushed must
// deliver that output converted, and must not touch the layer after it is gone.
TEST(ConsoleEncodingAtExit, OutputLeftInTheStreamsIsConvertedAndDelivered) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    installGbkToUtf8Conversion();
    std::cout << kProgramTexts[3].gbk << 3 << "\xb0";  // no flush, and half a character
    std::exit(0);
  }
  close(pipeEnds[1]);
  std::string received;
  char chunk[256];
  for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
    received.append(chunk, static_cast<std::size_t>(n));
  }
  close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(received, std::string(kProgramTexts[3].utf8) + "3" + kBad);
}

}  // namespace
