#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace tolvane {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test and process: CTest runs tests side by side.
    folder_ = std::filesystem::temp_directory_path() /
              ("tolvane_atomic_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                  std::filesystem::directory_iterator()));
  }
  std::filesystem::path folder_;
};

TEST_F(AtomicFileTest, CommitReplacesOldContent) {
  const auto target = folder_ / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("old content")));
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(AtomicFileTest, AbandonedWriteKeepsOldFileAndLeavesNothing) {
  const auto target = folder_ / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("good")));
  {
    AtomicFileWriter writer(target);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write(std::string_view("half of it")));
    // destroyed without Commit, as after a failure
  }
  EXPECT_EQ(ReadAll(target), "good");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(AtomicFileTest, MissingFolderFailsEveryStep) {
  const auto target = folder_ / "missing-folder" / "file.txt";
  AtomicFileWriter writer(target);
  EXPECT_FALSE(writer.Open());
  EXPECT_FALSE(writer.Write(std::string_view("x")));
  EXPECT_FALSE(writer.Commit());
  EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace tolvane
