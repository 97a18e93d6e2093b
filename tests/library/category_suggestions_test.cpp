// Categories suggested from names and General MIDI programs.

#include "library/category_suggestions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/sound_database.h"
#include "library/category.h"

namespace tolvane {
namespace {

struct NameCase {
  const char* name;
  const char* code;  // "" for none
};

std::string CodeText(std::uint32_t code) {
  if (code == 0) return "";
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// Names as Debian's kits and banks and common sample packs spell them.
TEST(CategorySuggestions, NamesSayTheirSound) {
  const NameCase cases[] = {
      {"Kick (Tama Superstar 22\")", "K@"},
      {"BassDrum", "K@"},
      {"Orch BassDrum", "K@"},
      {"ConcertBassDrm/G", "K@"},
      {"BD909_Long", "K@"},
      {"Pearl Snare Rimshot", "S@"},
      {"Pearl Side Stick", "S@"},
      {"Brush Snares", "S@"},
      {"Rim Click (Pearl Free Floating Maple 14x3.5)", "S@"},
      {"Caisse claire", "S@"},
      {"Grosse caisse", "K@"},
      {"Closed HH 1", "H@"},
      {"Hi-Hat Semiopen (Paiste Alpha Metal edge 14\")", "H@"},
      {"OpenHiHat", "H@"},
      {"Hi Hats Treb", "H@"},
      {"Pearl Tom Floor", "O@"},
      {"Electric Toms", "O@"},
      {"Crash/Ride Bell (Paiste Rude Crash/Ride 18\")", "YC"},
      {"Crashes & Rides", "YC"},
      {"Ride Jazz", "YR"},
      {"China (Paiste Alpha 18\")", "YH"},
      {"Becken", "Y@"},
      {"Hand Clap", "PC"},
      {"Maraca", "PS"},
      {"Cowbell", "PL"},
      {"Bongo Lo", "PB"},
      {"Conga 2", "PO"},
      {"Claves", "PV"},
      {"Djembe1 Slap", "PE"},
      {"Finger Snaps", "PH"},
      {"Tambourine", "P@"},
      {"Drum Loop 120", "d@"},
      {"Perc Loop", "p@"},
      {"FX Loop", "x@"},
      {"Piano Loop 90bpm", "t@"},
      {"Bass Lead - 1", "DL"},
      {"Synth Bass 2", "DB"},
      {"Synth Strings 1", "DG"},
      {"Ahh Choir", "DV"},
      {"English Horn", "DW"},
      {"French Horns", "DF"},
      {"BrightYamahaGrnd", "DI"},
      {"Rhodes EP 1/GS", "DI"},
      {"DrawbarOrgan", "DO"},
      {"Warm Pad", "DP"},
      {"Nylon Guitar", "D@"},
      {"Sitar", "DE"},
      {"Vibraphone", "DC"},
      {"GMRockKit", "P@"},
      {"The Black Pearl 1.0", ""},
      {"5th Saw Wave", "DL"},
      {"Sea Shore", ""},
      {"Bird Tweet", "DX"},
      {"Atmosphere", ""},
      {"Loop", ""},
      {"", ""},
      {"Tomorrow", ""},
      {"Overdrive", ""},
  };
  for (const NameCase& c : cases)
    EXPECT_EQ(CodeText(SuggestCategory(c.name, std::nullopt)), c.code) << c.name;
}

// A melodic program names its family, whatever the name says; a drum kit's program says nothing.
TEST(CategorySuggestions, ProgramsNameTheirGeneralMidiFamily) {
  const struct {
    ProgramNumber program;
    const char* name;
    const char* code;
  } cases[] = {
      {{0, 0}, "Yamaha Grand Piano", "DI"}, {{8, 4}, "Chorused Tine EP", "DI"},
      {{0, 19}, "Church Organ", "DO"},      {{0, 25}, "Steel Guitar", "D@"},
      {{0, 33}, "Fingered Bass", "DB"},     {{0, 48}, "Strings", "DG"},
      {{0, 52}, "Choir Aahs", "DV"},        {{0, 55}, "Orchestra Hit", "DG"},
      {{0, 61}, "Brass Section", "DF"},     {{0, 73}, "Flute", "DW"},
      {{0, 81}, "Saw Wave", "DL"},          {{0, 89}, "Warm Pad", "DP"},
      {{0, 99}, "Atmosphere", "DX"},        {{0, 107}, "Koto", "DE"},
      {{0, 118}, "Synth Drum", "DC"},       {{0, 127}, "Gun Shot", "DX"},
      {{128, 0}, "Standard", "P@"},         {{128, 25}, "TR-808 Kick", "K@"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CodeText(SuggestCategory(c.name, c.program)), c.code) << c.name;
}

struct Instruments {
  Instrument& Add(std::string name, std::uint32_t category) {
    auto instrument = std::make_unique<Instrument>();
    instrument->name = instrument->importedName = instrument->foundName = std::move(name);
    instrument->category = category;
    instrument->section = &section;
    all.push_back(instrument.get());
    owned.push_back(std::move(instrument));
    return *owned.back();
  }
  DatabaseSection section;
  std::vector<std::unique_ptr<Instrument>> owned;
  std::vector<Instrument*> all;
};

TEST(CategorySuggestions, OnlyInstrumentsWithoutOneGetOneAndUndoTakesItBack) {
  Instruments rows;
  Instrument& kick = rows.Add("Kick 1", kCategoryOther);
  Instrument& chosen = rows.Add("Snare 2", MakeCategoryCode('K', 'C'));
  Instrument& unnamed = rows.Add("Take 7", 0);
  Instrument& hat = rows.Add("Closed Hat", 0);

  const std::vector<CategoryChange> changes = SuggestCategories(rows.all);
  ASSERT_EQ(changes.size(), 2U);
  EXPECT_EQ(kick.category, MakeCategoryCode('K', '@'));
  EXPECT_EQ(hat.category, MakeCategoryCode('H', '@'));
  EXPECT_EQ(chosen.category, MakeCategoryCode('K', 'C'));
  EXPECT_EQ(unnamed.category, 0U);
  const DatabaseEntry& remembered = FindOrCreateEntry(rows.section, "Kick 1");
  EXPECT_EQ(remembered.category, MakeCategoryCode('K', '@'));
  EXPECT_TRUE(remembered.changed);

  // A second pass finds nothing more to give.
  EXPECT_TRUE(SuggestCategories(rows.all).empty());

  UndoCategoryChanges(changes);
  EXPECT_EQ(kick.category, kCategoryOther);
  EXPECT_EQ(hat.category, 0U);
  EXPECT_EQ(FindOrCreateEntry(rows.section, "Kick 1").category, kCategoryOther);
  EXPECT_EQ(chosen.category, MakeCategoryCode('K', 'C'));
}

}  // namespace
}  // namespace tolvane
