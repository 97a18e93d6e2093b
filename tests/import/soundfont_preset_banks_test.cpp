// Debian's General MIDI banks with one instrument per preset.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"

namespace tolvane {
namespace {

struct Bank {
  Bank(const char* path, SoundFontMode mode) {
    ImportSettings settings;
    settings.soundFont = mode;
    ImportFile(library, database, path, nullptr, settings);
  }
  const Instrument* Find(std::string_view importedName) const {
    for (const auto& i : library.instruments)
      if (i->importedName == importedName) return i.get();
    return nullptr;
  }
  SoundDatabase database;
  Library library;
};

// FluidR3_GM's "Standard" kit plays on key 36 the samples of its record "Std Kick", and on key 38
// those of "Std Snare 1".
TEST(SoundFontPresetBanks, TheStandardKitPlaysEachPieceOnItsKeys) {
  constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  const Bank presets(kFluidR3, SoundFontMode::Presets);
  const Bank records(kFluidR3, SoundFontMode::Instruments);
  const Instrument* standard = presets.Find("Standard");
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(standard->program, (ProgramNumber{128, 0}));
  for (const auto& [key, record] : {std::pair{36, "Std Kick"}, {38, "Std Snare 1"}}) {
    std::set<std::string> pieceSamples;
    for (const Zone& zone : records.Find(record)->zones) pieceSamples.insert(zone.sample->name);
    std::size_t played = 0;
    for (const Zone& zone : standard->zones) {
      if (zone.mapping.keyLow > key || zone.mapping.keyHigh < key) continue;
      ++played;
      EXPECT_TRUE(pieceSamples.contains(zone.sample->name)) << record << ": " << zone.sample->name;
    }
    EXPECT_GT(played, 0u) << record;
  }
}

// TimGM6mb's presets set no generators and its records have no global zones; its melodic
// presets are named after the one record they play, whose zones they must play unchanged.
TEST(SoundFontPresetBanks, APresetOfOnePlainZonePlaysItsRecordUnchanged) {
  constexpr const char* kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::exists(kTimGM6mb)) GTEST_SKIP() << kTimGM6mb << " is not installed";
  const Bank presets(kTimGM6mb, SoundFontMode::Presets);
  const Bank plain(kTimGM6mb, SoundFontMode::Instruments);
  std::size_t compared = 0;
  for (const auto& made : presets.library.instruments) {
    const Instrument* expected = plain.Find(made->importedName);
    if (expected == nullptr) continue;
    SCOPED_TRACE(made->name);
    ++compared;
    EXPECT_EQ(made->parameters, expected->parameters);
    ASSERT_EQ(made->zones.size(), expected->zones.size());
    for (std::size_t z = 0; z < made->zones.size(); ++z) {
      EXPECT_EQ(made->zones[z].mapping, expected->zones[z].mapping);
      EXPECT_EQ(made->zones[z].parameters, expected->zones[z].parameters);
      EXPECT_EQ(made->zones[z].sample->name, expected->zones[z].sample->name);
    }
  }
  EXPECT_GT(compared, 70u);
}

}  // namespace
}  // namespace tolvane
