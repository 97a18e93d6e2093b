#pragma once
// A fresh folder for one test, unique to the test and the process (CTest runs tests side by
// side), removed again when the test ends.

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include <gtest/gtest.h>

namespace tolvane::testing {

class TestFolder {
 public:
  // Named after the running test.
  TestFolder() : TestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  explicit TestFolder(std::string_view name) {
    path_ = std::filesystem::temp_directory_path() /
            ("tolvane_" + std::string(name) + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Entries directly in the folder: a failed write must leave no temporary file behind.
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                                  std::filesystem::directory_iterator()));
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteFileText(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace tolvane::testing
