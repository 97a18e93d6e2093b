#include "base/atomic_file.h"
#include "base/mapped_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_folder.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <atomic>
#include <csignal>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
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

// Every later step fails too, and keeps naming the first failure as the reason.
TEST_F(AtomicFileTest, MissingFolderFailsEveryStep) {
  const auto target = folder_ / "missing-folder" / "file.txt";
  AtomicFileWriter writer(target);
  EXPECT_FALSE(writer.Open());
  EXPECT_EQ(writer.error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(writer.Write(std::string_view("x")));
  EXPECT_EQ(writer.error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(writer.Commit());
  EXPECT_EQ(writer.error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(AtomicFileTest, StepsBeforeOpenFailWithoutAFile) {
  AtomicFileWriter writer(folder_ / "file.txt");
  EXPECT_FALSE(writer.error());
  EXPECT_FALSE(writer.Write(std::string_view("x")));
  EXPECT_EQ(writer.error(), std::errc::bad_file_descriptor);
  EXPECT_FALSE(writer.Commit());
  EXPECT_EQ(folder_.EntryCount(), 0u);
}

TEST_F(AtomicFileTest, FolderInTheTargetsPlaceFailsTheCommitAndStays) {
  const auto target = folder_ / "file.txt";
  std::filesystem::create_directories(target / "inside");
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.Write(std::string_view("x")));
  EXPECT_FALSE(writer.error());
  EXPECT_FALSE(writer.Commit());
#ifdef _WIN32
  EXPECT_TRUE(writer.error());
#else
  EXPECT_EQ(writer.error(), std::errc::is_a_directory);
#endif
  EXPECT_TRUE(std::filesystem::is_directory(target / "inside"));
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

#ifndef _WIN32
// The settings, the sound database and an export may each be saved on a thread of its own. (A
// writer that set the umask for a moment would show here in most runs, not in every one.)
TEST_F(AtomicFileTest, WritersOnTwoThreadsGiveNewFilesTheUmasksPermissions) {
  constexpr mode_t kMask = 027;
  constexpr int kFilesEach = 500;
  const mode_t before = ::umask(kMask);
  std::atomic<int> failures{0};
  const auto writeFiles = [&](const std::string& prefix) {
    for (int i = 0; i < kFilesEach; ++i)
      if (!WriteFileAtomically(folder_ / (prefix + std::to_string(i)), std::string_view("x")))
        ++failures;
  };
  std::thread first(writeFiles, "a");
  std::thread second(writeFiles, "b");
  first.join();
  second.join();
  const mode_t after = ::umask(before);
  EXPECT_EQ(after, kMask);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(folder_.EntryCount(), std::size_t{2 * kFilesEach});
  int wrong = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    struct stat info {};
    ASSERT_EQ(::stat(entry.path().c_str(), &info), 0);
    if ((info.st_mode & 07777) != (0666 & ~kMask)) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsPermissions) {
  for (const mode_t mode : {0600, 0640, 0755}) {
    SCOPED_TRACE(mode);
    const auto target = folder_ / "file.txt";
    ASSERT_TRUE(WriteFileAtomically(target, std::string_view("old")));
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
    EXPECT_EQ(ReadFileText(target), "new");
  }
}

// A write the system refuses names the system's reason, also where the bypass of the cache
// fell back to it, and the Commit that follows keeps that reason. The file size limit makes
// every write past 1 MiB fail with EFBIG.
TEST_F(AtomicFileTest, RefusedWriteNamesTheSystemsReason) {
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{rlim_t{1} << 20, limit.rlim_max};
  const auto signal = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string text(std::size_t{3} << 20, 'x');
  for (const WriteCaching caching : {WriteCaching::kSystemCache, WriteCaching::kBypassCache}) {
    SCOPED_TRACE(caching == WriteCaching::kBypassCache ? "bypass" : "cache");
    const auto target = folder_ / "large.bin";
    AtomicFileWriter writer(target, caching);
    ASSERT_TRUE(writer.Open());
    EXPECT_FALSE(writer.Write(std::string_view(text)) && writer.Commit());
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.error(), std::errc::file_too_large);
    EXPECT_EQ(folder_.EntryCount(), 0u);
  }
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, signal);
}
#endif

}  // namespace
}  // namespace tolvane
