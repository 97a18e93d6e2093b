#include "import/gain_folding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "base/all_cores.h"

namespace tolvane {
namespace {

constexpr double kFullScale = 32767;
// Losses smaller than this are rounding, not worth a note (the note shows one decimal).
constexpr double kSmallestLossDb = 0.05;

double DbToFactor(double db) {
  return std::pow(10.0, db / 20);
}

// Scales `sample` by `askedDb` (above 0) as far as its peak allows; returns the gain taken, in
// dB (0 when none could be).
double FoldInto(Sample& sample, double askedDb) {
  const SampleData& data = sample.data;
  const std::size_t count =
      std::min<std::size_t>(data.size(), std::size_t{sample.frames} * sample.channels);
  int peak = 0;
  for (std::size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int{data[i]}));
  // Silence takes any gain and stays silence: nothing to rewrite.
  if (peak == 0) return askedDb;
  const double keptDb = std::min(askedDb, 20 * std::log10(kFullScale / peak));
  if (keptDb <= 0) return 0;
  const double factor = DbToFactor(keptDb);
  std::vector<std::int16_t> values(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double scaled = std::round(data[i] * factor);
    values[i] = static_cast<std::int16_t>(std::clamp(scaled, -kFullScale - 1, kFullScale));
  }
  sample.data = SampleData(std::move(values));
  return keptDb;
}

std::uint8_t AttenuationByte(double db) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(db, 0.0, kMostAttenuationDb)));
}

}  // namespace

std::vector<FoldedGain> FoldGains(std::span<const GainRequest> requests) {
  // The largest gain asked of each sample, samples in the order first met.
  std::unordered_map<const Sample*, std::size_t> placeOf;
  std::vector<std::pair<Sample*, double>> loudest;
  for (const GainRequest& request : requests) {
    const auto [at, added] = placeOf.try_emplace(request.sample, loudest.size());
    if (added)
      loudest.emplace_back(request.sample, request.gainDb);
    else
      loudest[at->second].second = std::max(loudest[at->second].second, request.gainDb);
  }
  // What each sample took; samples are independent, so they scale on every core (and most
  // imports, asking no more than 0 dB, start no thread).
  std::vector<std::size_t> louder;
  for (std::size_t i = 0; i < loudest.size(); ++i)
    if (loudest[i].second > 0) louder.push_back(i);
  std::vector<double> keptDb(loudest.size(), 0);
  ForEachOnAllCores(louder.size(), [&](std::size_t n) {
    const std::size_t i = louder[n];
    Sample& sample = *loudest[i].first;
    // A sample another instrument made louder already keeps its values: its zones here count
    // from the gain it took.
    if (sample.foldedDb <= 0) sample.foldedDb = FoldInto(sample, loudest[i].second);
    keptDb[i] = sample.foldedDb;
    return true;
  });

  std::vector<FoldedGain> folded;
  folded.reserve(requests.size());
  for (const GainRequest& request : requests) {
    const double kept = keptDb[placeOf.at(request.sample)];
    folded.push_back(
        {kept > 0, AttenuationByte(kept - request.gainDb), std::max(0.0, request.gainDb - kept)});
  }
  return folded;
}

std::optional<ImportNote> LostGainNote(std::span<const FoldedGain> folded) {
  std::size_t count = 0;
  double most = 0;
  for (const FoldedGain& gain : folded) {
    if (gain.lostDb < kSmallestLossDb) continue;
    ++count;
    most = std::max(most, gain.lostDb);
  }
  if (count == 0) return std::nullopt;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", most);
  return ImportNote{NoteKind::GainAboveZero, count, text};
}

void AddFoldedZones(Instrument& instrument, std::span<Zone> zones,
                    std::span<const GainRequest> gains, ImportDrops& drops) {
  const std::vector<FoldedGain> folded = FoldGains(gains);
  for (std::size_t i = 0; i < zones.size(); ++i) {
    if (folded[i].folded)
      zones[i].parameters.bytes[ZoneParameters::attenuation] = folded[i].attenuation;
    AddZone(instrument, zones[i]);
  }
  if (const auto note = LostGainNote(folded)) drops.Note(note->kind, note->count, note->subject);
}

}  // namespace tolvane
