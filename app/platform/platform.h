#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <string>

// What the console program needs from the operating system, in terms free of any system header, so
// that each platform supplies its own implementation (platform_posix.cpp on Linux and the like,
// platform_win32.cpp on Windows).
// Every text given to or written by these functions is GBK bytes, like all texts of the program.

// The names of the file choice's two filters ("text files", "all files"), in the language of the
// run: the caller's texts, so that this layer knows no text table.
struct FileChoiceTexts {
  const char* textFilesFilter;
  const char* allFilesFilter;
};

#ifndef _WIN32
// The console stand-ins of POSIX systems for the dialog and the message box, on any streams.

// The interactive choice of the SET file, in place of the open-file dialog: asks for "Select a
// text file." with the two filters on `prompt`, reads one path per line from `input` and returns
// true with the chosen path in `path`. An empty line or the end of the input is a cancel: false,
// with `path` cleared. A path that does not name an existing file is refused and asked for again;
// a name without extension that does not exist is tried with ".txt" added. A trailing carriage
// return is dropped; the length of a path is not limited.
bool chooseFileInteractively(std::string& path, const FileChoiceTexts& texts, std::istream& input,
                             std::ostream& prompt);

// A warning message with one OK button: the caption and the text, each on a line of `output`;
// when `waitForOk` is set, returns after the user ends a line on `input` (the OK button).
void showWarningBox(const char* caption, const char* text, std::istream& input,
                    std::ostream& output, bool waitForOk);
#endif

// The choice of the SET file: on Windows the open-file dialog, elsewhere the console stand-in on
// standard input and standard error. Returns false, with `path` cleared, on cancel.
bool chooseFileInteractively(std::string& path, const FileChoiceTexts& texts);

// The warning with one OK button: on Windows a message box, elsewhere the stand-in on standard
// error, waiting for Enter only when the console is interactive.
void showWarningBox(const char* caption, const char* text);

// A monotonic high-resolution counter: ticks per second and the current count. Elapsed seconds
// are (double(end) - double(start)) / double(frequency).
std::int64_t performanceFrequency();
std::int64_t performanceCounter();

// The pause at the end of a run: when the console is interactive, prompts on standard output and
// waits for one key (on Windows the command interpreter's pause); otherwise returns at once, so
// that a script never blocks.
void pauseBeforeExit();

bool standardInputIsTerminal();
// Someone reads the screen and can answer: standard input and standard output are both
// terminals (consoles on Windows). Every wait of the program (the final pause, the wait after an
// error message, the warning box) happens only then; with either one redirected the run ends
// without waiting.
bool consoleIsInteractive();

// The folder part of a path ("" for a bare name, "/" for a file in the root folder). On Windows
// both slashes separate, a drive stays with its root ("C:\\", or "C:" for "C:name"), and the path
// is read in the ANSI code page, whose double-byte characters may end in a backslash byte.
std::string directoryOf(const std::string& path);

// The path of the file `name` in the folder of `filePath`. The open-file dialog leaves the current
// directory where the user picked the file, and files beside it are then opened by their bare
// name; this gives the same file without changing the current directory, whichever way
// `filePath` was chosen.
std::string pathInSameFolder(const std::string& filePath, const std::string& name);

// Creates the file `path` and opens it for writing bytes, only where no file of that name exists,
// in one step: two processes never both get it. Null otherwise, with errno set (EEXIST where the
// name is taken).
std::FILE* createNewFile(const std::string& path);

// Renames the file `from` to `to`, replacing a file `to` in one step: a reader of `to` finds the
// old file or the new one, never none. False with errno set when the system refuses.
bool replaceFile(const std::string& from, const std::string& to);

// A whole open file mapped read-only into memory by the system: its bytes without a copy and
// without heap memory. Empty (data() null) unless the stream is a regular file that is not
// empty, positioned at its start, and the system maps it. The file must not shrink while it is
// mapped: reading a page past its new end would end the process.
class MappedFile {
 public:
  explicit MappedFile(std::FILE* file);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
#ifdef _WIN32
  void* mapping_ = nullptr;  // the file mapping object behind the view
#endif
};
