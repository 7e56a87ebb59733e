// The platform layer on POSIX systems: a prompt on the console in place of the open-file dialog
// and the message box, the steady clock as the performance counter, and a key read from the
// terminal in place of the command interpreter's pause.

#include "app/platform/platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <iostream>
#include <limits>

#include "app/platform/console_encoding.h"
#include "elements/console.h"

namespace {

const char kTitle[] = "Select a text file.";
const char kDefaultExtension[] = ".txt";

enum class PathKind { missing, folder, file };

PathKind kindOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return PathKind::missing;
  }
  return S_ISDIR(info.st_mode) ? PathKind::folder : PathKind::file;
}

// A name has an extension when its last component holds a dot after its first character.
bool hasExtension(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
  const std::size_t dot = path.find_last_of('.');
  return dot != std::string::npos && dot > nameStart;
}

void refuse(const std::string& typed, const char* reason, std::ostream& prompt) {
  writeUnconverted(prompt, typed);
  prompt << '\n' << reason << std::endl;
}

// Resolves one typed line as the dialog would: an existing file is taken as it is, a missing name
// without extension gets the default extension, anything else is refused with a message.
bool resolveTypedPath(const std::string& typed, std::string& path, std::ostream& prompt) {
  PathKind kind = kindOf(typed);
  std::string candidate = typed;
  if (kind == PathKind::missing && !hasExtension(typed)) {
    candidate = typed + kDefaultExtension;
    kind = kindOf(candidate);
  }
  if (kind == PathKind::file) {
    path = candidate;
    return true;
  }
  if (kind == PathKind::folder) {
    refuse(typed, "This is a folder. Choose a file in it.", prompt);
  } else {
    refuse(typed, "File not found.\nCheck the file name and try again.", prompt);
  }
  return false;
}

void writeDialogHeader(const FileChoiceTexts& t, std::ostream& prompt) {
  prompt << kTitle << '\n' << t.textFilesFilter << " | " << t.allFilesFilter << std::endl;
}

// Waits for one key on the terminal `fd`: canonical input and echo are switched off for the one
// read and restored afterwards. One read takes a whole key sequence (an arrow key sends several
// bytes), so nothing of it is left over for the shell.
void waitForOneKey(int fd) {
  termios saved{};
  const bool haveAttributes = tcgetattr(fd, &saved) == 0;
  if (haveAttributes) {
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &raw);
  }
  char keys[16];
  while (read(fd, keys, sizeof keys) < 0 && errno == EINTR) {
  }
  if (haveAttributes) {
    tcsetattr(fd, TCSANOW, &saved);
  }
}

}  // namespace

bool chooseFileInteractively(std::string& path, const FileChoiceTexts& texts, std::istream& input,
                             std::ostream& prompt) {
  path.clear();
  writeDialogHeader(texts, prompt);
  std::string line;
  for (;;) {
    prompt << "File name: " << std::flush;
    if (!std::getline(input, line)) {
      prompt << std::endl;  // end of input: the cancel leaves the prompt line finished
      return false;
    }
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty()) {
      return false;
    }
    if (resolveTypedPath(line, path, prompt)) {
      return true;
    }
  }
}

bool chooseFileInteractively(std::string& path, const FileChoiceTexts& texts) {
  return chooseFileInteractively(path, texts, std::cin, std::cerr);
}

void showWarningBox(const char* caption, const char* text, std::istream& input,
                    std::ostream& output, bool waitForOk) {
  output << caption << '\n' << text << std::endl;
  if (waitForOk) {
    output << "Press Enter for OK." << std::flush;
    input.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
}

void showWarningBox(const char* caption, const char* text) {
  showWarningBox(caption, text, std::cin, std::cerr, consoleIsInteractive());
}

namespace {
using Clock = std::chrono::steady_clock;
static_assert(Clock::period::num == 1, "the counter's ticks must be whole fractions of a second");
}  // namespace

std::int64_t performanceFrequency() {
  return static_cast<std::int64_t>(Clock::period::den);
}

std::int64_t performanceCounter() {
  return static_cast<std::int64_t>(Clock::now().time_since_epoch().count());
}

void pauseBeforeExit() {
  if (!consoleIsInteractive()) {
    return;
  }
  std::cout << "Press any key to continue . . . " << std::flush;
  waitForOneKey(STDIN_FILENO);
  std::cout << std::endl;
}

bool standardInputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

bool consoleIsInteractive() {
  return standardInputIsTerminal() && isatty(STDOUT_FILENO) != 0;
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return "";
  }
  const std::size_t end = path.find_last_not_of('/', slash);
  return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

std::string pathInSameFolder(const std::string& filePath, const std::string& name) {
  const std::string folder = directoryOf(filePath);
  if (folder.empty()) {
    return name;
  }
  return folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::FILE* createNewFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0)
    return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    unlink(path.c_str());
    errno = error;
  }
  return file;
}

bool replaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

MappedFile::MappedFile(std::FILE* file) {
  const int fd = file != nullptr ? fileno(file) : -1;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
      std::ftell(file) != 0) {
    return;
  }
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // the pages are all read: one request instead of a fault per page
#endif
  void* data = mmap(nullptr, size, PROT_READ, flags, fd, 0);
  if (data == MAP_FAILED)
    return;
  data_ = static_cast<const char*>(data);
  size_ = size;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr)
    munmap(const_cast<char*>(data_), size_);
}
