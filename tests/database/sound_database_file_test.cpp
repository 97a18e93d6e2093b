#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "database/sound_database.h"
#include "tests/support/environment.h"
#include "tests/support/test_folder.h"

#include "listing.h"

namespace tolvane {
namespace {

constexpr std::uint32_t Code(char first, char second) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(first)) << 8 |
         static_cast<unsigned char>(second);
}

SoundDatabase Parse(std::string_view text) {
  SoundDatabase database;
  ParseSoundDatabase(database, std::as_bytes(std::span(text.data(), text.size())));
  return database;
}

using testing::EntryNames;
using testing::SectionNames;

// Sections, entries and every field, as one comparable text.
std::string Describe(const SoundDatabase& database) {
  std::string out;
  for (const auto& section : database.sections) {
    out += "[" + section->name + "]\n";
    for (const auto& entry : section->entries) {
      out += entry->name + " | " + std::to_string(entry->number) + " | " +
             std::to_string(entry->category) + " | " + entry->text + "\n";
    }
  }
  return out;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::filesystem::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

TEST(SoundDatabaseFile, ClapLineReadsAndWritesBack) {
  const SoundDatabase database = Parse("[Perc]\r\nClap 1=7;PC;my note\r\n");
  ASSERT_EQ(database.sections.size(), 1u);
  const DatabaseEntry* clap = FindEntry(*database.sections[0], "Clap 1");
  ASSERT_NE(clap, nullptr);
  EXPECT_EQ(clap->number, 7);
  EXPECT_EQ(clap->category, Code('P', 'C'));
  EXPECT_EQ(clap->text, "my note");
  EXPECT_EQ(FormatSoundDatabase(database), "[Perc]\r\nClap 1=7;PC;my note\r\n");
}

struct EntryCase {
  const char* line;
  const char* key;
  std::int32_t number;
  std::uint32_t category;
  const char* text;
};

TEST(SoundDatabaseFile, EntryLineFields) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  const EntryCase cases[] = {
      {"Clap 1=7", "Clap 1", 0, 0, ""},
      {"Clap 1=x;PC;", "Clap 1", 0, Code('P', 'C'), ""},
      {"Clap 1=3;PCxy;t;u", "Clap 1", 3, Code('P', 'C'), "t;u"},
      {"Clap 1=3;P;", "Clap 1", 3, 0, ""},
      {"Clap 1=3;PC", "Clap 1", 3, 0, ""},  // no second ';': letters not read
      {"Clap 1=;;", "Clap 1", 0, 0, ""},
      {"Clap 1=", "Clap 1", 0, 0, ""},
      {"Clap 1=  -42abc;AB;", "Clap 1", -42, Code('A', 'B'), ""},
      {"Clap 1=+5;AB;", "Clap 1", 5, Code('A', 'B'), ""},
      {"Clap 1=- 5;AB;", "Clap 1", 0, Code('A', 'B'), ""},
      {"Clap 1=2147483647;AB;", "Clap 1", kMax, Code('A', 'B'), ""},
      {"Clap 1=2147483648;AB;", "Clap 1", kMax, Code('A', 'B'), ""},
      {"Clap 1=-2147483648;AB;", "Clap 1", kMin, Code('A', 'B'), ""},
      {"Clap 1=-99999999999999999999999999;AB;", "Clap 1", kMin, Code('A', 'B'), ""},
      {"Clap 1=99999999999999999999999999;AB;", "Clap 1", kMax, Code('A', 'B'), ""},
      {"Clap 1=1;\xE9\xFC;", "Clap 1", 1, 0xE9FC, ""},
      {"Clap 1=1;AB;x=y;z", "Clap 1", 1, Code('A', 'B'), "x=y;z"},
      {"Clap 1=1;AB; ", "Clap 1", 1, Code('A', 'B'), " "},
      {" Clap 1 =1;AB;", " Clap 1 ", 1, Code('A', 'B'), ""},
      {"=5;AB;t", "", 5, Code('A', 'B'), "t"},
      {"a;b=c=d;EF;", "a;b", 0, Code('E', 'F'), ""},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.line);
    const SoundDatabase database = Parse(std::string("[S]\r\n") + c.line + "\r\n");
    ASSERT_EQ(database.sections.size(), 1u);
    ASSERT_EQ(database.sections[0]->entries.size(), 1u);
    const DatabaseEntry& entry = *database.sections[0]->entries[0];
    EXPECT_EQ(entry.name, c.key);
    EXPECT_EQ(entry.number, c.number);
    EXPECT_EQ(entry.category, c.category);
    EXPECT_EQ(entry.text, c.text);
  }
}

TEST(SoundDatabaseFile, FieldRewrittenAsRead) {
  EXPECT_EQ(FormatSoundDatabase(Parse("[S]\nClap 1=x;PC;\n")), "[S]\r\nClap 1=0;PC;\r\n");
  EXPECT_EQ(FormatSoundDatabase(Parse("[S]\nClap 1=3;PCxy;t;u\n")), "[S]\r\nClap 1=3;PC;t;u\r\n");
  EXPECT_EQ(FormatSoundDatabase(Parse("[S]\nClap 1=-8;PC;\n")), "[S]\r\nClap 1=-8;PC;\r\n");
}

TEST(SoundDatabaseFile, SectionsAndKeysMergeCaseInsensitively) {
  const SoundDatabase database = Parse("[drums]\r\nKick=1;KT;\r\n[DRUMS]\r\nKICK=2;;\r\n");
  EXPECT_EQ(SectionNames(database), std::vector<std::string>{"drums"});
  ASSERT_EQ(database.sections[0]->entries.size(), 1u);
  const DatabaseEntry& kick = *database.sections[0]->entries[0];
  EXPECT_EQ(kick.name, "Kick");
  EXPECT_EQ(kick.number, 2);
  EXPECT_EQ(kick.category, Code('K', 'T'));
}

TEST(SoundDatabaseFile, LaterLineUpdatesOnlyWhatItHolds) {
  const SoundDatabase database = Parse("[D]\nKick=1;KT;hello\nkick=2;SE;\nKICK=3;X;\nKick=4\n");
  const DatabaseEntry& kick = *database.sections[0]->entries[0];
  EXPECT_EQ(kick.number, 3);  // "Kick=4" has no ';' and sets nothing
  EXPECT_EQ(kick.category, Code('S', 'E'));
  EXPECT_EQ(kick.text, "hello");
}

TEST(SoundDatabaseFile, EntriesOutsideAGoodSectionAreIgnored) {
  const SoundDatabase database = Parse(
      "Lost=1;AA;\r\n"
      "[Drums] trailing words\r\n"
      "Kick=2;KT;\r\n"
      "[]\r\n"
      "AfterEmpty=3;BB;\r\n"
      "[Drums\r\n"
      "AfterOpen=4;CC;\r\n"
      "[Perc]\r\n"
      "Clap=5;PC;\r\n"
      "no equals sign here\r\n");
  EXPECT_EQ(SectionNames(database), (std::vector<std::string>{"Drums", "Perc"}));
  EXPECT_EQ(EntryNames(*database.sections[0]), std::vector<std::string>{"Kick"});
  EXPECT_EQ(EntryNames(*database.sections[1]), std::vector<std::string>{"Clap"});
}

TEST(SoundDatabaseFile, SectionNameEndsAtFirstBracket) {
  const SoundDatabase database = Parse("[a]b]\n[[c]\nK=1;AB;\n");
  EXPECT_EQ(SectionNames(database), (std::vector<std::string>{"[c", "a"}));
  EXPECT_EQ(EntryNames(*database.sections[0]), std::vector<std::string>{"K"});
}

TEST(SoundDatabaseFile, LinesOf1023BytesOrMoreAreSkippedWhole) {
  // "Long=1;AB;" is 10 bytes; the text fills the line to the wanted length.
  const auto line = [](const char* key, std::size_t length) {
    std::string text = std::string(key) + "=1;AB;";
    text.append(length - text.size(), 't');
    return text;
  };
  const std::string file = "[S]\r\n" + line("Fits", 1022) + "\r\n" + line("TooLong", 1023) +
                           "\r\n" + line("Longer", 5000) + "\nAfter=2;CD;\r\n";
  const SoundDatabase database = Parse(file);
  ASSERT_EQ(database.sections.size(), 1u);
  EXPECT_EQ(EntryNames(*database.sections[0]), (std::vector<std::string>{"After", "Fits"}));
  const DatabaseEntry* fits = FindEntry(*database.sections[0], "Fits");
  ASSERT_NE(fits, nullptr);
  EXPECT_EQ(fits->text.size(), 1022u - 10u);
  // Read back, the 1022-byte line is written whole.
  EXPECT_NE(FormatSoundDatabase(database).find(line("Fits", 1022) + "\r\n"), std::string::npos);

  // A section line that is too long is skipped, and so its entries.
  const SoundDatabase sections =
      Parse("[" + std::string(1022, 's') + "]\nK=1;AB;\n[" + std::string(1020, 'r') + "]\nL=1;;\n");
  EXPECT_EQ(SectionNames(sections), std::vector<std::string>{std::string(1020, 'r')});
}

TEST(SoundDatabaseFile, EveryControlByteSplitsLines) {
  const std::string file =
      std::string("\n\n[S]\tKick=1;KT;note\tSnare=2;SE;\x01\x1F") + '\0' + "Hat=3;HC;\r\r\n\n";
  const SoundDatabase database = Parse(file);
  ASSERT_EQ(SectionNames(database), std::vector<std::string>{"S"});
  EXPECT_EQ(EntryNames(*database.sections[0]), (std::vector<std::string>{"Hat", "Kick", "Snare"}));
  EXPECT_EQ(FindEntry(*database.sections[0], "Kick")->text, "note");
  // High bytes are ordinary characters.
  const SoundDatabase high = Parse("[Caf\xE9]\n\xC4pfel=1;\x80\xFF;\xA0\n");
  ASSERT_EQ(SectionNames(high), std::vector<std::string>{"Caf\xE9"});
  const DatabaseEntry* entry = FindEntry(*high.sections[0], "\xC4pfel");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->category, 0x80FFu);
  EXPECT_EQ(entry->text, "\xA0");
}

TEST(SoundDatabaseFile, EmptyAndSeparatorOnlyInputGiveNothing) {
  EXPECT_TRUE(Parse("").sections.empty());
  EXPECT_TRUE(Parse(std::string("\r\n\t\0", 4)).sections.empty());
  EXPECT_TRUE(Parse("Kick=1;KT;").sections.empty());
}

TEST(SoundDatabaseFile, ParseMergesIntoWhatIsHeld) {
  SoundDatabase database;
  DatabaseEntry& kept = FindOrCreateEntry(FindOrCreateSection(database, "Drums"), "Kick");
  kept.category = Code('K', 'T');
  kept.text = "old";
  const std::string_view file = "[drums]\nkick=9;;\nSnare=1;SE;\n";
  ParseSoundDatabase(database, std::as_bytes(std::span(file.data(), file.size())));
  ASSERT_EQ(database.sections.size(), 1u);
  EXPECT_EQ(EntryNames(*database.sections[0]), (std::vector<std::string>{"Kick", "Snare"}));
  EXPECT_EQ(kept.number, 9);
  EXPECT_EQ(kept.category, Code('K', 'T'));
  EXPECT_EQ(kept.text, "old");
}

TEST(SoundDatabaseFile, OutputIsSortedWhateverTheInputOrder) {
  const SoundDatabase database =
      Parse("[zeta]\nb=1;AB;\n[Alpha]\nZ=1;AB;\n_u=1;AB;\nc=1;AB;\nA=1;AB;\n[beta]\n[_first]\n");
  EXPECT_EQ(FormatSoundDatabase(database),
            "[_first]\r\n"
            "[Alpha]\r\n"
            "_u=1;AB;\r\n"
            "A=1;AB;\r\n"
            "c=1;AB;\r\n"
            "Z=1;AB;\r\n"
            "[beta]\r\n"
            "[zeta]\r\n"
            "b=1;AB;\r\n");
}

TEST(SoundDatabaseFile, GoldenBytes) {
  SoundDatabase database;
  DatabaseSection& drums = FindOrCreateSection(database, "Drums");
  FindOrCreateSection(database, "Strings");
  FindOrCreateEntry(drums, "Snare 1").category = Code('S', 'E');
  FindOrCreateEntry(drums, "Kick 1").category = Code('K', 'T');
  const std::string expected = "[Drums]\r\nKick 1=0;KT;\r\nSnare 1=0;SE;\r\n[Strings]\r\n";
  EXPECT_EQ(FormatSoundDatabase(database), expected);

  const testing::TestFolder folder;
  ASSERT_TRUE(SaveSoundDatabase(database, folder / "db.INI"));
  EXPECT_EQ(ReadAll(folder / "db.INI"), expected);
}

TEST(SoundDatabaseFile, FormatThenParseGivesTheSameDatabase) {
  SoundDatabase database;
  DatabaseSection& drums = FindOrCreateSection(database, "Drums");
  DatabaseEntry& kick = FindOrCreateEntry(drums, "Kick 1");
  kick.category = Code('K', 'T');
  kick.number = -17;
  kick.text = "semi;colons=and equals";
  FindOrCreateEntry(drums, "").category = Code('x', '@');
  FindOrCreateEntry(drums, " spaced ").number = std::numeric_limits<std::int32_t>::min();
  FindOrCreateSection(database, "Empty");
  DatabaseSection& high = FindOrCreateSection(database, "\xC4\xD6\xDC [x");
  FindOrCreateEntry(high, "\xE9t\xE9;x").category = 0xE9FC;

  const SoundDatabase again = Parse(FormatSoundDatabase(database));
  EXPECT_EQ(Describe(again), Describe(database));
}

TEST(SoundDatabaseFile, ZeroByteCategoryKeepsItsLineWhole) {
  SoundDatabase database;
  DatabaseSection& drums = FindOrCreateSection(database, "Drums");
  DatabaseEntry& a = FindOrCreateEntry(drums, "A");
  a.number = 5;
  a.text = "note";  // category 0: both letters are zero bytes
  DatabaseEntry& b = FindOrCreateEntry(drums, "B");
  b.number = 6;
  b.category = Code('K', '\0');
  DatabaseEntry& c = FindOrCreateEntry(drums, "C");
  c.category = Code('\t', 'T');
  c.text = "t";
  DatabaseEntry& d = FindOrCreateEntry(drums, "D");
  d.category = Code(';', 'T');
  d.text = "kept";
  FindOrCreateEntry(drums, "E").category = Code('S', 'E');
  FindOrCreateSection(database, "Next");

  const std::string written = FormatSoundDatabase(database);
  EXPECT_EQ(written,
            "[Drums]\r\n"
            "A=5;;note\r\n"
            "B=6;;\r\n"
            "C=0;;t\r\n"
            "D=0;;kept\r\n"
            "E=0;SE;\r\n"
            "[Next]\r\n");

  const SoundDatabase again = Parse(written);
  ASSERT_EQ(SectionNames(again), (std::vector<std::string>{"Drums", "Next"}));
  const DatabaseSection& read = *again.sections[0];
  ASSERT_EQ(EntryNames(read), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(FindEntry(read, "A")->category, 0u);
  EXPECT_EQ(FindEntry(read, "A")->number, 5);
  EXPECT_EQ(FindEntry(read, "A")->text, "note");
  EXPECT_EQ(FindEntry(read, "B")->number, 6);
  EXPECT_EQ(FindEntry(read, "D")->text, "kept");
  EXPECT_EQ(FindEntry(read, "E")->category, Code('S', 'E'));
}

TEST(SoundDatabaseFile, NamesThatCannotReadBackAreNotWritten) {
  SoundDatabase database;
  DatabaseSection& drums = FindOrCreateSection(database, "Drums");
  FindOrCreateEntry(drums, "Kick").category = Code('K', 'T');
  // Would read back as "Kick" and overwrite its category.
  FindOrCreateEntry(drums, "Kick=Hard").category = Code('S', 'E');
  // Would read as section lines and misfile the entries after them.
  FindOrCreateEntry(drums, "[Kit] Snare").category = Code('S', 'C');
  FindOrCreateEntry(drums, "[Kit").category = Code('S', 'C');
  FindOrCreateEntry(drums, "Line\nbreak").category = Code('S', 'C');
  FindOrCreateEntry(drums, "Tom").category = Code('O', 'T');
  // "[Drums]x]" would read back as section "Drums"; "" as no section at all.
  FindOrCreateEntry(FindOrCreateSection(database, "Drums]x"), "Kick").category = Code('A', 'A');
  FindOrCreateEntry(FindOrCreateSection(database, ""), "Kick").category = Code('B', 'B');
  FindOrCreateEntry(FindOrCreateSection(database, "Split\r\n[Drums]"), "Tom").category =
      Code('C', 'C');

  const std::string written = FormatSoundDatabase(database);
  EXPECT_EQ(written, "[Drums]\r\nKick=0;KT;\r\nTom=0;OT;\r\n");
  const SoundDatabase again = Parse(written);
  ASSERT_EQ(SectionNames(again), std::vector<std::string>{"Drums"});
  EXPECT_EQ(FindEntry(*again.sections[0], "Kick")->category, Code('K', 'T'));
  EXPECT_EQ(FindEntry(*again.sections[0], "Tom")->category, Code('O', 'T'));
}

TEST(SoundDatabaseFile, TextIsKeptOnItsLine) {
  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "S");
  DatabaseEntry& broken = FindOrCreateEntry(section, "Broken");
  broken.category = Code('K', 'T');
  broken.text = "a\r\n[Other]\tb";
  DatabaseEntry& huge = FindOrCreateEntry(section, "Huge");
  huge.category = Code('S', 'E');
  huge.text = std::string(3000, 'h');
  FindOrCreateEntry(section, "Zed").number = 1;

  const SoundDatabase again = Parse(FormatSoundDatabase(database));
  ASSERT_EQ(SectionNames(again), std::vector<std::string>{"S"});
  ASSERT_EQ(EntryNames(*again.sections[0]), (std::vector<std::string>{"Broken", "Huge", "Zed"}));
  EXPECT_EQ(FindEntry(*again.sections[0], "Broken")->text, "a  [Other] b");
  // The longest line that still reads back: "Huge=0;SE;" and 1012 bytes of text.
  const DatabaseEntry* hugeAgain = FindEntry(*again.sections[0], "Huge");
  EXPECT_EQ(hugeAgain->category, Code('S', 'E'));
  EXPECT_EQ(hugeAgain->text, std::string(1012, 'h'));
  EXPECT_EQ(FindEntry(*again.sections[0], "Zed")->number, 1);
}

class SoundDatabaseFiles : public ::testing::Test {
 protected:
  static SoundDatabase Sample() {
    SoundDatabase database;
    DatabaseSection& drums = FindOrCreateSection(database, "Drums");
    DatabaseEntry& kick = FindOrCreateEntry(drums, "Kick 1");
    kick.category = Code('K', 'T');
    kick.number = 12;
    kick.text = "note";
    FindOrCreateEntry(drums, "snare").category = Code('S', 'E');
    FindOrCreateSection(database, "Strings");
    return database;
  }
  testing::TestFolder folder_;
};

TEST_F(SoundDatabaseFiles, SaveThenLoad) {
  const auto path = folder_ / "tolvane-sound-converter.INI";
  SoundDatabase saved = Sample();
  ASSERT_TRUE(SaveSoundDatabase(saved, path));
  SoundDatabase loaded;
  ASSERT_EQ(LoadSoundDatabase(loaded, path), DatabaseLoad::kRead);
  EXPECT_EQ(Describe(loaded), Describe(saved));
  // Saving again replaces the file rather than adding to it.
  ASSERT_TRUE(SaveSoundDatabase(loaded, path));
  EXPECT_EQ(ReadAll(path), FormatSoundDatabase(saved));
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

// What is at the path decides the outcome; only a read file changes the database, and only a
// file that is absent or was read can be saved over.
TEST_F(SoundDatabaseFiles, LoadTellsAbsentFromUnreadable) {
  WriteAll(folder_ / "empty.INI", "");
  WriteAll(folder_ / "blank.INI", "\r\n\r\n");
  WriteAll(folder_ / "plain", "not a folder");
  struct Case {
    std::filesystem::path path;
    DatabaseLoad expected;
  };
  std::vector<Case> cases = {
      {folder_ / "missing.INI", DatabaseLoad::kAbsent},
      {folder_ / "plain" / "db.INI", DatabaseLoad::kAbsent},
      {folder_ / "empty.INI", DatabaseLoad::kRead},
      {folder_ / "blank.INI", DatabaseLoad::kRead},
      {folder_.path(), DatabaseLoad::kUnreadable},
  };
#ifndef _WIN32
  // Windows has no pipes in folders, nor modes that lock a file's owner out.
  ASSERT_EQ(::mkfifo((folder_ / "pipe.INI").c_str(), 0600), 0);
  WriteAll(folder_ / "locked.INI", "[Kept]\r\nKick=1;KT;\r\n");
  ASSERT_EQ(::chmod((folder_ / "locked.INI").c_str(), 0), 0);
  cases.push_back({folder_ / "pipe.INI", DatabaseLoad::kUnreadable});
  // Permissions do not keep root out.
  if (::geteuid() != 0) cases.push_back({folder_ / "locked.INI", DatabaseLoad::kUnreadable});
#endif

  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    SoundDatabase database = Sample();
    const std::string before = Describe(database);
    EXPECT_EQ(LoadSoundDatabase(database, c.path), c.expected);
    EXPECT_EQ(Describe(database), before);
    if (c.expected != DatabaseLoad::kUnreadable) continue;
    // Something that could not be read is never replaced by what the program holds.
    EXPECT_FALSE(SaveSoundDatabase(database, c.path));
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder_.path()));
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::is_fifo(folder_ / "pipe.INI"));
  ::chmod((folder_ / "locked.INI").c_str(), 0600);
  EXPECT_EQ(ReadAll(folder_ / "locked.INI"), "[Kept]\r\nKick=1;KT;\r\n");
#endif
}

// Two programs share the file: each save keeps what the other saved since, and only the
// categories a program changed itself win over the file.
TEST_F(SoundDatabaseFiles, SavesMergeWithTheFile) {
  const auto path = folder_ / "db.INI";
  WriteAll(path, "[Drums]\r\nKick=3;KT;first\r\nSnare=0;SE;\r\n");
  SoundDatabase window, tool;
  ASSERT_EQ(LoadSoundDatabase(window, path), DatabaseLoad::kRead);
  ASSERT_EQ(LoadSoundDatabase(tool, path), DatabaseLoad::kRead);

  DatabaseEntry& kick = FindOrCreateEntry(FindOrCreateSection(window, "Drums"), "Kick");
  kick.category = Code('K', 'C');
  kick.changed = true;
  FindOrCreateSection(window, "Pads");  // a file dropped in this run
  ASSERT_TRUE(SaveSoundDatabase(window, path));
  EXPECT_FALSE(kick.changed);

  DatabaseEntry& snare = FindOrCreateEntry(FindOrCreateSection(tool, "drums"), "SNARE");
  snare.category = Code('S', 'H');
  snare.changed = true;
  ASSERT_TRUE(SaveSoundDatabase(tool, path));
  EXPECT_EQ(ReadAll(path), "[Drums]\r\nKick=3;KC;first\r\nSnare=0;SH;\r\n[Pads]\r\n");
  // The tool now holds what the window saved.
  EXPECT_EQ(FindEntry(*tool.sections[0], "Kick")->category, Code('K', 'C'));

  // A category saved earlier is not forced again: the window's next save keeps the tool's.
  FindOrCreateEntry(FindOrCreateSection(tool, "Drums"), "Kick").category = Code('K', 'E');
  FindOrCreateEntry(FindOrCreateSection(tool, "Drums"), "Kick").changed = true;
  ASSERT_TRUE(SaveSoundDatabase(tool, path));
  ASSERT_TRUE(SaveSoundDatabase(window, path));
  EXPECT_EQ(kick.category, Code('K', 'E'));
  EXPECT_EQ(ReadAll(path), "[Drums]\r\nKick=3;KE;first\r\nSnare=0;SH;\r\n[Pads]\r\n");
}

// Saves that run at the same time are taken in turn, so none loses another's entry.
TEST_F(SoundDatabaseFiles, ConcurrentSavesKeepEveryEntry) {
  const auto path = folder_ / "db.INI";
  constexpr int kWriters = 8;
  std::vector<std::thread> writers;
  std::atomic<int> failures = 0;
  for (int i = 0; i < kWriters; ++i) {
    writers.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) {
        SoundDatabase database;
        DatabaseEntry& entry = FindOrCreateEntry(FindOrCreateSection(database, "S"),
                                                 "E" + std::to_string(i * 10 + round));
        entry.category = Code('K', 'T');
        entry.changed = true;
        if (!SaveSoundDatabase(database, path)) ++failures;
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(failures, 0);
  SoundDatabase loaded;
  ASSERT_EQ(LoadSoundDatabase(loaded, path), DatabaseLoad::kRead);
  ASSERT_EQ(loaded.sections.size(), 1u);
  EXPECT_EQ(loaded.sections[0]->entries.size(), std::size_t{kWriters * 5});
}

TEST_F(SoundDatabaseFiles, SaveIntoMissingFolderCreatesIt) {
  const auto path = folder_ / "Tolvane" / "tolvane-sound-converter.INI";
  SoundDatabase database = Sample();
  ASSERT_TRUE(SaveSoundDatabase(database, path));
  EXPECT_EQ(ReadAll(path), FormatSoundDatabase(Sample()));
}

TEST_F(SoundDatabaseFiles, SaveBelowAFileFails) {
  WriteAll(folder_ / "plain", "not a folder");
  SoundDatabase database = Sample();
  EXPECT_FALSE(SaveSoundDatabase(database, folder_ / "plain" / "db.INI"));
  EXPECT_EQ(ReadAll(folder_ / "plain"), "not a folder");
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

TEST_F(SoundDatabaseFiles, FailedWriteKeepsOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no file size limit to make a write fail part way";
#else
  const auto path = folder_ / "db.INI";
  const std::string old = "[Old]\r\nKick=1;KT;kept\r\n";
  WriteAll(path, old);

  SoundDatabase big;
  DatabaseSection& section = FindOrCreateSection(big, "Big");
  for (int i = 0; i < 200; ++i) FindOrCreateEntry(section, "Entry " + std::to_string(i));
  ASSERT_GT(FormatSoundDatabase(big).size(), 1000u);

  // A file size limit makes the write fail part way, whoever runs the test.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = SaveSoundDatabase(big, path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(folder_.EntryCount(), 1u);
  SoundDatabase loaded;
  ASSERT_EQ(LoadSoundDatabase(loaded, path), DatabaseLoad::kRead);
  EXPECT_EQ(FindEntry(*loaded.sections[0], "Kick")->text, "kept");
#endif
}

// The user's data folder (XDG_DATA_HOME, on Windows LOCALAPPDATA) set to `folder`.
class ScopedDataHome : public testing::ScopedEnvironment {
 public:
  explicit ScopedDataHome(const std::filesystem::path& folder)
      : ScopedEnvironment(testing::kDataHomeVariable, PathToUtf8(folder)) {}
};

TEST_F(SoundDatabaseFiles, PathBesideTheProgramWhenWritable) {
  const ScopedDataHome home(folder_ / "data");
  EXPECT_EQ(SoundDatabasePath(folder_.path()), folder_ / "tolvane-sound-converter.INI");
}

TEST_F(SoundDatabaseFiles, PathInUserDataFolderOtherwise) {
  const ScopedDataHome home(folder_ / "data");
  // A folder that does not exist cannot take a new file, even for root.
  const auto path = SoundDatabasePath(folder_ / "missing");
  EXPECT_EQ(path, folder_ / "data" / "Tolvane" / "tolvane-sound-converter.INI");
  SoundDatabase database = Sample();
  ASSERT_TRUE(SaveSoundDatabase(database, path));
  SoundDatabase loaded;
  EXPECT_EQ(LoadSoundDatabase(loaded, path), DatabaseLoad::kRead);
  EXPECT_EQ(Describe(loaded), Describe(Sample()));
}

TEST(SoundDatabasePaths, DefaultPathIsBesideThisProgram) {
  const auto program = ProgramPath();
  ASSERT_FALSE(program.empty());
  const auto path = DefaultSoundDatabasePath();
  EXPECT_EQ(path.filename(), "tolvane-sound-converter.INI");
  if (IsFolderWritable(program.parent_path())) {
    EXPECT_EQ(path.parent_path(), program.parent_path());
  }
}

}  // namespace
}  // namespace tolvane
