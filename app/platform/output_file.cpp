#include "app/platform/output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "app/platform/platform.h"

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

// A name for the temporary file beside `path` that no other writer uses: its own random part,
// drawn afresh for every file. createNewFile refuses a name that is taken all the same.
std::string temporaryName(const std::string& path) {
  static std::atomic<unsigned long long> drawn{0};
  static const unsigned long long seed = [] {
    std::random_device device;
    return (static_cast<unsigned long long>(device()) << 32) ^ device() ^
           static_cast<unsigned long long>(
               std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  std::mt19937_64 mix(seed + drawn.fetch_add(1));
  char part[17];
  std::snprintf(part, sizeof part, "%016llx", static_cast<unsigned long long>(mix()));
  return path + ".floatstate-tmp-" + part;
}

// Creates a new temporary file beside `path`; null (errno set) when the folder refuses it.
std::unique_ptr<std::FILE, FileCloser> createTemporary(const std::string& path,
                                                       std::string& temporary) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temporary = temporaryName(path);
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(createNewFile(temporary));
    if (file != nullptr || errno != EEXIST)
      return file;
  }
  return nullptr;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const std::string& contents, std::string& reason) {
  // A temporary file of its own for every writer: two runs writing the same report never write
  // into one file, and the last rename wins with a whole file. A leftover of a run that was
  // killed shows by its name.
  std::string temporary;
  std::unique_ptr<std::FILE, FileCloser> file = createTemporary(path, temporary);
  if (file == nullptr) {
    reason = systemReason();
    return false;
  }
  errno = 0;
  if (!writeAll(std::move(file), contents) || !replaceFile(temporary, path)) {
    reason = systemReason();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
