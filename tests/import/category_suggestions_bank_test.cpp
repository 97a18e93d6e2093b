// Categories suggested for Debian's General MIDI bank, as presets and as instrument records.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/category_suggestions.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

std::vector<Instrument*> Rows(Library& library) {
  std::vector<Instrument*> rows;
  for (const auto& instrument : library.instruments) rows.push_back(instrument.get());
  return rows;
}

TEST(CategorySuggestionsBank, EveryPresetGetsItsFamilyOrIsAKit) {
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  SoundDatabase database;
  Library library;
  ImportSettings settings;
  settings.soundFont = SoundFontMode::Presets;
  ImportFile(library, database, kFluidR3, nullptr, settings);
  const std::vector<Instrument*> rows = Rows(library);
  ASSERT_GT(rows.size(), 150U);
  EXPECT_EQ(SuggestCategories(rows).size(), rows.size());
  for (const Instrument* preset : rows) {
    ASSERT_TRUE(preset->program) << preset->foundName;
    const std::uint32_t kit = MakeCategoryCode('P', '@');
    if (preset->program->bank == 128)
      EXPECT_EQ(preset->category, kit) << preset->foundName;
    else
      EXPECT_EQ(preset->category, SuggestCategory("", preset->program)) << preset->foundName;
  }
}

// The records' names alone: the ones no word of the table names are listed, so that a change of
// the table shows here.
TEST(CategorySuggestionsBank, InstrumentRecordsByNameLeaveOnlyTheseOut) {
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  SoundDatabase database;
  Library library;
  ImportFile(library, database, kFluidR3, nullptr, ImportSettings{});
  const std::vector<Instrument*> rows = Rows(library);
  const std::size_t given = SuggestCategories(rows).size();
  EXPECT_GE(given * 10, rows.size() * 6);
  std::set<std::string> left;
  for (const Instrument* record : rows)
    if (AwaitsCategory(record->category)) left.insert(record->foundName);
  const std::set<std::string> expected = {
      "Atmosphere",      "Bottle Chiff", "Bowed Glass", "Brightness",   "Charang Layer 1",
      "Charang Layer 2", "Crystal",      "Echo Drops",  "Fantasia",     "Feedback/GS",
      "Goblin",          "Ice Rain",     "Poly Synth",  "Sea Shore",    "Soundtrack",
      "Star Theme",      "Steel/GS",     "TR-808",      "Verbsnares/GS"};
  EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace tolvane
