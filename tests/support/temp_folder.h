#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace test_support {

// A folder of its own for one test in the test's temporary directory, removed with everything in
// it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : path_(std::filesystem::path(::testing::TempDir()) /
              ("floatstate_" + name + "_" + std::to_string(std::rand()))) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // Writes the file `name` in the folder; returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace test_support
