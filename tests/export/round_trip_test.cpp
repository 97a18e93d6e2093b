// An exported collection, imported again, plays: a SiFi file keeps each zone as its difference
// from an instrument block it does not hold, and the playable copy counts those differences from
// the zone defaults.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "database/sound_database.h"
#include "export/export_commands.h"
#include "import/import_file.h"
#include "library/library.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr double kAudibleDbfs = -60;

double MiddleCPeakDbfs(const Instrument& instrument) {
  RenderSettings settings;
  settings.notes = {{60, 127}};
  settings.holdSeconds = 0.3;
  settings.maxReleaseSeconds = 0.2;
  return PeakDbfs(RenderNotes(MakePlayable(instrument), settings).peaks[0]);
}

TEST(RoundTripTest, EveryFluidR3InstrumentAudibleAtMiddleCStaysAudibleOnceExportedAndReadBack) {
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  const testing::TestFolder folder;
  SoundDatabase database;
  Library bank;
  ASSERT_TRUE(ImportFile(bank, database, kFluidR3).imported());
  std::vector<const Instrument*> all;
  for (const auto& instrument : bank.instruments) all.push_back(instrument.get());
  const std::filesystem::path collection = folder / "FluidR3.SLC";
  ASSERT_TRUE(ExportCollection(all, collection));

  Library readBack;
  ASSERT_TRUE(ImportFile(readBack, database, collection.string()).imported());
  std::map<std::pair<std::string, std::uint32_t>, const Instrument*> byName;
  for (const auto& instrument : readBack.instruments)
    byName[{instrument->name, instrument->soundId}] = instrument.get();

  std::size_t audible = 0;
  for (const Instrument* source : all) {
    SCOPED_TRACE(source->name);
    const double sourcePeak = MiddleCPeakDbfs(*source);
    if (sourcePeak <= kAudibleDbfs) continue;
    ++audible;
    const auto found = byName.find({source->name, source->soundId});
    ASSERT_NE(found, byName.end());
    EXPECT_TRUE(found->second->differencesOnly);
    EXPECT_GT(MiddleCPeakDbfs(*found->second), kAudibleDbfs) << "source: " << sourcePeak;
  }
  EXPECT_GT(audible, 150u);  // nearly every melodic instrument has a zone on middle C
}

// Every preset of Debian's banks is one instrument with its bank and program; all of them are
// written into one collection and read back with their zones (groups too large for one chunk
// are written as several).
TEST(RoundTripTest, EveryPresetOfDebiansBanksIsExportedAndReadBack) {
  for (const auto& [path, presets] : {std::pair{"/usr/share/sounds/sf2/TimGM6mb.sf2", 136u},
                                      {kFluidR3, 189u},
                                      {"/usr/share/sounds/sf3/MuseScore_General.sf3", 311u}}) {
    SCOPED_TRACE(path);
    if (!std::filesystem::exists(path)) continue;
    const testing::TestFolder folder;
    SoundDatabase database;
    Library bank;
    ImportSettings settings;
    settings.soundFont = SoundFontMode::Presets;
    ASSERT_TRUE(ImportFile(bank, database, path, nullptr, settings).imported());
    ASSERT_EQ(bank.instruments.size(), presets);
    std::vector<const Instrument*> all;
    std::set<std::pair<int, int>> programs;
    for (const auto& instrument : bank.instruments) {
      all.push_back(instrument.get());
      programs.insert({instrument->program.value().bank, instrument->program.value().program});
    }
    EXPECT_EQ(programs.size(), presets);
    ASSERT_TRUE(ExportCollection(all, folder / "presets.SLC"));
    Library readBack;
    ASSERT_TRUE(ImportFile(readBack, database, (folder / "presets.SLC").string()).imported());
    EXPECT_EQ(readBack.instruments.size(), presets);
    std::map<std::pair<std::string, std::uint32_t>, std::size_t> zones;
    for (const auto& instrument : readBack.instruments)
      zones[std::pair(instrument->name, instrument->soundId)] = instrument->zones.size();
    for (const Instrument* source : all)
      EXPECT_EQ(zones[std::pair(source->name, source->soundId)], source->zones.size())
          << source->name;
  }
}

}  // namespace
}  // namespace tolvane
