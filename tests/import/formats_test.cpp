// The table of formats: what it recognises a file as, and every list made from it naming the
// same formats as the README.

#include "import/formats.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "database/sound_database.h"
#include "import/format_lists.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::FormatChunk;
using testing::Riff;
using testing::ValuesLE16;

Bytes Text(std::string_view text) {
  Bytes bytes;
  for (const char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

Bytes Padded(std::string_view head, std::size_t size) {
  Bytes bytes = Text(head);
  bytes.resize(std::max(bytes.size(), size), std::byte{0});
  return bytes;
}

// What ImportBytes says of a file of this name and these bytes: its first line for people.
std::string Verdict(std::string_view name, const Bytes& bytes) {
  Library library;
  SoundDatabase database;
  const ImportOutcome outcome = ImportBytes(library, database, name, {bytes, 0});
  return DescribeImportOutcome(outcome, library.instruments.size());
}

TEST(Formats, FilesKnownButNotReadAreNamedWithWhy) {
  Bytes opus = Padded("OggS", 28);
  const Bytes head = Text("OpusHead");
  opus.insert(opus.end(), head.begin(), head.end());
  const struct {
    std::string name;
    Bytes bytes;
    std::string verdict;
  } cases[] = {
      {"a.opus", opus, "not read: an Ogg Opus file (Opus audio is not read)"},
      // By its content, whatever its name says.
      {"a.ogg", opus, "not read: an Ogg Opus file (Opus audio is not read)"},
      {"Song.mp3", Padded("ID3\x04", 64), "not read: an MP3 file (MPEG audio is not read)"},
      {"x.bin", Padded("\xFF\xFB\x90\x44", 64), "not read: an MP3 file (MPEG audio is not read)"},
      {"Kit.akp", Riff("APRG", {Chunk("prg ", Bytes(6))}),
       "not read: an Akai program (Akai programs are not read)"},
      {"Strings.NKI", Padded("\x12\x90\xA8\x7F", 64),
       "not read: a Kontakt instrument (Kontakt's files are closed and not read)"},
      {"Rack.adg", Padded("\x1F\x8B\x08", 64),
       "not read: an Ableton device preset (Ableton's presets are not read)"},
      // MPC 3 saves programs as gzip-compressed JSON under the same extension.
      {"Kit.xpm", Padded("\x1F\x8B\x08", 64),
       "not read: an MPC 3 JSON program (MPC 3's JSON programs are not read yet)"},
      {"Bass.xty", Padded("\x1F\x8B\x08", 64),
       "not read: an MPC project or track (MPC projects and tracks are not read yet)"},
      {"Song.mid", Padded("MThd\0\0\0\x06", 14),
       "not read: a MIDI file (it holds notes, not sounds)"},
      {"Bank.sfArk", Padded("", 64),
       "not read: an sfArk bank (unpack it to a SoundFont bank first)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Verdict(c.name, c.bytes), c.verdict) << c.name;
}

TEST(Formats, WhatNoRowTakesIsNotRecognisedAndReadersStillRead) {
  const std::string unknown = "not recognised as " + ReadFormatsText();
  // An X pixmap shares the MPC program's extension, and frame sync needs a valid header.
  EXPECT_EQ(Verdict("icon.xpm", Text("/* XPM */\nstatic char *icon[] = {")), unknown);
  // Gzip and zip files of other names are not MPC files.
  EXPECT_EQ(Verdict("notes.gz", Padded("\x1F\x8B\x08", 64)), unknown);
  EXPECT_EQ(Verdict("x.bin", Padded("\xFF\xFF\xFF\xFF", 64)), unknown);
  EXPECT_EQ(Verdict("notes.txt", Text("hello")), unknown);
  EXPECT_EQ(Verdict("odd.avi", Riff("AVI ", {Chunk("hdrl", Bytes(8))})), unknown);
  // A WAV file named like an MP3 is read as what it is.
  const Bytes wave =
      Riff("WAVE", {FormatChunk(1, 22050, 16), Chunk("data", ValuesLE16({1, 2, 3, 4}))});
  EXPECT_EQ(Verdict("song.mp3", wave), "");
  // An EXS instrument is read by its magic: one chunk and no zone is damaged, not unread.
  Bytes exs = Padded("", 16);
  for (const std::byte b : Text("SOBT")) exs.push_back(b);
  exs.resize(84);
  EXPECT_EQ(Verdict("Piano.exs", exs), "damaged: no zone");
}

TEST(Formats, PatternsMatchNamesInAnyCase) {
  const struct {
    std::string_view name;
    std::string_view pattern;
    bool matches;
  } cases[] = {
      {"Piano.SFZ", "*.sfz", true},
      {"piano.sfz.bak", "*.sfz", false},
      {"MultiSample.XML", "multisample.xml", true},
      {"my-multisample.xml", "multisample.xml", false},
      {"Strings.dsbundle/", "*.dsbundle/", true},
      {"Strings.dsbundle", "*.dsbundle/", true},
      {"anything", "*/", true},
      {"", "*/", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST(Formats, FoldersAreClaimedByTheFormatTheyHold) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("tolvane-formats-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  const auto make = [&](const std::string& folder, const std::string& file) {
    std::filesystem::create_directories(root / folder);
    if (!file.empty()) std::ofstream(root / folder / file) << "x";
    return root / folder;
  };
  EXPECT_EQ(FormatOfFolder(make("Keys.dsbundle", "")).name, "Decent Sampler preset or library");
  EXPECT_EQ(FormatOfFolder(make("Pad", "MultiSample.xml")).name, "Bitwig multisample");
  EXPECT_EQ(FormatOfFolder(make("Kit", "drumkit.xml")).name, "Hydrogen drum kit");
  EXPECT_EQ(FormatOfFolder(make("Loose", "a.wav")).name, "folder of samples");
  EXPECT_EQ(FormatOfFolder(make("Library/Programs", "Piano.SFZ").parent_path()).name,
            "library folder");
  std::filesystem::remove_all(root);
}

// Every list a user or the desktop sees names what the table reads, and the README holds the
// table as the programs print it.
TEST(Formats, EveryListNamesTheFormatsRead) {
  const std::string message = "not recognised as " + ReadFormatsText();
  const std::string help = HelpFormatsText(88);
  const std::string table = MarkdownFormatTable();
  const std::string mimeTypes = DesktopMimeTypes();
  for (const FileFormat& format : FileFormats()) {
    const std::string name(format.name);
    if (format.import != nullptr) {
      EXPECT_NE(message.find(name), std::string::npos) << name;
    }
    if (format.read()) {
      EXPECT_NE(table.find(name.substr(1)), std::string::npos) << name;
      EXPECT_NE(help.find(name.substr(1)), std::string::npos) << name;
      EXPECT_NE(std::string(format.page), "unread") << name;
    } else {
      EXPECT_NE(table.find("Recognised, not read"), std::string::npos);
      EXPECT_EQ(std::string(format.page), "unread") << name;
      EXPECT_FALSE(format.unread.empty()) << name;
    }
    for (const MimeType& type : format.mimeTypes)
      EXPECT_NE(mimeTypes.find(std::string(type.type) + ';'), std::string::npos);
  }
  std::ifstream readme(TOLVANE_SOURCE_DIR "/README.md");
  std::stringstream text;
  text << readme.rdbuf();
  EXPECT_NE(text.str().find(table), std::string::npos)
      << "README.md's table of formats differs from `tolvane-convert formats --markdown`:\n"
      << table;
  for (const FileFormat& format : FileFormats()) {
    const std::filesystem::path page = std::filesystem::path(TOLVANE_SOURCE_DIR) / "docs" /
                                       "formats" / (std::string(format.page) + ".md");
    EXPECT_TRUE(std::filesystem::exists(page)) << page;
  }
}

}  // namespace
}  // namespace tolvane
