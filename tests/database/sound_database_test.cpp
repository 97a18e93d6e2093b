#include "database/sound_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing.h"

namespace tolvane {
namespace {

using testing::EntryNames;
using testing::SectionNames;

TEST(SoundDatabase, SectionsAreKeptInCaseInsensitiveOrder) {
  SoundDatabase database;
  for (const char* name : {"b", "A", "_x", "a2", "\xE9t\xE9", "B1"})
    FindOrCreateSection(database, name);
  // '_' (0x5F) sorts before the folded letters, bytes above 0x7F after them.
  EXPECT_EQ(SectionNames(database),
            (std::vector<std::string>{"_x", "A", "a2", "b", "B1", "\xE9t\xE9"}));
}

TEST(SoundDatabase, SectionNameKeepsFirstSpelling) {
  SoundDatabase database;
  DatabaseSection& first = FindOrCreateSection(database, "drums");
  DatabaseSection& again = FindOrCreateSection(database, "DRUMS");
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(again.name, "drums");
  EXPECT_EQ(database.sections.size(), 1u);
}

TEST(SoundDatabase, SectionsAndEntriesStayPutWhileOthersAreAdded) {
  SoundDatabase database;
  DatabaseSection& middle = FindOrCreateSection(database, "m");
  DatabaseEntry& entry = FindOrCreateEntry(middle, "m");
  for (int i = 0; i < 200; ++i) {
    const std::string name(1, static_cast<char>('a' + i % 26));
    FindOrCreateSection(database, name + std::to_string(i));
    FindOrCreateEntry(middle, name + std::to_string(i));
  }
  EXPECT_EQ(&FindOrCreateSection(database, "M"), &middle);
  EXPECT_EQ(FindEntry(middle, "M"), &entry);
}

TEST(SoundDatabase, NewEntryIsEmptyAndInOrder) {
  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "Drums");
  FindOrCreateEntry(section, "snare");
  DatabaseEntry& kick = FindOrCreateEntry(section, "Kick");
  FindOrCreateEntry(section, "HAT");
  EXPECT_EQ(EntryNames(section), (std::vector<std::string>{"HAT", "Kick", "snare"}));
  EXPECT_EQ(kick.category, 0u);
  EXPECT_EQ(kick.number, 0);
  EXPECT_EQ(kick.text, "");
  kick.category = 0x4B54;
  EXPECT_EQ(&FindOrCreateEntry(section, "KICK"), &kick);
  EXPECT_EQ(kick.category, 0x4B54u);
  EXPECT_EQ(kick.name, "Kick");
}

TEST(SoundDatabase, FindEntryDoesNotCreate) {
  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "Drums");
  EXPECT_EQ(FindEntry(section, "Kick"), nullptr);
  EXPECT_TRUE(section.entries.empty());
  DatabaseEntry& kick = FindOrCreateEntry(section, "Kick");
  EXPECT_EQ(FindEntry(section, "kICK"), &kick);
  EXPECT_EQ(FindEntry(section, "Kick "), nullptr);
  EXPECT_EQ(FindEntry(section, "Kic"), nullptr);
}

TEST(SoundDatabase, SetEntryTextCreatesAndReplaces) {
  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "Drums");
  SetEntryText(section, "Kick", "a longer first text");
  ASSERT_NE(FindEntry(section, "kick"), nullptr);
  EXPECT_EQ(FindEntry(section, "kick")->text, "a longer first text");
  SetEntryText(section, "KICK", "ab");
  EXPECT_EQ(FindEntry(section, "Kick")->text, "ab");
  EXPECT_EQ(section.entries.size(), 1u);
}

}  // namespace
}  // namespace tolvane
