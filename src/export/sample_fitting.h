#pragma once
// Samples written smaller so that an export fits the sampler's memory: quiet ends cut, stereo
// samples stored as mono, high sample rates lowered. Only what the export writes changes; the
// library keeps its samples.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/export_set.h"

namespace tolvane {

enum class MonoFold : std::uint8_t {
  kNone,
  // A stereo sample whose channels are equal (every pair of values within kSameChannelsSlack)
  // is written as a mono sample: it sounds the same.
  kSame,
  // Every stereo sample is written as the mean of its channels: a centred source (equal
  // channels) keeps its level, the stereo image is lost.
  kAll,
};

inline constexpr int kSameChannelsSlack = 1;

inline constexpr double kDefaultTrimDbfs = -60;
// The thresholds taken: 16 bits reach no lower, and above the highest a cut would take sound.
inline constexpr double kLowestTrimDbfs = -96;
inline constexpr double kHighestTrimDbfs = -20;

// The sample rates an export may lower samples to.
inline constexpr std::uint32_t kLowestExportRate = 8000;
inline constexpr std::uint32_t kHighestExportRate = 96000;

// How the export writes samples smaller; the defaults write them as they are.
struct SampleFitting {
  std::optional<double> trimDbfs;  // quiet ends cut below this level
  MonoFold mono = MonoFold::kNone;
  std::optional<std::uint32_t> rate;  // samples above this rate resampled to it

  bool any() const { return trimDbfs || mono != MonoFold::kNone || rate; }
};

// What fitting is for: writing, or only the size of what would be written (samples then keep
// their values, cut to the fitted length, where resampling would take time).
enum class FitWork : std::uint8_t { kWrite, kMeasure };

// What fitting saved, in sample data no longer written (the file's other bytes stay).
struct FitSavings {
  std::size_t trimmedSamples = 0;  // samples with frames cut at either end
  std::uint64_t trimmedBytes = 0;
  std::size_t monoSamples = 0;    // stereo samples written as mono
  std::size_t foldedSamples = 0;  // of those, the ones whose channels differ (kAll)
  std::uint64_t monoBytes = 0;
  std::size_t resampledSamples = 0;
  // Of those, the looped ones written at a rate near the one asked, so that the loop stays a
  // whole number of frames, and the lowest and highest of their rates.
  std::size_t loopFittedSamples = 0;
  std::uint32_t lowestLoopRate = 0;
  std::uint32_t highestLoopRate = 0;
  std::uint64_t resampledBytes = 0;
  std::size_t resampleFailures = 0;  // left at their rate: the resampler refused them

  FitSavings& operator+=(const FitSavings& other);
  std::uint64_t bytes() const { return trimmedBytes + monoBytes + resampledBytes; }
};

// Writes the set's samples smaller, stereo ones first made mono as `fit.mono` asks, then, with a
// threshold, each cut before its first frame with a value above `fit.trimDbfs` and after its last
// (all channels together), then, with a rate, resampled to it when above it. A zone without a
// start offset then starts at the sound; a cut never passes a zone's start offset, nor the
// sample's loop as the set writes it (ExportGroup::loops included) when some zone of the group's
// members plays it looped, so that every zone plays the same frames from where it started, less
// the quiet ones before the sound. A sample several zones play is cut to what all of them keep. A
// sample keeps at least one frame. Resampling scales start offsets and loop points; a loop some
// zone plays keeps a whole number of frames by a rate near the one asked (the sample's rate in
// the ratio of the loop's lengths), so that the sound keeps its pitch and the loop its length in
// time; root keys and tuning stay. Samples are fitted on all cores. The changed samples, and the
// members and sample group that refer to them, are copies the set keeps (ExportSet::copies);
// start offsets and loop points move with the cut. REQUIRES: trimDbfs <= 0; rate within the
// export rates; no instrument is added to the set afterwards.
FitSavings FitExportSet(ExportSet& set, const SampleFitting& fit, FitWork work = FitWork::kWrite);
inline FitSavings FitExportSet(ExportSet& set, std::optional<double> trimDbfs, MonoFold mono) {
  return FitExportSet(set, SampleFitting{trimDbfs, mono, std::nullopt});
}

// The notes on what fitting did, one text each, for the export's report: "trimmed 120 samples
// at their quiet ends (below -60 dBFS): 1.2 MB less sample data".
std::vector<std::string> FitSavingsTexts(const FitSavings& saved, const SampleFitting& fit);
inline std::vector<std::string> FitSavingsTexts(const FitSavings& saved,
                                                std::optional<double> trimDbfs, MonoFold mono) {
  return FitSavingsTexts(saved, SampleFitting{trimDbfs, mono, std::nullopt});
}

}  // namespace tolvane
