// An exported collection, imported again, plays: a SiFi file keeps each zone as its difference
// from an instrument block it does not hold, and the playable copy counts those differences from
// the zone defaults.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

}  // namespace
}  // namespace tolvane
