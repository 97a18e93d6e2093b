#include "ui/settings/registry_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolvane {
namespace {

using namespace std::string_literals;

RegistryDocument Parse(std::string_view text) {
  return ParseRegistryText(std::as_bytes(std::span(text.data(), text.size())));
}

constexpr std::string_view kUserKey = "HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex";

TEST(RegistryText, ReadsNumbersAndTexts) {
  const auto document = Parse(
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex]\n"
      "\"WindowWidth\"=dword:00000320\n"
      "\"LastMidiPort\"=\"USB MIDI\"\n");
  ASSERT_EQ(document.keys.size(), 1u);
  EXPECT_TRUE(document.preamble.empty());
  const RegistryKey* const key = FindRegistryKey(document, kUserKey);
  ASSERT_NE(key, nullptr);
  const RegistryEntry* const width = FindRegistryValue(*key, "WindowWidth");
  ASSERT_NE(width, nullptr);
  EXPECT_EQ(width->kind, RegistryEntryKind::kNumber);
  EXPECT_EQ(width->number, 800u);
  const RegistryEntry* const port = FindRegistryValue(*key, "LastMidiPort");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->kind, RegistryEntryKind::kText);
  EXPECT_EQ(port->data, "USB MIDI");
  EXPECT_EQ(FindRegistryValue(*key, "LastAudioPort"), nullptr);
}

TEST(RegistryText, WritesTheExportFormat) {
  RegistryDocument document;
  RegistryKey& key = FindOrAddRegistryKey(document, kUserKey);
  SetRegistryValue(key, {RegistryEntryKind::kNumber, "WindowWidth", 0x320, {}});
  SetRegistryValue(key, {RegistryEntryKind::kNumber, "WindowHeight", 0xDEADBEEF, {}});
  SetRegistryValue(key, {RegistryEntryKind::kText, "SoundDirectory", 0, "C:\\Sounds\\\"New\""});
  SetRegistryValue(key, {RegistryEntryKind::kText, "", 0, "default"});
  FindOrAddRegistryKey(document, "HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex\\Sub");
  const std::string expected =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex]\n"
      "\"WindowWidth\"=dword:00000320\n"
      "\"WindowHeight\"=dword:deadbeef\n"
      "\"SoundDirectory\"=\"C:\\\\Sounds\\\\\\\"New\\\"\"\n"
      "@=\"default\"\n"
      "\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex\\Sub]\n"
      "\n";
  EXPECT_EQ(FormatRegistryText(document), expected);

  // And back: the same values, the same text.
  const auto reread = Parse(expected);
  EXPECT_EQ(FormatRegistryText(reread), expected);
  const RegistryEntry* const folder =
      FindRegistryValue(*FindRegistryKey(reread, kUserKey), "SoundDirectory");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->data, "C:\\Sounds\\\"New\"");
  const RegistryEntry* const unnamed = FindRegistryValue(*FindRegistryKey(reread, kUserKey), "");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->data, "default");
}

TEST(RegistryText, TextsAreBytes) {
  RegistryDocument document;
  const std::string text = "Caf\xE9 \x01\x7F\xFF";
  SetRegistryValue(FindOrAddRegistryKey(document, kUserKey),
                   {RegistryEntryKind::kText, "Port\xE9", 0, text});
  const auto reread = Parse(FormatRegistryText(document));
  const RegistryEntry* const value =
      FindRegistryValue(*FindRegistryKey(reread, kUserKey), "Port\xE9");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, text);
}

TEST(RegistryText, NamesCompareCaseInsensitively) {
  auto document = Parse(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\KESTRUM\\norvadex]\n"
      "\"windowWIDTH\"=dword:00000001\n");
  RegistryKey* const key = FindRegistryKey(document, kUserKey);
  ASSERT_NE(key, nullptr);
  ASSERT_NE(FindRegistryValue(*key, "WindowWidth"), nullptr);
  // Only ASCII letters fold.
  EXPECT_EQ(FindRegistryValue(*key, "WindowWidth\xC9"), nullptr);

  // A new value of the same name replaces the old one in place, keeping its spelling.
  SetRegistryValue(*key, {RegistryEntryKind::kText, "WINDOWWIDTH", 0, "wide"});
  ASSERT_EQ(key->entries.size(), 1u);
  EXPECT_EQ(key->entries[0].name, "windowWIDTH");
  EXPECT_EQ(key->entries[0].kind, RegistryEntryKind::kText);
  EXPECT_EQ(&FindOrAddRegistryKey(document, kUserKey), key);
  EXPECT_EQ(document.keys.size(), 1u);
}

TEST(RegistryText, NumberForms) {
  struct Case {
    std::string_view data;
    bool isNumber;
    std::uint32_t number;
  };
  const Case cases[] = {
      {"dword:00000320", true, 0x320},
      {"dword:FFFFFFFF", true, 0xFFFFFFFF},
      {"DWORD:7", true, 7},
      {"dword:aBcD", true, 0xABCD},
      {"dword:", false, 0},
      {"dword:100000000", false, 0},
      {"dword:0x10", false, 0},
      {"dword:12 34", false, 0},
      {"dword:-1", false, 0},
      {"hex:20,03,00,00", false, 0},
      {"qword:0000000000000001", false, 0},
  };
  for (const Case& c : cases) {
    const std::string text = "[A]\n\"N\"=" + std::string(c.data) + "\n";
    const auto document = Parse(text);
    const RegistryEntry* const value = FindRegistryValue(*FindRegistryKey(document, "A"), "N");
    ASSERT_NE(value, nullptr) << c.data;
    EXPECT_EQ(value->kind == RegistryEntryKind::kNumber, c.isNumber) << c.data;
    EXPECT_EQ(value->number, c.number) << c.data;
  }
}

TEST(RegistryText, DamagedTextValuesAreOtherValues) {
  const std::string_view lines[] = {
      "\"N\"=\"no end",
      "\"N\"=\"bad \\n escape\"",
      "\"N\"=\"trailing\" junk",
      "\"N\"=\"ends in a lone backslash\\\"",
  };
  for (const std::string_view line : lines) {
    const std::string text = "[A]\n" + std::string(line) + "\n";
    const auto document = Parse(text);
    const RegistryEntry* const value = FindRegistryValue(*FindRegistryKey(document, "A"), "N");
    ASSERT_NE(value, nullptr) << line;
    EXPECT_EQ(value->kind, RegistryEntryKind::kOther) << line;
    // Kept as it was.
    EXPECT_EQ(FormatRegistryText(document),
              std::string(kRegistryTextHeader) + "\n\n[A]\n" + std::string(line) + "\n\n");
  }
}

TEST(RegistryText, KeepsWhatItDoesNotUnderstand) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; written by hand\n"
      "\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Kestrum\\Norvadex]\n"
      "; the old port\n"
      "\"Binary\"=hex:01,02,03,\\\n"
      "  04,05\n"
      "\"Expand\"=hex(2):25,00,00,00\n"
      "not a value line\n"
      "\"LastMidiPort\"=\"Port 1\"\n"
      "\n";
  const auto document = Parse(text);
  ASSERT_EQ(document.preamble.size(), 1u);
  const RegistryKey* const key = FindRegistryKey(document, kUserKey);
  ASSERT_NE(key, nullptr);
  const RegistryEntry* const binary = FindRegistryValue(*key, "Binary");
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(binary->kind, RegistryEntryKind::kOther);
  EXPECT_EQ(binary->data, "hex:01,02,03,\\\n  04,05");
  // The continuation line is not a line of its own.
  EXPECT_EQ(key->entries.size(), 5u);
  const RegistryEntry* const port = FindRegistryValue(*key, "LastMidiPort");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->data, "Port 1");
  EXPECT_EQ(FormatRegistryText(document), text);
}

TEST(RegistryText, ValuesAfterADamagedKeyLineBelongToNoKey) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[A]\n"
      "\"N\"=dword:00000001\n"
      "\n"
      "[B\n"
      "\"N\"=dword:00000002\n"
      "\n"
      "[-C]\n"
      "\"M\"=dword:00000003\n"
      "\n"
      "[C]\n"
      "\"M\"=dword:00000004\n"
      "\n";
  auto document = Parse(text);
  ASSERT_EQ(document.keys.size(), 4u);
  EXPECT_EQ(FindRegistryKey(document, "B"), nullptr);
  EXPECT_EQ(FindRegistryKey(document, "[B"), nullptr);
  EXPECT_EQ(FindRegistryValue(*FindRegistryKey(document, "A"), "N")->number, 1u);
  EXPECT_EQ(FindRegistryValue(*FindRegistryKey(document, "C"), "M")->number, 4u);
  EXPECT_EQ(FormatRegistryText(document), text);

  // A value added to A stays with A when read back.
  SetRegistryValue(*FindRegistryKey(document, "A"), {RegistryEntryKind::kNumber, "X", 9, {}});
  const auto reread = Parse(FormatRegistryText(document));
  const RegistryEntry* const added = FindRegistryValue(*FindRegistryKey(reread, "A"), "X");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->number, 9u);
}

TEST(RegistryText, RepeatedKeysAndValuesMerge) {
  const auto document = Parse(
      "[A]\n\"N\"=dword:00000001\n\"O\"=\"o\"\n"
      "[B]\n"
      "[a]\n\"n\"=dword:00000002\n");
  ASSERT_EQ(document.keys.size(), 2u);
  const RegistryKey* const key = FindRegistryKey(document, "A");
  ASSERT_EQ(key->entries.size(), 2u);
  EXPECT_EQ(FindRegistryValue(*key, "N")->number, 2u);
}

TEST(RegistryText, LineEndingsAndMarks) {
  const auto document = Parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[A]\r\n"
      "\"N\"=\"x\"\r\n"
      "\"M\"=dword:00000002   \r\n");
  EXPECT_TRUE(document.preamble.empty());
  const RegistryKey* const key = FindRegistryKey(document, "A");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(FindRegistryValue(*key, "N")->data, "x");
  EXPECT_EQ(FindRegistryValue(*key, "M")->number, 2u);
  EXPECT_EQ(FormatRegistryText(document),
            "Windows Registry Editor Version 5.00\n\n[A]\n\"N\"=\"x\"\n\"M\"=dword:00000002\n\n");
}

TEST(RegistryText, GarbageNeverBreaksTheReader) {
  const std::string inputs[] = {
      "",
      "\n\n\n",
      "[",
      "[]",
      "\"",
      "[A]\n\"",
      "[A]\n\"N\"",
      "[A]\n\"N\"=",
      "[A]\n@",
      "[A]\n\"N\"=hex:\\",
      "[A]\n\"N\0\"=\"\0\"\n\xFF\xFE"s,
      "\xFF\xFEW\0i\0n\0"s,
  };
  for (const std::string& input : inputs) {
    const auto document = Parse(input);
    // Whatever was read, writing it and reading it again gives the same file.
    const std::string once = FormatRegistryText(document);
    EXPECT_EQ(FormatRegistryText(Parse(once)), once);
  }
  const auto document = Parse("[A]\n\"N\0\"=\"a\0b\"\n"s);
  const RegistryEntry* const value = FindRegistryValue(*FindRegistryKey(document, "A"), "N\0"s);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, "a\0b"s);
}

}  // namespace
}  // namespace tolvane
