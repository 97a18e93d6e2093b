#include "base/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tolvane {
namespace {

TEST(Paths, ReplaceExtension) {
  EXPECT_EQ(ReplaceExtension("/opt/tools/Convert.exe", "INI"), "/opt/tools/Convert.INI");
  EXPECT_EQ(ReplaceExtension("/opt/tools/tolvane-sound-converter", "INI"),
            "/opt/tools/tolvane-sound-converter.INI");
  EXPECT_EQ(ReplaceExtension("/opt/my.tools/convert", "INI"), "/opt/my.tools/convert.INI");
  EXPECT_EQ(ReplaceExtension("a.b.c", "INI"), "a.b.INI");
}

TEST(Paths, ProgramPathIsThisTest) {
  const auto path = ProgramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.filename(), "tolvane_base_tests");
}

TEST(Paths, XdgFoldersFollowEnvironment) {
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string saved = oldData ? oldData : "";
  ::setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
  EXPECT_EQ(UserDataFolder(), "/tmp/xdg-data");
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(UserDataFolder(), "/home/someone/.local/share");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserConfigFolder(), "/home/someone/.config");
  if (oldData)
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tolvane
