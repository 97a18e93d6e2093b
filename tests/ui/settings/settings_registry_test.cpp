// The settings in the Windows registry itself (under Wine in the build): where the values land,
// their types, texts outside ASCII, sub keys, and the machine root that is never written. Each
// test works in a sub key of its own under the settings key and deletes it after.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/paths.h"
#include "ui/settings/settings.h"

namespace tolvane {
namespace {

class SettingsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sub_ = "TolvaneTest" + std::to_string(::GetCurrentProcessId());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, Key().c_str());
  }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, Key().c_str()); }

  // The value `name` of the test's sub key, as settings.h names it.
  std::string Name(const std::string& name) const { return sub_ + "\\" + name; }
  std::string Key() const { return std::string(kSettingsKeyPath) + "\\" + sub_; }

  // The value as the registry itself holds it: its type and bytes.
  bool Raw(const std::string& name, DWORD& type, std::string& bytes) const {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, Key().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    DWORD size = 512;
    bytes.assign(size, '\0');
    const bool read =
        ::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                           &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    bytes.resize(size);
    return read;
  }

  std::string sub_;
};

TEST_F(SettingsRegistryTest, NumbersAndTextsAreRegistryValuesOfTheSettingsKey) {
  ASSERT_TRUE(WriteSettingNumber(Name("WindowWidth"), 912));
  ASSERT_TRUE(WriteSettingText(Name("LastMidiPort"), "MIDI In 2"));
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(Raw("WindowWidth", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, std::string("\x90\x03\0\0", 4));
  ASSERT_TRUE(Raw("LastMidiPort", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, std::string("MIDI In 2\0", 10));

  EXPECT_EQ(ReadSettingNumber(Name("WindowWidth"), 0), 912U);
  std::string text;
  EXPECT_EQ(ReadSettingText(Name("LastMidiPort"), text, 100, std::nullopt), 9U);
  EXPECT_EQ(text, "MIDI In 2");
}

TEST_F(SettingsRegistryTest, MissingOrOtherTypedValuesGiveTheDefault) {
  EXPECT_EQ(ReadSettingNumber(Name("Missing"), 7), 7U);
  ASSERT_TRUE(WriteSettingNumber(Name("Number"), 3));
  ASSERT_TRUE(WriteSettingText(Name("Text"), "3"));
  std::string text;
  EXPECT_EQ(ReadSettingText(Name("Number"), text, 10, "none"), 4U);
  EXPECT_EQ(text, "none");
  EXPECT_EQ(ReadSettingNumber(Name("Text"), 9), 9U);
  // A text that does not fit its capacity with its terminator counts as missing too.
  EXPECT_EQ(ReadSettingText(Name("Text"), text, 1, "x"), 0U);
}

TEST_F(SettingsRegistryTest, PathsOutsideAsciiComeBackAsTheyWereStored) {
  const std::string folder = "C:\\Users\\J\xc3\xbcrgen\\Kl\xc3\xa4nge \xe9\x9f\xb3";
  ASSERT_TRUE(WriteSettingText(Name("SoundDirectory"), folder));
  std::string text;
  EXPECT_EQ(ReadSettingText(Name("SoundDirectory"), text, kSoundDirectoryCapacity, std::nullopt),
            folder.size());
  EXPECT_EQ(text, folder);
  // The registry holds it in its own UTF-16, as other programs read it.
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, PathFromUtf8(Key()).c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  wchar_t wide[128] = {};
  DWORD size = sizeof wide;
  const LSTATUS read = ::RegQueryValueExW(key, L"SoundDirectory", nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(wide), &size);
  ::RegCloseKey(key);
  ASSERT_EQ(read, ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(wide), std::wstring(L"C:\\Users\\J\u00fcrgen\\Kl\u00e4nge \u97f3"));
}

TEST_F(SettingsRegistryTest, SubKeysAreCreatedAndTheMachineRootIsNeverWritten) {
  ASSERT_TRUE(WriteSettingNumber(Name("Deeper\\Value"), 5));
  EXPECT_EQ(ReadSettingNumber(Name("Deeper\\Value"), 0), 5U);
  EXPECT_FALSE(WriteSettingNumber("~" + Name("Value"), 5));
  EXPECT_FALSE(WriteSettingText("~" + Name("Value"), "x"));
}

}  // namespace
}  // namespace tolvane

#endif  // _WIN32
