#include "app/platform/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string systemReason() {
  return errno != 0 ? std::strerror(errno) : "unknown error";
}

// Writes and closes the file; false when either fails (a full disk shows at the latest when the
// file is closed).
bool writeAll(std::unique_ptr<std::FILE, FileCloser> file, const std::string& contents) {
  const bool written =
      std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size() &&
      std::fflush(file.get()) == 0;
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const std::string& contents, std::string& reason) {
  // One run writes a file once; a leftover of a run that was killed shows by its name.
  const std::string temporary = path + ".floatstate-tmp";
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
  if (file == nullptr) {
    reason = systemReason();
    return false;
  }
  errno = 0;
#ifdef _WIN32
  // There rename does not replace an existing file; the old report goes first.
  const bool replaced = writeAll(std::move(file), contents) &&
                        (std::remove(path.c_str()) == 0 || errno == ENOENT) &&
                        std::rename(temporary.c_str(), path.c_str()) == 0;
#else
  const bool replaced =
      writeAll(std::move(file), contents) && std::rename(temporary.c_str(), path.c_str()) == 0;
#endif
  if (!replaced) {
    reason = systemReason();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
