#include "app/platform/output_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

class OutputFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) /
              ("output_file_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const char* name) const { return (folder_ / name).string(); }
  // The files in the folder besides `name` itself: leftover temporary files.
  std::vector<std::string> othersThan(const char* name) const {
    std::vector<std::string> others;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename() != name)
        others.push_back(entry.path().filename().string());
    }
    return others;
  }
  static std::string contentsOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path folder_;
};

TEST_F(OutputFile, WritesAndReplacesWholeLeavingNothingBeside) {
  std::string reason;
  ASSERT_TRUE(writeFileReplacing(path("r.json"), "first", reason)) << reason;
  ASSERT_TRUE(writeFileReplacing(path("r.json"), "second, longer", reason)) << reason;
  EXPECT_EQ(contentsOf(path("r.json")), "second, longer");
  EXPECT_TRUE(othersThan("r.json").empty());
}

TEST_F(OutputFile, AFolderThatIsNotThereIsAReasonAndLeavesNothing) {
  std::string reason;
  EXPECT_FALSE(writeFileReplacing((folder_ / "missing" / "r.json").string(), "x", reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_TRUE(othersThan("").empty());
}

// Writers of one path at once (two runs writing the same report): every read of the path finds
// one writer's whole file, never a mixture, a cut or no file, and no temporary file is left. A
// temporary file of a fixed name, shared by the writers, fails this at once.
TEST_F(OutputFile, ConcurrentWritersLeaveOneWholeFile) {
  constexpr int kWriters = 4, kWrites = 25;
  constexpr std::size_t kSize = 256 * 1024;
  const std::string target = path("r.json");
  std::string reason;
  ASSERT_TRUE(writeFileReplacing(target, std::string(kSize, '@'), reason)) << reason;
  std::atomic<int> failures{0};
  std::atomic<bool> writing{true};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kWrites; ++i) {
        std::string why;
        const char letter = static_cast<char>('A' + (w * kWrites + i) % 26);
        if (!writeFileReplacing(target, std::string(kSize, letter), why))
          ++failures;
      }
    });
  }
  int reads = 0, broken = 0, refused = 0;
  std::thread reader([&] {
    while (writing) {
      std::ifstream in(target, std::ios::binary);
      if (!in.is_open()) {
        ++refused;
        continue;
      }
      const std::string seen{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      ++reads;
      if (seen.size() != kSize || seen.find_first_not_of(seen[0]) != std::string::npos)
        ++broken;
#ifdef _WIN32
      // Windows refuses to replace a file while it is open. A reader that reopens it the moment
      // it closes it leaves the writers only that moment, and on a busy machine a writer can miss
      // it for the two seconds it keeps trying; real readers hold a report for moments.
      in.close();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
#endif
    }
  });
  for (std::thread& t : writers)
    t.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(broken, 0) << "of " << reads << " reads";
#ifndef _WIN32
  EXPECT_EQ(refused, 0) << "the report was missing at some moment";
#endif
  const std::string last = contentsOf(target);
  EXPECT_EQ(last.size(), kSize);
  EXPECT_EQ(last.find_first_not_of(last[0]), std::string::npos);
  EXPECT_TRUE(othersThan("r.json").empty());
}

}  // namespace
