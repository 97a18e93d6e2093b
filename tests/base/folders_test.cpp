#include "base/folders.h"

#include <gtest/gtest.h>

#include <system_error>

#include "base/paths.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

TEST(Folders, MissingFoldersAreMadeFromTheTopDown) {
  const testing::TestFolder folder;
  EXPECT_FALSE(CreateFolders(folder / "a/b/c"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "a/b/c"));
  EXPECT_FALSE(CreateFolders(folder / "a/b/c"));  // there already
  EXPECT_FALSE(CreateFolders(folder / "a/d/"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "a/d"));
}

// A file on the way is named, not the folder asked for.
TEST(Folders, AFileOnTheWayIsTheStepThatFails) {
  const testing::TestFolder folder;
  testing::WriteFileText(folder / "notes.txt", "x");
  for (const auto& asked : {folder / "notes.txt", folder / "notes.txt/new/deeper"}) {
    SCOPED_TRACE(asked.string());
    const auto failure = CreateFolders(asked);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FolderFailure::kNotAFolder);
    EXPECT_EQ(failure->step, folder / "notes.txt");
    EXPECT_EQ(FolderFailureText(*failure), PathToUtf8(folder / "notes.txt") + " is not a folder");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "new"));
}

// The system's reason for the step, in its words (a folder that cannot be written into cannot
// be made here: the tests run as root).
TEST(Folders, TheSystemsReasonIsNamedWithTheStep) {
  const FolderFailure denied{FolderFailure::kCannotCreate, PathFromUtf8("/music/new"),
                             std::make_error_code(std::errc::permission_denied)};
  EXPECT_EQ(FolderFailureText(denied),
            "cannot create the folder " + PathToUtf8(PathFromUtf8("/music/new")) + ": " +
                std::make_error_code(std::errc::permission_denied).message());
#ifndef _WIN32
  EXPECT_EQ(FolderFailureText(denied), "cannot create the folder /music/new: Permission denied");
#endif
}

}  // namespace
}  // namespace tolvane
