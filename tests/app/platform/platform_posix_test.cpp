#include "app/platform/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// 文本文件(*.txt) and 所有文件(*.*)
const char kTextFilesFilter[] = "\xce\xc4\xb1\xbe\xce\xc4\xbc\xfe(*.txt)";
const char kAllFilesFilter[] = "\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe(*.*)";

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// A scratch folder with a few files for the file selection.
class FileSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "floatstate_platform_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    for (const char* name : {"body.set", "hull.txt", "plain", "plain.txt", "notes.set.txt",
                             "dir.d/deck.txt", ".hidden.txt"}) {
      touch(dir_ + "/" + name);
    }
    fs::create_directory(dir_ + "/sub");
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x\n";
  }

  // Runs the selection on `typed` and keeps what it wrote.
  bool choose(const std::string& typed) {
    std::istringstream input(typed);
    std::ostringstream prompt;
    path_ = "stale";
    const bool chosen =
        chooseFileInteractively(path_, {kTextFilesFilter, kAllFilesFilter}, input, prompt);
    prompt_ = prompt.str();
    rest_.clear();
    std::getline(input, rest_, '\0');
    return chosen;
  }

  std::string dir_, path_, prompt_, rest_;
};

TEST_F(FileSelection, AnExistingFileIsTakenAsTyped) {
  ASSERT_TRUE(choose(dir_ + "/body.set\nnext\n"));
  EXPECT_EQ(path_, dir_ + "/body.set");
  EXPECT_EQ(rest_, "next\n");  // one line read, no more
  EXPECT_EQ(prompt_.find("Select a text file.\n"), 0u);
  EXPECT_NE(prompt_.find(kTextFilesFilter), std::string::npos);
  EXPECT_NE(prompt_.find(kAllFilesFilter), std::string::npos);
  EXPECT_EQ(occurrences(prompt_, "File name: "), 1u);
}

TEST_F(FileSelection, EmptyLineOrEndOfInputCancels) {
  for (const char* typed : {"\n", "\r\n", "", "\nlater.txt\n"}) {
    EXPECT_FALSE(choose(typed)) << typed;
    EXPECT_EQ(path_, "");
  }
  EXPECT_EQ(rest_, "later.txt\n");
}

TEST_F(FileSelection, MissingFileOrFolderIsRefusedAndAskedAgain) {
  ASSERT_TRUE(choose(dir_ + "/missing.set\n" + dir_ + "/sub\n" + dir_ + "/hull.txt\n"));
  EXPECT_EQ(path_, dir_ + "/hull.txt");
  EXPECT_EQ(occurrences(prompt_, "File name: "), 3u);
  EXPECT_NE(prompt_.find(dir_ + "/missing.set\nFile not found."), std::string::npos);
  EXPECT_NE(prompt_.find(dir_ + "/sub\nThis is a folder."), std::string::npos);
  EXPECT_EQ(occurrences(prompt_, "Select a text file."), 1u);

  EXPECT_FALSE(choose(dir_ + "/missing.set\n"));  // refused, then the input ends
  EXPECT_EQ(path_, "");
}

TEST_F(FileSelection, NameWithoutExtensionIsTriedWithTxt) {
  ASSERT_TRUE(choose(dir_ + "/hull\n"));
  EXPECT_EQ(path_, dir_ + "/hull.txt");
  ASSERT_TRUE(choose(dir_ + "/dir.d/deck\n"));  // the dot of the folder is no extension
  EXPECT_EQ(path_, dir_ + "/dir.d/deck.txt");
  ASSERT_TRUE(choose(dir_ + "/.hidden\n"));  // nor is the leading dot of a hidden name
  EXPECT_EQ(path_, dir_ + "/.hidden.txt");
  ASSERT_TRUE(choose(dir_ + "/plain\n"));  // an existing name is taken as it is
  EXPECT_EQ(path_, dir_ + "/plain");
  EXPECT_FALSE(choose(dir_ + "/notes.set\n"));  // a name with an extension is not extended
  EXPECT_NE(prompt_.find("File not found."), std::string::npos);
  EXPECT_FALSE(choose(dir_ + "/body\n"));  // neither body nor body.txt exists
}

TEST_F(FileSelection, TrailingCarriageReturnIsDropped) {
  ASSERT_TRUE(choose(dir_ + "/body.set\r\n"));
  EXPECT_EQ(path_, dir_ + "/body.set");
}

TEST_F(FileSelection, PathsLongerThan260CharactersWork) {
  std::string path = dir_;
  for (char c : {'a', 'b', 'c'}) {
    path += "/" + std::string(120, c);
  }
  path += "/body.set";
  touch(path);
  ASSERT_GT(path.size(), 380u);
  ASSERT_TRUE(choose(path + "\n"));
  EXPECT_EQ(path_, path);
}

TEST(WarningBox, ShowsCaptionAndTextAndWaitsForOneLineWhenAsked) {
  const char text[] = "\xce\xc4\xbc\xfe\xb4\xf2\xbf\xaa\xca\xa7\xb0\xdc!";  // 文件打开失败!
  std::istringstream input("\nnext\n");
  std::ostringstream output;
  showWarningBox("Warning!", text, input, output, true);
  EXPECT_EQ(output.str().find(std::string("Warning!\n") + text + "\n"), 0u);
  std::string rest;
  std::getline(input, rest);
  EXPECT_EQ(rest, "next");

  std::istringstream untouched("\nnext\n");
  std::ostringstream quiet;
  showWarningBox("Warning!", text, untouched, quiet, false);
  EXPECT_EQ(quiet.str(), std::string("Warning!\n") + text + "\n");
  EXPECT_EQ(static_cast<std::streamoff>(untouched.tellg()), 0);
}

TEST(PerformanceCounter, MeasuresElapsedSeconds) {
  const std::int64_t frequency = performanceFrequency();
  ASSERT_GE(frequency, 1000);
  const std::int64_t start = performanceCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::int64_t end = performanceCounter();
  const double seconds =
      (static_cast<double>(end) - static_cast<double>(start)) / static_cast<double>(frequency);
  EXPECT_GE(seconds, 0.029);
  EXPECT_LT(seconds, 5.0);
}

TEST(Paths, FolderOfAFileAndFilesBesideIt) {
  EXPECT_EQ(directoryOf("/data/barge/barge.set"), "/data/barge");
  EXPECT_EQ(directoryOf("barge/barge.set"), "barge");
  EXPECT_EQ(directoryOf("barge//barge.set"), "barge");
  EXPECT_EQ(directoryOf("barge.set"), "");
  EXPECT_EQ(directoryOf("/barge.set"), "/");
  EXPECT_EQ(directoryOf("//barge.set"), "/");

  EXPECT_EQ(pathInSameFolder("/data/barge/barge.set", "FourPillars.txt"),
            "/data/barge/FourPillars.txt");
  EXPECT_EQ(pathInSameFolder("../spar.d/spar", "FourPillars.txt"), "../spar.d/FourPillars.txt");
  EXPECT_EQ(pathInSameFolder("barge.set", "FourPillars.txt"), "FourPillars.txt");
  EXPECT_EQ(pathInSameFolder("/barge.set", "FourPillars.txt"), "/FourPillars.txt");
}

// Puts another file descriptor in place of standard input for one test, and standard output
// into a string.
class StandardInput : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInput_ = dup(STDIN_FILENO);
    ASSERT_GE(savedInput_, 0);
    savedOutputFd_ = dup(STDOUT_FILENO);
    ASSERT_GE(savedOutputFd_, 0);
    savedOutput_ = std::cout.rdbuf(&out_);
  }
  void TearDown() override {
    std::cout.rdbuf(savedOutput_);
    dup2(savedInput_, STDIN_FILENO);
    close(savedInput_);
    std::fflush(stdout);
    dup2(savedOutputFd_, STDOUT_FILENO);
    close(savedOutputFd_);
  }
  void replaceInput(int fd) { ASSERT_EQ(dup2(fd, STDIN_FILENO), STDIN_FILENO); }
  // Only what the descriptor is matters (a terminal or not); the text still goes to out_.
  void replaceOutput(int fd) { ASSERT_EQ(dup2(fd, STDOUT_FILENO), STDOUT_FILENO); }

  int savedInput_ = -1;
  int savedOutputFd_ = -1;
  std::streambuf* savedOutput_ = nullptr;
  std::stringbuf out_;
};

TEST_F(StandardInput, PauseReturnsAtOnceWithoutATerminal) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  replaceInput(ends[0]);
  EXPECT_FALSE(standardInputIsTerminal());
  pauseBeforeExit();  // the pipe stays open and empty: a wait would block here
  EXPECT_EQ(out_.str(), "");
  close(ends[0]);
  close(ends[1]);
}

// `floatstate x.txt > out.txt` typed in a terminal: nobody sees a prompt in the file, so the run
// must end without waiting although standard input is a terminal.
TEST_F(StandardInput, PauseReturnsAtOnceWhenOutputIsRedirected) {
  int master = -1, terminal = -1;
  ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  replaceInput(terminal);
  replaceOutput(ends[1]);
  EXPECT_TRUE(standardInputIsTerminal());
  EXPECT_FALSE(consoleIsInteractive());
  pauseBeforeExit();  // nothing is ever typed: a wait would block here
  EXPECT_EQ(out_.str(), "");
  for (int fd : {master, terminal, ends[0], ends[1]})
    close(fd);
}

TEST_F(StandardInput, PauseOnATerminalWaitsForOneKeyWithoutEcho) {
  int master = -1, terminal = -1;
  ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
  replaceInput(terminal);
  replaceOutput(terminal);
  ASSERT_TRUE(consoleIsInteractive());
  termios before{};
  ASSERT_EQ(tcgetattr(STDIN_FILENO, &before), 0);

  // One key, no Enter, after a while; an Enter much later only so that a wrong wait can't hang.
  std::atomic<bool> returned{false};
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(write(master, "k", 1), 1);
    for (int i = 0; i < 300 && !returned; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!returned) {
      ASSERT_EQ(write(master, "\n", 1), 1);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  pauseBeforeExit();
  const auto waited = std::chrono::steady_clock::now() - start;
  returned = true;
  typist.join();

  EXPECT_GE(waited, std::chrono::milliseconds(90));
  EXPECT_LT(waited, std::chrono::milliseconds(2000)) << "waited for Enter, not for one key";
  EXPECT_EQ(out_.str(), "Press any key to continue . . . \n");
  termios after{};
  ASSERT_EQ(tcgetattr(STDIN_FILENO, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag);  // canonical input and echo are back
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  char echoed[16];
  EXPECT_LE(read(master, echoed, sizeof echoed), 0) << "the key was echoed";
  close(master);
  close(terminal);
}

}  // namespace
