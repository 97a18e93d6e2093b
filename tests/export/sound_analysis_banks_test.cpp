// The sound options over Debian's FluidR3_GM bank, whose samples come with loops and root keys
// that people set: with the loops taken away, loops are found again for nearly every sustained
// sample; with the root keys taken away, they are measured back, but for samples whose key the
// bank sets octaves off their sound's period, which the sound's partials show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <set>
#include <vector>

#include "analysis/fft.h"
#include "analysis/sample_pitch.h"
#include "analysis/sustain_loop.h"
#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/loop_junction.h"
#include "export/sound_analysis.h"
#include "import/import_file.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// The General MIDI melodic programs: not the percussive ones, the sound effects or the kits.
bool Melodic(const Instrument& instrument) {
  return instrument.program && instrument.program->bank < 128 && instrument.program->program < 112;
}

// The pitch the zones of one coarse tune mean a sample to have: the first one's root key less
// its tuning.
struct Meaning {
  int coarseTune = 0;
  std::size_t zones = 0;
  double key = 0;
  std::string instrument;  // of the first zone
};

struct Truth {
  bool looped = false;     // some melodic zone played it looped
  bool sustained = false;  // and some melodic zone sustains
  std::vector<Meaning> meanings;
  double key = 0;  // the pitch of the meaning of the most zones (the first of equals)
  std::string instrument;
};

double HzOfKey(double key) {
  return 440 * std::exp2((key - 69) / 12);
}

// The magnitudes of a stretch of a sample's sound (its loop, else where its pitch is measured),
// for what its partials say of its period.
class Partials {
 public:
  // A partial this far under the strongest, or farther, is not counted.
  static constexpr double kHeldDb = 30;

  Partials(const Sample& sample, bool looped) : rate_(sample.sampleRate) {
    FrameRange part{sample.loopStart, sample.loopEnd};
    if (!looped || part.end > sample.frames || part.end < part.start + kSize / 8) {
      const LevelCurve level =
          MeasureLevel(sample.data, sample.channels, sample.frames, sample.sampleRate);
      part = PitchPart(level, FindSteadyPart(level));
    }
    const std::size_t length = std::min<std::size_t>(part.length(), kSize);
    std::vector<float> re(kSize, 0.0F), im(kSize, 0.0F);
    ReadMono(sample.data, sample.channels, part.start + (part.length() - length) / 2,
             std::span(re).first(length));
    for (std::size_t i = 0; i < length; ++i) {
      const double phase = 2 * std::numbers::pi * static_cast<double>(i) / length;
      re[i] *= static_cast<float>(0.5 - 0.5 * std::cos(phase));  // Hann
    }
    Fft(kSize).Forward(re, im);
    magnitude_.resize(kSize / 2);
    for (std::size_t k = 1; k < magnitude_.size(); ++k) {
      magnitude_[k] = std::hypot(re[k], im[k]);
      strongest_ = std::max(strongest_, magnitude_[k]);
    }
  }

  // Whether the sound holds a partial (within kHeldDb of the strongest) at a multiple of `low`
  // that is not a multiple of `high` (a whole multiple of `low`), up to `high`'s fourth: whether
  // it repeats only at the longer period.
  bool RepeatsOnlyAt(double low, double high) const {
    const long ratio = std::lround(high / low);
    for (long m = 1; m <= 4 * ratio && m * low < rate_ / 2.0; ++m)
      if (m % ratio != 0 && PeakNear(m * low) * std::pow(10.0, kHeldDb / 20) >= strongest_)
        return strongest_ > 0;
    return false;
  }

 private:
  static constexpr std::size_t kSize = 16384;

  // The highest magnitude within 2 % (and two bins) of `hz`.
  double PeakNear(double hz) const {
    const double bin = hz * kSize / rate_;
    const auto from = static_cast<std::size_t>(std::max(1.0, std::floor(0.98 * bin - 2)));
    const auto to = std::min(magnitude_.size() - 1, static_cast<std::size_t>(1.02 * bin + 2));
    double peak = 0;
    for (std::size_t k = from; k <= to; ++k) peak = std::max(peak, magnitude_[k]);
    return peak;
  }

  std::uint32_t rate_;
  std::vector<double> magnitude_;
  double strongest_ = 0;
};

// The instruments (of the zone a sample's truth is taken from) whose samples' keys, as the bank
// tunes them, lie octaves off their sound's period, and how far the period's key lies from them.
// The church organs add a quint to the unison (a partial at 1.5 times the key's pitch) and the
// Hammond sounds a sub-octave drawbar, so they repeat only an octave down; the timpani's modes
// lie at 1, 1.5 and 2 times the key's pitch, likewise. Every zone of the drawbar organ's sample
// plays it two octaves down (a coarse tune of -24). The guitar harmonics sound two octaves above
// the fretted note their key names, the metal pad's C8 an octave above its key.
const std::map<std::string, double> kKeysOffThePeriod = {
    {"Church Organ", -12}, {"Detuned Organ 1", -24},  {"Detuned Organ 2", -12}, {"Rock Organ", -12},
    {"Timpani", -12},      {"Guitar Harmonics", +24}, {"Metal Pad", +12}};

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
      Truth& truth = truths[zone.sample];
      truth.looped |= (zone.mapping.flags & ZoneLoop) != 0;
      truth.sustained |= ZoneSustains(*instrument, zone);
      const ZoneMapping& m = zone.mapping;
      auto meaning = std::find_if(truth.meanings.begin(), truth.meanings.end(),
                                  [&](const Meaning& e) { return e.coarseTune == m.coarseTune; });
      if (meaning == truth.meanings.end()) {
        const double root = m.overridingRootKey != 0 ? m.overridingRootKey : zone.sample->rootKey;
        meaning = truth.meanings.insert(
            meaning, {m.coarseTune, 0,
                      root - m.coarseTune - (m.fineTune + zone.sample->pitchCorrection) / 100.0,
                      instrument->name});
      }
      ++meaning->zones;
      zone.mapping.flags &= static_cast<std::uint16_t>(~ZoneLoop);
      zone.mapping.overridingRootKey = 0;
      zone.sample->rootKeyGiven = false;
    }
    AddInstrumentToExportSet(*set, *instrument);
  }
  ASSERT_GT(truths.size(), 300u);
  // Where zones play a sample at different coarse tunes, most of them mean its pitch and the rest
  // transpose it on purpose (Coupled Harpsichord's layer an octave up, Church Bell's an octave
  // down); a measured root key leaves those transpositions in place.
  for (auto& [sample, truth] : truths) {
    const auto most =
        std::max_element(truth.meanings.begin(), truth.meanings.end(),
                         [](const Meaning& a, const Meaning& b) { return a.zones < b.zones; });
    truth.key = most->key;
    truth.instrument = most->instrument;
  }

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

  // Root keys measured back within 50 cents, but for the samples of kKeysOffThePeriod measured
  // as far off as it says: those count apart only when their partials show the period measured.
  // A sound measured lower must hold a partial at an odd multiple of the measured pitch (not at
  // one of the key's): it repeats only at the longer period. One measured higher must hold none
  // at a multiple of the key's pitch that the measured pitch lacks: nothing in it repeats at the
  // key's period. Any other sample measured octaves off counts as an error.
  std::size_t measured = 0, within = 0, keysOff = 0;
  std::map<std::string, std::vector<double>> octavesOff;  // by instrument, in semitones
  std::vector<std::string> wrong;
  for (const ExportGroup& group : set->groups) {
    for (const auto& [sample, tuning] : group.tunings) {
      const auto truth = truths.find(sample);
      if (truth == truths.end()) continue;
      ++measured;
      const double off = tuning.rootKey - tuning.pitchCorrection / 100.0 - truth->second.key;
      const double wholeOctaves = 12 * std::round(off / 12);
      if (std::abs(off) <= 0.5) {
        ++within;
        continue;
      }
      char line[160];
      std::snprintf(line, sizeof line, "%s (%s) by %+.2f semitones", sample->name.c_str(),
                    truth->second.instrument.c_str(), off);
      if (wholeOctaves == 0 || std::abs(off - wholeOctaves) > 0.5) {
        if (std::getenv("TOLVANE_SHOW_MISSES")) std::printf("  miss: %s\n", line);
        continue;
      }
      octavesOff[truth->second.instrument].push_back(off);
      const auto listed = kKeysOffThePeriod.find(truth->second.instrument);
      if (listed == kKeysOffThePeriod.end() || listed->second != wholeOctaves) {
        wrong.emplace_back(line);
        continue;
      }
      ++keysOff;
      const double keyHz = HzOfKey(truth->second.key), periodHz = HzOfKey(truth->second.key + off);
      EXPECT_EQ(Partials(*sample, truth->second.looped)
                    .RepeatsOnlyAt(std::min(keyHz, periodHz), std::max(keyHz, periodHz)),
                off < 0)
          << line << ": its partials do not show the period measured";
    }
  }
  std::size_t unpitched = 0;
  for (const SoundNote& note : notes) unpitched += note.finding == SoundFinding::kNoPitch ? 1 : 0;
  std::printf(
      "root keys: %zu of %zu within 50 cents, %zu more set octaves off their sound's period by the "
      "bank (%zu without a steady pitch)\n",
      within, measured, keysOff, unpitched);
  for (const auto& [instrument, offs] : octavesOff)
    std::printf("  octaves off: %s, %zu samples, %+.0f semitones%s\n", instrument.c_str(),
                offs.size(), offs.front(),
                kKeysOffThePeriod.contains(instrument) ? " (the bank's key)" : "");
  for (const std::string& line : wrong) std::printf("  octaves off, wrongly: %s\n", line.c_str());
  EXPECT_GE(within, 0.95 * static_cast<double>(measured - keysOff));
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " samples measured octaves off";
  EXPECT_GE(measured, 0.9 * static_cast<double>(truths.size()));
}

}  // namespace
}  // namespace tolvane
