#include "base/whole_file.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

std::string Text(const WholeFile& file) {
  return {reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()};
}

// Bytes come back exactly as stored: no line end translation, no stop at Ctrl-Z (as a text
// mode read on Windows would do), nothing lost after a NUL.
TEST(WholeFile, ReadsEveryByteAsStored) {
  const testing::TestFolder folder;
  const std::string cases[] = {
      std::string("[Drums]\r\nKick=1;KT;\r\n"),
      std::string("lone\rreturn\nand newline\n\r"),
      std::string("before\x1A after Ctrl-Z", 20),
      std::string("nul\0inside\xFF\x80", 12),
      std::string(),
  };
  for (const std::string& content : cases) {
    SCOPED_TRACE(content);
    const auto path = folder / "file.bin";
    testing::WriteFileText(path, content);
    const WholeFile file = ReadWholeFile(path, 1 << 20);
    EXPECT_EQ(file.state, FileState::kRead);
    EXPECT_EQ(Text(file), content);
  }
}

TEST(WholeFile, TellsAbsentFromUnreadable) {
  const testing::TestFolder folder;
  testing::WriteFileText(folder / "plain", "not a folder");
  testing::WriteFileText(folder / "large", std::string(101, 'x'));
  const struct {
    std::filesystem::path path;
    FileState expected;
  } cases[] = {
      {folder / "missing", FileState::kAbsent},
      {folder / "missing-folder" / "file", FileState::kAbsent},
      {folder / "plain" / "file", FileState::kAbsent},
      {folder.path(), FileState::kUnreadable},
      {folder / "large", FileState::kUnreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    const WholeFile file = ReadWholeFile(c.path, 100);
    EXPECT_EQ(file.state, c.expected);
    EXPECT_TRUE(file.bytes.empty());
  }
}

}  // namespace
}  // namespace tolvane
