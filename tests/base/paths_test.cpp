#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/environment.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

using testing::ScopedEnvironment;

TEST(Paths, ReplaceExtension) {
  EXPECT_EQ(ReplaceExtension("/opt/tools/Convert.exe", "INI"), "/opt/tools/Convert.INI");
  EXPECT_EQ(ReplaceExtension("/opt/tools/tolvane-sound-converter", "INI"),
            "/opt/tools/tolvane-sound-converter.INI");
  EXPECT_EQ(ReplaceExtension("/opt/my.tools/convert", "INI"), "/opt/my.tools/convert.INI");
  EXPECT_EQ(ReplaceExtension("a.b.c", "INI"), "a.b.INI");
  EXPECT_EQ(ReplaceExtension(".hidden", "INI"), ".hidden.INI");
  EXPECT_EQ(PathToUtf8(ReplaceExtension(PathFromUtf8("\xCE\xA9mega.exe"), "INI")),
            "\xCE\xA9mega.INI");
}

// A name in UTF-8 names the same file whichever way it went, and comes back as it was.
TEST(Paths, Utf8NamesRoundTripAndNameTheFile) {
  const testing::TestFolder folder;
  for (const std::string name : {"plain.txt", "Caf\xC3\xA9\xE2\x80\x94Snare.wav",
                                 "\xCE\xA9mega \xE9\x9F\xB3.wav", "\xF0\x9F\x8E\xB9.wav"}) {
    SCOPED_TRACE(name);
    const auto path = folder.path() / PathFromUtf8(name);
    EXPECT_EQ(PathToUtf8(path.filename()), name);
    testing::WriteFileText(path, name);
    EXPECT_EQ(testing::ReadFileText(path), name);
  }
  bool found = false;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    found |= PathToUtf8(entry.path().filename()) == "\xCE\xA9mega \xE9\x9F\xB3.wav";
  EXPECT_TRUE(found);
  EXPECT_EQ(PathFromUtf8(""), std::filesystem::path());
}

TEST(Paths, ProgramPathIsThisTest) {
  const auto path = ProgramPath();
  ASSERT_FALSE(path.empty());
#ifdef _WIN32
  EXPECT_EQ(path.filename(), "tolvane_base_tests.exe");
#else
  EXPECT_EQ(path.filename(), "tolvane_base_tests");
#endif
}

TEST(Paths, FolderWritableOnlyWhenAFileCanBeMade) {
  const testing::TestFolder folder;
  EXPECT_TRUE(IsFolderWritable(folder.path()));
  EXPECT_FALSE(IsFolderWritable(folder / "missing"));
  EXPECT_EQ(folder.EntryCount(), 0u);  // the trial leaves nothing behind
}

#ifdef _WIN32
TEST(Paths, UserFoldersFollowEnvironment) {
  const ScopedEnvironment data("LOCALAPPDATA", "C:\\Users\\someone\\AppData\\Local");
  EXPECT_EQ(UserDataFolder(), "C:\\Users\\someone\\AppData\\Local");
  const ScopedEnvironment relative("LOCALAPPDATA", "relative\\ignored");
  EXPECT_EQ(UserDataFolder(), "");
  const ScopedEnvironment config("APPDATA", "C:\\Users\\someone\\AppData\\Roaming");
  EXPECT_EQ(UserConfigFolder(), "C:\\Users\\someone\\AppData\\Roaming");
}
#else
TEST(Paths, XdgFoldersFollowEnvironment) {
  const ScopedEnvironment data("XDG_DATA_HOME", "/tmp/xdg-data");
  EXPECT_EQ(UserDataFolder(), "/tmp/xdg-data");
  const ScopedEnvironment relative("XDG_DATA_HOME", "relative/ignored");
  const ScopedEnvironment home("HOME", "/home/someone");
  EXPECT_EQ(UserDataFolder(), "/home/someone/.local/share");
  const ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(UserConfigFolder(), "/home/someone/.config");
}
#endif

}  // namespace
}  // namespace tolvane
