#include "base/mapped_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace tolvane {
namespace {

std::filesystem::path TempPath(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("tolvane_base_") + name);
}

TEST(MappedFile, MapsWholeFileReadOnly) {
  const auto path = TempPath("mapped.bin");
  std::vector<char> content(10000);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  std::ofstream(path, std::ios::binary).write(content.data(), content.size());

  auto file = MappedFile::Open(path);
  ASSERT_TRUE(file.has_value());
  ASSERT_EQ(file->size(), content.size());
  EXPECT_EQ(std::memcmp(file->bytes().data(), content.data(), content.size()), 0);
  EXPECT_GT(file->modifiedTime(), 0);

  // Releasing pages keeps the content readable (it comes back from the file).
  file->Release(0, file->size());
  EXPECT_EQ(std::memcmp(file->bytes().data(), content.data(), content.size()), 0);

  MappedFile moved = std::move(*file);
  EXPECT_EQ(moved.size(), content.size());
  std::filesystem::remove(path);
}

TEST(MappedFile, EmptyMissingAndFolder) {
  const auto empty = TempPath("empty.bin");
  std::ofstream(empty, std::ios::binary).close();
  auto file = MappedFile::Open(empty);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->size(), 0u);
  EXPECT_TRUE(file->bytes().empty());
  std::filesystem::remove(empty);

  EXPECT_FALSE(MappedFile::Open(TempPath("does-not-exist")).has_value());
  EXPECT_FALSE(MappedFile::Open(std::filesystem::temp_directory_path()).has_value());
}

}  // namespace
}  // namespace tolvane
