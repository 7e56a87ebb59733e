// The platform layer on Windows: the common open-file dialog, a message box, the performance
// counter and the command interpreter's pause.

#include "app/platform/platform_win32.h"

#include <windows.h>

#include <commdlg.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "app/platform/platform.h"
#include "elements/console.h"

namespace {

const char kTitle[] = "Select a text file.";
const char kDefaultExtension[] = "txt";

// The dialog's two filters, a name and a pattern each, every string ended by a zero and the list
// by one more (the one std::string adds).
std::string dialogFilter(const FileChoiceTexts& t) {
  std::string filter = t.textFilesFilter;
  filter += '\0';
  filter += "*.txt";
  filter += '\0';
  filter += t.allFilesFilter;
  filter += '\0';
  filter += "*.*";
  filter += '\0';
  return filter;
}

bool isSeparator(unsigned char c) {
  return c == '\\' || c == '/';
}

// The length of a drive prefix "C:" (2), or 0.
std::size_t driveLength(const std::string& path) {
  const bool letter = path.size() >= 2 &&
                      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path[1] == ':' ? 2 : 0;
}

// Where the last run of separators starts and ends. The path is walked character by character:
// in a double-byte code page the trail byte of a character may be 0x5C, which is no separator.
struct SeparatorRun {
  std::size_t start = std::string::npos;
  std::size_t end = std::string::npos;
};

SeparatorRun lastSeparatorRun(const std::string& path, unsigned codePage) {
  SeparatorRun run;
  bool inRun = false;
  for (std::size_t i = 0; i < path.size();) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (isSeparator(c)) {
      if (!inRun) {
        run.start = i;
      }
      inRun = true;
      run.end = ++i;
      continue;
    }
    inRun = false;
    const bool pair = i + 1 < path.size() && IsDBCSLeadByteEx(codePage, c);
    i += pair ? 2 : 1;
  }
  return run;
}

bool isConsole(DWORD standardHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

}  // namespace

bool waitsForTheUser(unsigned long inputFileType, bool inputIsConsole, bool outputIsConsole) {
  return inputFileType == FILE_TYPE_CHAR && inputIsConsole && outputIsConsole;
}

std::string directoryInCodePage(const std::string& path, unsigned codePage) {
  const std::size_t drive = driveLength(path);
  const SeparatorRun run = lastSeparatorRun(path, codePage);
  if (run.start == std::string::npos) {
    return path.substr(0, drive);  // "C:name" -> "C:", "name" -> ""
  }
  if (run.start == drive) {
    return path.substr(0, drive + 1);  // the root folder: "\" or "C:\"
  }
  return path.substr(0, run.start);
}

std::string pathInSameFolderInCodePage(const std::string& filePath, const std::string& name,
                                       unsigned codePage) {
  const SeparatorRun run = lastSeparatorRun(filePath, codePage);
  const std::size_t folderEnd = run.end != std::string::npos ? run.end : driveLength(filePath);
  return filePath.substr(0, folderEnd) + name;
}

bool chooseFileInteractively(std::string& path, const FileChoiceTexts& texts) {
  // The dialog writes the chosen path, in the ANSI code page, into a buffer of the system's path
  // limit; it starts empty, so that no name is proposed.
  char chosen[MAX_PATH] = {};
  const std::string filter = dialogFilter(texts);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = kTitle;
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = kDefaultExtension;
  if (!GetOpenFileNameA(&dialog)) {
    path.clear();
    return false;
  }
  path = chosen;
  return true;
}

void showWarningBox(const char* caption, const char* text) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

std::int64_t performanceFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

std::int64_t performanceCounter() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

void pauseBeforeExit() {
  if (!consoleIsInteractive()) {
    return;
  }
  // The command interpreter's own pause: its prompt, in the user's language, and the wait for one
  // key on the console.
  std::cout.flush();
  std::system("pause");
}

bool standardInputIsTerminal() {
  return isConsole(STD_INPUT_HANDLE);
}

bool consoleIsInteractive() {
  return waitsForTheUser(GetFileType(GetStdHandle(STD_INPUT_HANDLE)), isConsole(STD_INPUT_HANDLE),
                         isConsole(STD_OUTPUT_HANDLE));
}

std::string directoryOf(const std::string& path) {
  return directoryInCodePage(path, CP_ACP);
}

std::string pathInSameFolder(const std::string& filePath, const std::string& name) {
  return pathInSameFolderInCodePage(filePath, name, CP_ACP);
}

std::FILE* createNewFile(const std::string& path) {
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0)
    return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    _close(fd);
    _unlink(path.c_str());
    errno = error;
  }
  return file;
}

namespace {

// The path, given in the ANSI code page as every path of the program, in UTF-16.
std::wstring widePath(const std::string& path) {
  const int size = static_cast<int>(path.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, &wide[0], length);
  return wide;
}

}  // namespace

bool replaceFile(const std::string& from, const std::string& to) {
  // rename() of the C runtime refuses an existing target; removing the old file first would
  // leave a moment without one. MoveFileExW replaces it in one step. The system refuses while
  // another program (or another run writing the same report) has the old file open: such a
  // reader holds it for moments only, so the move is tried again for up to two seconds.
  const std::wstring source = widePath(from), target = widePath(to);
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (MoveFileExW(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
      break;
    Sleep(10);
  }
  errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
          : error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ENOENT
          : error == ERROR_DISK_FULL                                       ? ENOSPC
                                                                           : EIO;
  return false;
}

MappedFile::MappedFile(std::FILE* file) {
  const int fd = file != nullptr ? _fileno(file) : -1;
  if (fd < 0 || std::ftell(file) != 0)
    return;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  LARGE_INTEGER size;
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileSizeEx(handle, &size) || size.QuadPart <= 0 ||
      static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    return;
  }
  const HANDLE mapping = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr)
    return;
  const void* data = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (data == nullptr) {
    CloseHandle(mapping);
    return;
  }
  data_ = static_cast<const char*>(data);
  size_ = static_cast<std::size_t>(size.QuadPart);
  mapping_ = mapping;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) {
    UnmapViewOfFile(data_);
    CloseHandle(static_cast<HANDLE>(mapping_));
  }
}
