// The sound options over Debian's FluidR3_GM bank, whose samples come with loops and root keys
// that people set: with the loops taken away, loops are found again for nearly every sustained
// sample; with the root keys taken away, they are measured back.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "analysis/sustain_loop.h"
#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/loop_junction.h"
#include "export/sound_analysis.h"
#include "import/import_file.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// The General MIDI melodic programs: not the percussive ones, the sound effects or the kits.
bool Melodic(const Instrument& instrument) {
  return instrument.program && instrument.program->bank < 128 && instrument.program->program < 112;
}

struct Truth {
  bool looped = false;     // some melodic zone played it looped
  bool sustained = false;  // and some melodic zone sustains
  double key = 0;          // the pitch its first zone's root key and tuning say
  std::string instrument;  // of that zone
};

TEST(SoundAnalysisBanks, FluidR3LoopsAndRootKeysAreFoundAgain) {
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  SoundDatabase database;
  Library bank;
  ImportSettings settings;
  settings.soundFont = SoundFontMode::Presets;
  ASSERT_TRUE(ImportFile(bank, database, kFluidR3, nullptr, settings).imported());

  // What the bank says of each sample, then taken away: the zones play unlooped and the root
  // keys count as not given.
  std::map<const Sample*, Truth> truths;
  const std::unique_ptr<ExportSet> set = CreateExportSet();
  for (const auto& instrument : bank.instruments) {
    if (!Melodic(*instrument)) continue;
    for (Zone& zone : instrument->zones) {
      if (zone.sample == nullptr) continue;
      const auto [at, first] = truths.try_emplace(zone.sample);
      at->second.looped |= (zone.mapping.flags & ZoneLoop) != 0;
      at->second.sustained |= ZoneSustains(*instrument, zone);
      // The pitch the sample's first zone means: its root key less its tuning.
      const ZoneMapping& m = zone.mapping;
      if (first) {
        const double root = m.overridingRootKey != 0 ? m.overridingRootKey : zone.sample->rootKey;
        at->second.key = root - m.coarseTune - (m.fineTune + zone.sample->pitchCorrection) / 100.0;
        at->second.instrument = instrument->name;
      }
      zone.mapping.flags &= static_cast<std::uint16_t>(~ZoneLoop);
      zone.mapping.overridingRootKey = 0;
      zone.sample->rootKeyGiven = false;
    }
    AddInstrumentToExportSet(*set, *instrument);
  }
  ASSERT_GT(truths.size(), 300u);

  SoundOptions options;
  options.autoLoopCrossfadeMs = 0;
  options.detectRoot = true;
  const std::vector<SoundNote> notes = AnalyseSounds(*set, options);
  std::map<std::string, const Sample*> byName;
  for (const auto& [sample, truth] : truths) byName[sample->name] = sample;

  std::set<const Sample*> found, unmatched;
  for (const SoundNote& note : notes) {
    const Sample* sample = byName.at(note.sample);
    if (!truths.at(sample).looped) continue;
    if (note.finding == SoundFinding::kLoopFound) found.insert(sample);
    if (note.finding == SoundFinding::kNoLoopMatches) unmatched.insert(sample);
  }
  // Every loop found is long enough and does not click, in the values written.
  for (const ExportGroup& group : set->groups) {
    for (const auto& [sample, loop] : group.loops) {
      if (!found.contains(sample)) continue;
      EXPECT_GE(loop.end - loop.start, kShortestSustainLoopSeconds * sample->sampleRate);
      EXPECT_FALSE(CheckLoopJunction(WrittenValues(group, *sample), sample->channels, loop).clicks)
          << sample->name;
    }
  }
  const std::size_t sustained = found.size() + unmatched.size();
  // Of the samples the bank loops and sustains, those with no steady 0.1 s (a loop over a short
  // sample's last cycles) are not sought.
  std::size_t looped = 0;
  for (const auto& [sample, truth] : truths) looped += truth.looped && truth.sustained ? 1 : 0;
  std::printf(
      "loops: %zu found of %zu sustained samples steady for 0.1 s (of %zu the bank loops "
      "and sustains)\n",
      found.size(), sustained, looped);
  for (const Sample* sample : unmatched) std::printf("  no loop: %s\n", sample->name.c_str());
  EXPECT_GE(found.size(), 0.9 * static_cast<double>(sustained));

  // Root keys measured back within 50 cents. Some of the bank's root keys are an octave or
  // more from the sound's period (organs with a sub-octave stop, guitar harmonics): those are
  // listed by instrument, and counted apart.
  std::size_t measured = 0, within = 0, octaves = 0;
  std::map<std::string, std::vector<double>> octavesOff;  // by instrument, in semitones
  for (const ExportGroup& group : set->groups) {
    for (const auto& [sample, tuning] : group.tunings) {
      const auto truth = truths.find(sample);
      if (truth == truths.end()) continue;
      ++measured;
      const double off = tuning.rootKey - tuning.pitchCorrection / 100.0 - truth->second.key;
      const double wholeOctaves = 12 * std::round(off / 12);
      if (std::abs(off) <= 0.5) {
        ++within;
      } else if (wholeOctaves != 0 && std::abs(off - wholeOctaves) <= 0.5) {
        ++octaves;
        octavesOff[truth->second.instrument].push_back(off);
      } else if (std::getenv("TOLVANE_SHOW_MISSES")) {
        std::printf("  miss: %s by %+.2f semitones\n", sample->name.c_str(), off);
      }
    }
  }
  std::size_t unpitched = 0;
  for (const SoundNote& note : notes) unpitched += note.finding == SoundFinding::kNoPitch ? 1 : 0;
  std::printf(
      "root keys: %zu of %zu within 50 cents, %zu whole octaves off (%zu without a steady "
      "pitch)\n",
      within, measured, octaves, unpitched);
  for (const auto& [instrument, offs] : octavesOff)
    std::printf("  octaves off: %s, %zu samples, %+.0f semitones\n", instrument.c_str(),
                offs.size(), offs.front());
  EXPECT_GE(within + octaves, 0.95 * static_cast<double>(measured));
  EXPECT_GE(within, 0.9 * static_cast<double>(measured));
  EXPECT_GE(measured, 0.9 * static_cast<double>(truths.size()));
}

}  // namespace
}  // namespace tolvane
