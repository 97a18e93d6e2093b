// How the generators of a preset zone meet those of the instrument zones it plays, checked
// against the values a SoundFont player uses (FluidSynth's rules).

#include "import/soundfont/soundfont_generators.h"

#include <gtest/gtest.h>

#include <string>

#include "soundfont_builder.h"

namespace tolvane {
namespace {

using testing::GeneratorsIn;

TEST(SoundFontGenerators, PresetZonesCombineAsAPlayerCombinesThem) {
  // The instrument zone's and the preset zone's generators, and what a player plays: "44:-" for
  // a generator not set, nullptr where the ranges do not meet and nothing plays.
  const struct {
    const char *instrument, *preset, *expected;
  } cases[] = {
      {"43:36-60", "43:50-70", "43:50-60 44:-"},
      {"", "43:10-20", "43:10-20"},
      {"44:1-64", "", "44:1-64"},
      {"43:0-60", "43:60-127", "43:60-60"},
      {"43:0-40", "43:41-127", nullptr},
      {"44:100-127", "44:0-99", nullptr},
      // Additive amounts sum; a preset's alone adds to the default (attack -12000 timecents,
      // filter 13500 cents, scale tuning 100); sums stay within their ranges.
      {"48:100 17:-200 51:2 52:10", "48:50 17:100 51:-14 52:-20", "48:150 17:-100 51:-12 52:-10"},
      {"", "34:1200 8:-1000 56:-50 37:100", "34:-10800 8:12500 56:50 37:100"},
      {"48:1400 17:400 8:13000 34:7000 51:-100 52:90", "48:100 17:300 8:1000 34:2000 51:-50 52:20",
       "48:1440 17:500 8:13500 34:8000 51:-120 52:99"},
      {"48:100 17:-300", "48:-500 17:-300", "48:0 17:-500"},
      {"48:2000", "17:10", "48:2000 17:10"},  // what the preset leaves alone stays as it is
      // Instrument-only generators (offsets, fixed key and velocity, sample, sample modes,
      // exclusive class, root key) and unused numbers are ignored at the preset level.
      {"58:60", "58:40 0:100 4:1 46:60 47:100 53:3 54:1 57:1",
       "58:60 0:- 4:- 46:- 47:- 53:- 54:- 57:-"},
      {"", "14:5 42:1 49:1 60:3 200:1", "14:- 42:- 49:- 60:-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.instrument) + " | " + c.preset);
    GeneratorValues instrument, preset;
    for (const auto& [number, amount] : GeneratorsIn(c.instrument)) instrument.Set(number, *amount);
    for (const auto& [number, amount] : GeneratorsIn(c.preset)) preset.Set(number, *amount);
    const auto combined = CombinePresetZone(instrument, preset);
    ASSERT_EQ(combined.has_value(), c.expected != nullptr);
    if (!combined) continue;
    for (const auto& [number, amount] : GeneratorsIn(c.expected)) {
      ASSERT_EQ(combined->Has(number), amount.has_value()) << number;
      EXPECT_EQ(combined->Has(number) ? combined->Amount(number) : 0, amount.value_or(0)) << number;
    }
  }
}

}  // namespace
}  // namespace tolvane
