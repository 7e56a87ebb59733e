#pragma once

// Helpers of the input file reader tests: text files and streams made from strings, and a console
// stand-in for the readers' fault exit, which ends the process.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "elements/console.h"
#include "support/test_support.h"

namespace reader_test {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// An anonymous temporary file holding exactly `text` (NUL bytes included), positioned at its start.
inline FilePtr streamOf(const std::string& text) {
  FilePtr file(std::tmpfile());
  if (file) {
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::rewind(file.get());
  }
  return file;
}

// "\n" line ends turned into "\r\n".
inline std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += '\r';
    out += c;
  }
  return out;
}

// A named file in the test's temporary directory, removed again when the test ends.
class TempFile {
 public:
  TempFile(const std::string& name, const std::string& text)
      : path_(::testing::TempDir() + "floatstate_" + std::to_string(::getpid()) + "_" + name) {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

// The death-test child's console, as an interactive one whose user presses Enter: standard output
// is captured, waiting is allowed and standard input holds one line break, so the readers' wait
// returns at once even when the tests run in a terminal. At exit the
// child writes to standard error what went to standard output, where it was flushed and how many
// input characters were read, as "stdout[TEXT] flushed[AT,...] read[N]".
inline test_support::ConsoleCapture& childConsole() {
  static test_support::ConsoleCapture console("\n");
  console::allowWaiting(true);
  return console;
}

inline void reportChildConsole() {
  // Copies first: standard error is tied to standard output, so writing to it flushes the capture.
  test_support::ConsoleCapture& console = childConsole();
  const std::vector<size_t> flushes = console.flushes();
  std::string report = "stdout[" + console.output() + "] flushed[";
  for (size_t at : flushes)
    report += std::to_string(at) + ",";
  report += "] read[" + std::to_string(console.consumed()) + "]";
  std::cerr << report;
}

template <class Reader>
void runWithChildConsole(Reader reader) {
  childConsole();
  std::atexit(reportChildConsole);
  reader();
}

// `text` as a pattern that matches it literally.
inline std::string escaped(const std::string& text) {
  std::string pattern;
  for (char c : text) {
    if (std::string(".[]{}()\\*+?^$|").find(c) != std::string::npos)
      pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// A pattern that matches exactly `text`, for EXPECT_EXIT.
inline std::string exactly(const std::string& text) {
  return "^" + escaped(text) + "$";
}

// The same, where the text names the temporary file: any path to a temporary file of its name
// matches. On Windows the child of a death test runs the test again, and its temporary file is
// named after its own process.
inline std::string exactlyNaming(const std::string& text, const TempFile& file,
                                 const std::string& name) {
  std::string pattern = exactly(text);
  const std::string path = escaped(file.path());
  for (std::size_t at = pattern.find(path); at != std::string::npos; at = pattern.find(path, at)) {
    const std::string any = ".*_" + escaped(name);  // Windows' simple patterns know no "[^...]"
    pattern.replace(at, path.size(), any);
    at += any.size();
  }
  return pattern;
}

// What the child reports after writing `lines` (each with a line end and a flush), then `detail`
// on standard error (which flushes standard output once more), and waiting for one character.
inline std::string faultExitReport(std::initializer_list<std::string> lines,
                                   const std::string& detail = "") {
  std::string out;
  std::string flushes;
  for (const std::string& line : lines) {
    out += line + "\n";
    flushes += std::to_string(out.size()) + ",";
  }
  if (!detail.empty())
    flushes += std::to_string(out.size()) + ",";
  const std::string report = "stdout[" + out + "] flushed[" + flushes + "] read[1]";
  return detail.empty() ? report : "floatstate: " + detail + "\n" + report;
}

}  // namespace reader_test
