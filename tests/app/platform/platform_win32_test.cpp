#include "app/platform/platform_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

#include "app/platform/platform.h"

namespace {

TEST(WaitDecision, OnlyAConsoleOnBothSidesWaits) {
  struct Case {
    DWORD inputType;
    bool inputConsole, outputConsole, waits;
  };
  const Case cases[] = {
      {FILE_TYPE_CHAR, true, true, true},        // a console window
      {FILE_TYPE_CHAR, true, false, false},      // output redirected to a file or a pipe
      {FILE_TYPE_CHAR, false, true, false},      // input from the NUL device
      {FILE_TYPE_PIPE, false, true, false},      // input from a pipe, also a terminal emulator's
      {FILE_TYPE_DISK, false, true, false},      // input from a file
      {FILE_TYPE_UNKNOWN, false, false, false},  // no standard handles at all
  };
  for (const Case& c : cases) {
    EXPECT_EQ(waitsForTheUser(c.inputType, c.inputConsole, c.outputConsole), c.waits)
        << c.inputType << c.inputConsole << c.outputConsole;
  }
}

// The real decision, on an empty pipe that stays open: a pause that waited would block here.
TEST(WaitDecision, APipeOnStandardInputMakesThePauseReturnAtOnce) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  const HANDLE savedInput = GetStdHandle(STD_INPUT_HANDLE);
  ASSERT_TRUE(SetStdHandle(STD_INPUT_HANDLE, readEnd));
  std::ostringstream out;
  std::streambuf* const savedOutput = std::cout.rdbuf(out.rdbuf());
  const bool terminal = standardInputIsTerminal();
  const bool interactive = consoleIsInteractive();
  pauseBeforeExit();
  std::cout.rdbuf(savedOutput);
  SetStdHandle(STD_INPUT_HANDLE, savedInput);
  CloseHandle(readEnd);
  CloseHandle(writeEnd);
  EXPECT_FALSE(terminal);
  EXPECT_FALSE(interactive);
  EXPECT_EQ(out.str(), "");
}

TEST(PerformanceCounter, RunsForwardAtItsFrequency) {
  const std::int64_t frequency = performanceFrequency();
  ASSERT_GE(frequency, 1000);
  std::int64_t previous = performanceCounter();
  for (int i = 0; i < 10000; ++i) {
    const std::int64_t now = performanceCounter();
    ASSERT_GE(now, previous);
    previous = now;
  }
  const std::int64_t start = performanceCounter();
  Sleep(30);
  const std::int64_t end = performanceCounter();
  const double seconds =
      (static_cast<double>(end) - static_cast<double>(start)) / static_cast<double>(frequency);
  EXPECT_GE(seconds, 0.029);
  EXPECT_LT(seconds, 5.0);
}

struct PathCase {
  const char* path;
  unsigned codePage;
  const char* folder;
  const char* pillars;  // FourPillars.txt in the same folder
};

// In code page 936, 0x81 0x5C is one character whose trail byte is a backslash byte.
const PathCase kPaths[] = {
    {"C:\\data\\barge.set", 1252, "C:\\data", "C:\\data\\FourPillars.txt"},
    {"C:/data/barge.set", 1252, "C:/data", "C:/data/FourPillars.txt"},
    {"data\\\\barge.set", 1252, "data", "data\\\\FourPillars.txt"},
    {"C:\\barge.set", 1252, "C:\\", "C:\\FourPillars.txt"},
    {"C:barge.set", 1252, "C:", "C:FourPillars.txt"},
    {"\\barge.set", 1252, "\\", "\\FourPillars.txt"},
    {"barge.set", 1252, "", "FourPillars.txt"},
    {"\\\\server\\share\\barge.set", 1252, "\\\\server\\share",
     "\\\\server\\share\\FourPillars.txt"},
    {"\xd6\xd8\x81\x5c\\b.set", 936, "\xd6\xd8\x81\x5c", "\xd6\xd8\x81\x5c\\FourPillars.txt"},
    {"\x81\x5c"
     "b.set",
     936, "", "FourPillars.txt"},
    {"\x81\x5c"
     "b.set",
     1252, "\x81", "\x81\\FourPillars.txt"},
};

TEST(Paths, FolderOfAFileAndFilesBesideIt) {
  for (const PathCase& c : kPaths) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(directoryInCodePage(c.path, c.codePage), c.folder);
    EXPECT_EQ(pathInSameFolderInCodePage(c.path, "FourPillars.txt", c.codePage), c.pillars);
  }
}

}  // namespace
