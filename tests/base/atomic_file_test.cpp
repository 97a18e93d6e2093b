#include "base/atomic_file.h"
#include "base/mapped_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_folder.h"

#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace tolvane {
namespace {

using testing::ReadFileText;

class AtomicFileTest : public ::testing::Test {
 protected:
  testing::TestFolder folder_;
};

TEST_F(AtomicFileTest, CommitReplacesOldContent) {
  const auto target = folder_ / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("old content")));
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
  EXPECT_EQ(ReadFileText(target), "new");
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

// An export may replace one of the files it read; the reader's mapping keeps the old bytes.
TEST_F(AtomicFileTest, CommitReplacesAMappedFile) {
  const auto target = folder_ / "bank.SLC";
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("old content")));
  auto mapped = MappedFile::Open(target);
  ASSERT_TRUE(mapped);
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
  EXPECT_EQ(ReadFileText(target), "new");
  const auto bytes = mapped->bytes();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), "old content");
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("newer")));
  EXPECT_EQ(ReadFileText(target), "newer");
  // On Windows the replaced file may keep a name until nothing maps it any more.
  mapped.reset();
  EXPECT_EQ(folder_.EntryCount(), 1u);
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
  EXPECT_EQ(ReadFileText(target), "good");
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

TEST_F(AtomicFileTest, PiecesAreWrittenInOrderWhateverTheirNumberAndSize) {
  // More pieces than the system takes in one call, empty ones among them, and one large piece
  // that a single call may take only in part.
  std::string expected;
  std::vector<std::string> texts;
  for (int i = 0; i < 2500; ++i) texts.push_back(i % 7 == 0 ? "" : std::to_string(i) + ",");
  texts.push_back(std::string(std::size_t{3} << 20, 'x'));
  texts.push_back("end");
  std::vector<std::span<const std::byte>> pieces;
  for (const std::string& text : texts) {
    expected += text;
    pieces.push_back(std::as_bytes(std::span(text.data(), text.size())));
  }
  const auto target = folder_ / "pieces.txt";
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.Write(std::string_view("head:")));
  ASSERT_TRUE(writer.WritePieces(pieces));
  ASSERT_TRUE(writer.WritePieces({}));
  ASSERT_TRUE(writer.Commit());
  EXPECT_TRUE(ReadFileText(target) == "head:" + expected);  // not EXPECT_EQ: 3 MiB on a mismatch
}

// Bypassing the cache gathers bytes into aligned blocks: whatever the run of writes, the file
// holds exactly the bytes given, in order, also on tmpfs, where kernels before 6.6 refuse direct
// writes and they go through the cache after all.
TEST_F(AtomicFileTest, EveryCachingWritesTheSameBytesWhereverTheFileLies) {
  std::vector<std::filesystem::path> folders = {folder_.path()};
  const std::filesystem::path memoryFolder = "/dev/shm/tolvane-atomic-file-test";
  std::error_code error;
  std::filesystem::remove_all(memoryFolder, error);
  if (std::filesystem::create_directory(memoryFolder, error)) folders.push_back(memoryFolder);
  // Sizes of the writes: the first and last with Write, the others as pieces of one call. The
  // long run crosses the 8 MiB block buffer inside a piece and ends on a partial block.
  const std::vector<std::vector<std::size_t>> runs = {
      {100},
      {5, std::size_t{3} << 20, 0, 4097, std::size_t{9} << 20, 1, 4095},
  };
  for (const auto& folder : folders) {
    for (const WriteCaching caching : {WriteCaching::kSystemCache, WriteCaching::kBypassCache}) {
      for (const auto& sizes : runs) {
        SCOPED_TRACE(folder.string() + (caching == WriteCaching::kBypassCache ? " bypass" : "") +
                     " " + std::to_string(sizes.size()) + " writes");
        std::vector<std::string> texts;
        std::string expected;
        for (const std::size_t size : sizes) {
          std::string& text = texts.emplace_back(size, '\0');
          for (std::size_t i = 0; i < size; ++i)
            text[i] = static_cast<char>((expected.size() + i) * 2654435761U >> 24);
          expected += text;
        }
        std::vector<std::span<const std::byte>> pieces;
        for (std::size_t i = 1; i + 1 < texts.size(); ++i)
          pieces.push_back(std::as_bytes(std::span(texts[i].data(), texts[i].size())));
        const auto target = folder / "bytes.bin";
        AtomicFileWriter writer(target, caching);
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write(std::string_view(texts.front())));
        ASSERT_TRUE(writer.WritePieces(pieces));
        if (texts.size() > 1) {
          ASSERT_TRUE(writer.Write(std::string_view(texts.back())));
        }
        ASSERT_TRUE(writer.Commit());
        EXPECT_TRUE(ReadFileText(target) == expected);  // not EXPECT_EQ: MiBs on a mismatch
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
        std::filesystem::remove(target);
      }
    }
  }
  std::filesystem::remove_all(memoryFolder, error);
}

TEST_F(AtomicFileTest, PiecesFailWithoutAnOpenFile) {
  const std::string text = "x";
  const std::span<const std::byte> piece = std::as_bytes(std::span(text.data(), text.size()));
  AtomicFileWriter writer(folder_ / "missing-folder" / "file.txt");
  EXPECT_FALSE(writer.Open());
  EXPECT_FALSE(writer.WritePieces(std::span(&piece, 1)));
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
