#include "ui/settings/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tolvane {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

// Every test gets its own user and machine configuration folders.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tolvane-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(UserFolder());
    fs::create_directories(MachineFolder());
    Keep("XDG_CONFIG_HOME");
    Keep("XDG_CONFIG_DIRS");
    Keep("HOME");
    ::setenv("XDG_CONFIG_HOME", UserFolder().c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", MachineFolder().c_str(), 1);
  }

  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    std::error_code error;
    fs::remove_all(root_, error);
  }

  fs::path UserFolder() const { return root_ / "config"; }
  fs::path MachineFolder() const { return root_ / "xdg"; }
  fs::path UserFile() const { return UserFolder() / "Kestrum" / "Norvadex.reg"; }
  fs::path MachineFile() const { return MachineFolder() / "Kestrum" / "Norvadex.reg"; }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Write(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
  }

  static std::string Text(std::string_view name, std::size_t capacity,
                          std::optional<std::string_view> defaultText) {
    std::string buffer = "stale";
    const std::size_t length = ReadSettingText(name, buffer, capacity, defaultText);
    EXPECT_EQ(length, buffer.size()) << name;
    return buffer;
  }

  fs::path root_;

 private:
  void Keep(const char* name) {
    const char* const value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n\n";
constexpr std::string_view kUserKeyLine = "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex]\n";

TEST(SettingsName, Grammar) {
  using enum SettingsRoot;
  struct Case {
    std::string_view name;
    SettingsRoot root;
    std::string_view path;
    std::string_view value;
  };
  const Case cases[] = {
      {"WindowWidth", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex", "WindowWidth"},
      {"Sub\\Value", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex\\Sub", "Value"},
      {"A\\B\\C", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex\\A\\B", "C"},
      {"~..\\..\\Foo\\Bar", kLocalMachine, "SOFTWARE\\Foo", "Bar"},
      {"~\\Value", kLocalMachine, "SOFTWARE\\Kestrum\\Norvadex", "Value"},
      {"~Value", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex", "~Value"},
      {"..\\Value", kCurrentUser, "SOFTWARE\\Kestrum", "Value"},
      {"..\\..\\..\\Value", kCurrentUser, "", "Value"},
      // Climbing stops at the root; what is left is a key name.
      {"..\\..\\..\\..\\X", kCurrentUser, "..", "X"},
      // Only a leading "..\" climbs, and "~" counts only at the start.
      {"Sub\\..\\Value", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex\\Sub\\..", "Value"},
      {"..\\~\\X", kCurrentUser, "SOFTWARE\\Kestrum\\~", "X"},
      {"\\Value", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex", "Value"},
      {"Sub\\", kCurrentUser, "SOFTWARE\\Kestrum\\Norvadex\\Sub", ""},
  };
  for (const Case& c : cases) {
    const auto key = ResolveSettingsName(c.name);
    ASSERT_TRUE(key.has_value()) << c.name;
    EXPECT_EQ(key->root, c.root) << c.name;
    EXPECT_EQ(key->path, c.path) << c.name;
    EXPECT_EQ(key->valueName, c.value) << c.name;
  }
  EXPECT_FALSE(ResolveSettingsName("A\\\\B\\X"));
  EXPECT_FALSE(ResolveSettingsName("Window\0Width"s));
}

TEST(SettingsName, KeyPathIsAtMost255Characters) {
  // "SOFTWARE\Kestrum\Norvadex\" is 26 characters.
  EXPECT_EQ(ResolveSettingsName(std::string(229, 'k') + "\\V")->path.size(), 255u);
  EXPECT_FALSE(ResolveSettingsName(std::string(230, 'k') + "\\V"));
  EXPECT_EQ(ResolveSettingsName("..\\..\\..\\" + std::string(255, 'k') + "\\V")->path.size(), 255u);
  EXPECT_FALSE(ResolveSettingsName("..\\..\\..\\" + std::string(256, 'k') + "\\V"));
  // The value name itself is not part of the key path.
  EXPECT_TRUE(ResolveSettingsName(std::string(300, 'v')));
}

TEST_F(SettingsTest, FirstStartGivesDefaultsAndCreatesTheKey) {
  ASSERT_FALSE(fs::exists(UserFile()));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 0u);
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 123), 123u);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, ""), "");
  EXPECT_EQ(Text(kSoundListWidthsSetting, kSoundListWidthsCapacity, std::nullopt), "");
  EXPECT_EQ(Text(kSoundDirectorySetting, kSoundDirectoryCapacity, "C:\\"), "C:\\");
  EXPECT_EQ(Read(UserFile()), std::string(kHeader) + std::string(kUserKeyLine) + "\n");

  const auto key = OpenSettingsKey(kSoundCollectionSetting);
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->root, SettingsRoot::kCurrentUser);
  EXPECT_EQ(key->path, kSettingsKeyPath);
  EXPECT_EQ(key->valueName, kSoundCollectionSetting);
}

TEST_F(SettingsTest, WritesTheRegistryExportFormat) {
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 800));
  EXPECT_TRUE(WriteSettingNumber(kWindowHeightSetting, 0xFFFFFFFF));
  EXPECT_TRUE(WriteSettingText(kLastMidiPortSetting, "USB MIDI"));
  EXPECT_TRUE(WriteSettingText(kLastAudioPortSetting, ""));
  EXPECT_EQ(Read(UserFile()), std::string(kHeader) + std::string(kUserKeyLine) +
                                  "\"WindowWidth\"=dword:00000320\n"
                                  "\"WindowHeight\"=dword:ffffffff\n"
                                  "\"LastMidiPort\"=\"USB MIDI\"\n"
                                  "\"LastAudioPort\"=\"\"\n"
                                  "\n");
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 800u);
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, ""), "USB MIDI");
  // A stored empty text is a value, not a missing one.
  EXPECT_EQ(Text(kLastAudioPortSetting, kLastAudioPortCapacity, "None"), "");

  // A new value replaces the old in place.
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 1024));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 1024u);
  EXPECT_NE(Read(UserFile()).find("\"WindowWidth\"=dword:00000400\n\"WindowHeight\""),
            std::string::npos);
}

TEST_F(SettingsTest, EveryAccessReadsTheFileAfresh) {
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 1));
  Write(UserFile(),
        std::string(kHeader) + std::string(kUserKeyLine) + "\"WindowWidth\"=dword:00000002\n");
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 2u);
}

TEST_F(SettingsTest, SubKeys) {
  const auto key = OpenSettingsKey("Sub\\Value");
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->path, "SOFTWARE\\Kestrum\\Norvadex\\Sub");
  EXPECT_NE(Read(UserFile()).find("[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex\\Sub]\n"),
            std::string::npos);

  EXPECT_TRUE(WriteSettingNumber("Sub\\Value", 5));
  EXPECT_EQ(ReadSettingNumber("Sub\\Value", 0), 5u);
  EXPECT_EQ(ReadSettingNumber("sub\\VALUE", 0), 5u);
  // The same value name in the settings key is another value.
  EXPECT_EQ(ReadSettingNumber("Value", 9), 9u);

  EXPECT_TRUE(WriteSettingText("..\\..\\Other\\Name", "x"));
  EXPECT_NE(Read(UserFile()).find("[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"Name\"=\"x\"\n"),
            std::string::npos);
  EXPECT_EQ(Text("~..\\..\\Other\\Name", 10, "machine"), "");
}

TEST_F(SettingsTest, MachineRootIsReadOnly) {
  const std::string machine = std::string(kHeader) +
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Foo]\n"
                              "\"Bar\"=dword:0000002a\n"
                              "\"Name\"=\"machine wide\"\n\n";
  Write(MachineFile(), machine);

  EXPECT_EQ(ReadSettingNumber("~..\\..\\Foo\\Bar", 0), 42u);
  EXPECT_EQ(Text("~..\\..\\foo\\Name", 100, std::nullopt), "machine wide");
  // The key is there, the value is not: the default.
  EXPECT_EQ(ReadSettingNumber("~..\\..\\Foo\\Missing", 7), 7u);
  EXPECT_EQ(Text("~..\\..\\Foo\\Missing", 100, "d"), "d");
  // A missing machine key cannot be opened: no default, and it is not created.
  EXPECT_EQ(ReadSettingNumber("~..\\..\\Nope\\Bar", 7), 0u);
  EXPECT_EQ(Text("~..\\..\\Nope\\Bar", 100, "d"), "");
  EXPECT_FALSE(OpenSettingsKey("~..\\..\\Nope\\Bar"));
  EXPECT_FALSE(OpenSettingsKey("~\\WindowWidth"));
  EXPECT_TRUE(OpenSettingsKey("~..\\..\\Foo\\Anything"));

  EXPECT_FALSE(WriteSettingNumber("~..\\..\\Foo\\Bar", 1));
  EXPECT_FALSE(WriteSettingText("~..\\..\\Foo\\Name", "changed"));
  EXPECT_FALSE(WriteSettingText("~..\\..\\Nope\\Name", "new"));
  EXPECT_EQ(Read(MachineFile()), machine);
  EXPECT_EQ(ReadSettingNumber("~..\\..\\Foo\\Bar", 0), 42u);

  // Without "~" the same path is the current user's.
  EXPECT_EQ(ReadSettingNumber("..\\..\\Foo\\Bar", 3), 3u);
}

TEST_F(SettingsTest, MachineRootComesFromTheFirstSystemFolder) {
  const fs::path second = root_ / "second";
  Write(second / "Kestrum" / "Norvadex.reg",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Norvadex]\n\"N\"=dword:00000002\n");
  Write(MachineFile(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Norvadex]\n\"N\"=dword:00000001\n");
  const std::string folders =
      "relative/ignored:" + MachineFolder().string() + ":" + second.string();
  ::setenv("XDG_CONFIG_DIRS", folders.c_str(), 1);
  EXPECT_EQ(ReadSettingNumber("~\\N", 0), 1u);

  ::setenv("XDG_CONFIG_DIRS", second.c_str(), 1);
  EXPECT_EQ(ReadSettingNumber("~\\N", 0), 2u);

  // The user's file holds the user's root only.
  Write(UserFile(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Norvadex]\n\"M\"=dword:00000005\n");
  EXPECT_EQ(ReadSettingNumber("~\\M", 9), 9u);
}

TEST_F(SettingsTest, AValueOfAnotherTypeCountsAsMissing) {
  EXPECT_TRUE(WriteSettingText(kWindowWidthSetting, "800"));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 5), 5u);
  EXPECT_TRUE(WriteSettingNumber(kLastMidiPortSetting, 1));
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, "none"), "none");

  Write(UserFile(), std::string(kHeader) + std::string(kUserKeyLine) +
                        "\"WindowHeight\"=hex:58,02,00,00\n"
                        "\"SoundDirectory\"=hex(2):43,00,3a,00,00,00\n");
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 6), 6u);
  EXPECT_EQ(Text(kSoundDirectorySetting, kSoundDirectoryCapacity, std::nullopt), "");
  // Writing it replaces the value of the other type, and keeps the rest.
  EXPECT_TRUE(WriteSettingNumber(kWindowHeightSetting, 600));
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 6), 600u);
  EXPECT_NE(Read(UserFile()).find("\"SoundDirectory\"=hex(2):43,00,3a,00,00,00\n"),
            std::string::npos);
}

TEST_F(SettingsTest, ATextThatDoesNotFitCountsAsMissing) {
  struct Case {
    std::size_t stored;  // length of the stored text
    std::size_t capacity;
    std::optional<std::string_view> defaultText;
    std::string_view expected;  // "*" stands for the stored text
  };
  const Case cases[] = {
      {99, kLastMidiPortCapacity, "", "*"},
      {100, kLastMidiPortCapacity, "", ""},
      {100, kLastMidiPortCapacity, "fallback", "fallback"},
      {199, kSoundListWidthsCapacity, std::nullopt, "*"},
      {200, kSoundListWidthsCapacity, std::nullopt, ""},
      {511, kSoundDirectoryCapacity, std::nullopt, "*"},
      {512, kSoundDirectoryCapacity, "x", "x"},
      // The default is cut to fit as well.
      {3, 3, "defgh", "de"},
      {3, 1, "defgh", ""},
      {0, 1, "defgh", "*"},
      {0, 0, "defgh", ""},
  };
  for (const Case& c : cases) {
    const std::string stored(c.stored, 's');
    ASSERT_TRUE(WriteSettingText(kSoundCollectionSetting, stored));
    const std::string expected = c.expected == "*" ? stored : std::string(c.expected);
    EXPECT_EQ(Text(kSoundCollectionSetting, c.capacity, c.defaultText), expected)
        << c.stored << " in " << c.capacity;
  }
}

TEST_F(SettingsTest, EscapesSurviveTheFile) {
  const std::string folder = "C:\\Sounds\\\"Mine\"\\";
  EXPECT_TRUE(WriteSettingText(kSoundDirectorySetting, folder));
  EXPECT_NE(Read(UserFile()).find("\"SoundDirectory\"=\"C:\\\\Sounds\\\\\\\"Mine\\\"\\\\\"\n"),
            std::string::npos);
  EXPECT_EQ(Text(kSoundDirectorySetting, kSoundDirectoryCapacity, std::nullopt), folder);

  // Value names are escaped the same way.
  EXPECT_TRUE(WriteSettingNumber("Quote\"Name", 3));
  EXPECT_NE(Read(UserFile()).find("\"Quote\\\"Name\"=dword:00000003\n"), std::string::npos);
  EXPECT_EQ(ReadSettingNumber("Quote\"Name", 0), 3u);

  // 8-bit texts are stored as their bytes.
  EXPECT_TRUE(WriteSettingText(kLastAudioPortSetting, "Lautsprecher (H\xF6rer)"));
  EXPECT_NE(Read(UserFile()).find("=\"Lautsprecher (H\xF6rer)\"\n"), std::string::npos);
}

TEST_F(SettingsTest, TextsEndAtTheirFirstNul) {
  EXPECT_TRUE(WriteSettingText(kLastMidiPortSetting, "ab\0cd"s));
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, std::nullopt), "ab");
  EXPECT_EQ(Text(kLastAudioPortSetting, kLastAudioPortCapacity, "x\0y"s), "x");
}

TEST_F(SettingsTest, ALineBreakCannotBeStored) {
  EXPECT_TRUE(WriteSettingText(kLastMidiPortSetting, "before"));
  const std::string before = Read(UserFile());
  EXPECT_FALSE(WriteSettingText(kLastMidiPortSetting, "two\nlines"));
  EXPECT_FALSE(WriteSettingNumber("Bad\rName", 1));
  EXPECT_FALSE(WriteSettingNumber("Bad\nKey\\Name", 1));
  EXPECT_EQ(Read(UserFile()), before);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, std::nullopt), "before");
}

TEST_F(SettingsTest, ADamagedFileCountsAsMissing) {
  Write(UserFile(),
        "\x7F"
        "ELF\0\0\x01\x02[\xFF\"\n\"=\"\n\\\\\\"s);
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 11), 11u);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, "none"), "none");
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 640));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 11), 640u);

  // One damaged value does not hide the others, and is not thrown away.
  Write(UserFile(), std::string(kHeader) + std::string(kUserKeyLine) +
                        "\"WindowWidth\"=dword:00000320\n"
                        "\"LastMidiPort\"=\"USB MIDI\n"
                        "\"WindowHeight\"=dword:0000025g\n"
                        "garbage\n"
                        "\"LastAudioPort\"=\"Speakers\"\n");
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 800u);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, "none"), "none");
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 1), 1u);
  EXPECT_EQ(Text(kLastAudioPortSetting, kLastAudioPortCapacity, ""), "Speakers");
  EXPECT_TRUE(WriteSettingText(kSoundDirectorySetting, "/sounds"));
  const std::string after = Read(UserFile());
  EXPECT_NE(after.find("garbage\n"), std::string::npos);
  EXPECT_NE(after.find("\"LastMidiPort\"=\"USB MIDI\n"), std::string::npos);
  EXPECT_EQ(Text(kLastAudioPortSetting, kLastAudioPortCapacity, ""), "Speakers");
  EXPECT_EQ(Text(kSoundDirectorySetting, kSoundDirectoryCapacity, ""), "/sounds");

  // A key line that cannot be read does not take values meant for it into the key before it.
  Write(UserFile(), std::string(kHeader) + std::string(kUserKeyLine) +
                        "\"WindowWidth\"=dword:00000001\n"
                        "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex\\Sub\n"
                        "\"WindowHeight\"=dword:00000002\n");
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 1u);
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 9), 9u);
  EXPECT_EQ(ReadSettingNumber("Sub\\WindowHeight", 9), 9u);
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsLeftAlone) {
  fs::create_directories(UserFile());  // a folder where the file should be
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 11), 11u);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, "none"), "none");
  EXPECT_FALSE(WriteSettingNumber(kWindowWidthSetting, 1));
  EXPECT_TRUE(fs::is_directory(UserFile()));
}

TEST_F(SettingsTest, AStoreThatCannotBeWrittenFailsWrites) {
  Write(UserFolder() / "Kestrum", "a file where the folder should be");
  EXPECT_FALSE(WriteSettingNumber(kWindowWidthSetting, 1));
  EXPECT_FALSE(WriteSettingText(kLastMidiPortSetting, "x"));
  // The key cannot be created, so it cannot be opened: no defaults.
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 11), 0u);
  EXPECT_EQ(Text(kLastMidiPortSetting, kLastMidiPortCapacity, "none"), "");
  EXPECT_FALSE(OpenSettingsKey(kWindowWidthSetting));
}

TEST_F(SettingsTest, NoConfigurationFolderAtAll) {
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  EXPECT_FALSE(WriteSettingNumber(kWindowWidthSetting, 1));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 11), 0u);
}

TEST_F(SettingsTest, WritesLeaveNoTemporaryFiles) {
  for (std::uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(WriteSettingNumber(kWindowWidthSetting, i));
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(UserFile().parent_path()))
    files.push_back(entry.path());
  EXPECT_EQ(files, std::vector<fs::path>{UserFile()});
}

TEST_F(SettingsTest, ALinkedFileStaysLinked) {
  const fs::path real = root_ / "dotfiles" / "Norvadex.reg";
  Write(real, std::string(kHeader));
  fs::create_directories(UserFile().parent_path());
  fs::create_symlink(real, UserFile());
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 7));
  EXPECT_TRUE(fs::is_symlink(UserFile()));
  EXPECT_NE(Read(real).find("\"WindowWidth\"=dword:00000007"), std::string::npos);
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 7u);
}

TEST_F(SettingsTest, NamesCompareCaseInsensitively) {
  EXPECT_TRUE(WriteSettingNumber("windowwidth", 1));
  EXPECT_TRUE(WriteSettingNumber("WINDOWWIDTH", 2));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 2u);
  EXPECT_EQ(Read(UserFile()), std::string(kHeader) + std::string(kUserKeyLine) +
                                  "\"windowwidth\"=dword:00000002\n\n");
}

TEST_F(SettingsTest, WritersOneAfterTheOtherKeepEachOthersValues) {
  EXPECT_TRUE(WriteSettingNumber(kWindowWidthSetting, 800));
  // Another program adds its own value in between.
  std::string text = Read(UserFile());
  text.insert(text.find("\"WindowWidth\""), "\"Theirs\"=\"kept\"\n");
  Write(UserFile(), text);
  EXPECT_TRUE(WriteSettingNumber(kWindowHeightSetting, 600));
  EXPECT_TRUE(WriteSettingText("Sub\\Name", "sub"));
  EXPECT_EQ(ReadSettingNumber(kWindowWidthSetting, 0), 800u);
  EXPECT_EQ(ReadSettingNumber(kWindowHeightSetting, 0), 600u);
  EXPECT_EQ(Text("Theirs", 10, std::nullopt), "kept");
  EXPECT_EQ(Text("Sub\\Name", 10, std::nullopt), "sub");
}

TEST_F(SettingsTest, WritersAtTheSameTimeKeepEachOthersValues) {
  constexpr int kWrites = 20;
  auto writer = [](char tag) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_TRUE(WriteSettingNumber(std::string(1, tag) + std::to_string(i),
                                     static_cast<std::uint32_t>(i)));
    }
  };
  std::thread first(writer, 'a');
  std::thread second(writer, 'b');
  first.join();
  second.join();
  for (const char tag : {'a', 'b'}) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(ReadSettingNumber(std::string(1, tag) + std::to_string(i), 999),
                static_cast<std::uint32_t>(i))
          << tag << i;
    }
  }
}

}  // namespace
}  // namespace tolvane
