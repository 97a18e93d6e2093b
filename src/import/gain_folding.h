#pragma once
// Gains above 0 dB, which a zone cannot hold (its attenuation only makes it quieter), taken into
// the values of the sample the zone plays. Every importer whose format asks for more than 0 dB
// (SFZ `volume`, DLS gain, and the like) gathers one request per zone before filing its zones,
// folds them, and gives each zone the attenuation that is left.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "import/import_outcome.h"
#include "library/library.h"

namespace tolvane {

// What one zone asks of the sample it plays.
struct GainRequest {
  Sample* sample = nullptr;
  double gainDb = 0;  // above 0: louder than the sample's values; below 0: quieter
};

// What one zone keeps once its sample has taken the gain.
struct FoldedGain {
  // The sample took some of the gain (its values were scaled, unless silent): the zone must play
  // at `attenuation`, not at its own.
  bool folded = false;
  // Whole dB below the scaled sample (rounded, 0..144): for ZoneParameters::attenuation. Given
  // for every request; where `folded` is false an importer may keep its own rounding.
  std::uint8_t attenuation = 0;
  // Of a gain above what the sample's peak allows: not kept, the zone plays this much quieter.
  double lostDb = 0;
};

// The loudest attenuation a zone is given: the format's limit for silence.
inline constexpr double kMostAttenuationDb = 144;

// Every sample that some request asks more than 0 dB of gets new values (a new SampleData: the
// old one stays as it is for whoever shares it): its first frames x channels values scaled by
// the largest gain asked of it, but only as far as its peak reaches 16-bit full scale (32767);
// the gain taken is kept as its `foldedDb`. A sample that took a gain before (for another
// instrument sharing it) is not scaled again: its requests count from that gain.
// Both channels of a stereo sample take the same factor. A sample no request asks more than
// 0 dB of, a silent one and one already at full scale keep their values. Returns what each
// request keeps, in the order given.
// REQUIRES: every request names a sample; nothing else changes the samples meanwhile.
std::vector<FoldedGain> FoldGains(std::span<const GainRequest> requests);

// Files `zones` into `instrument` in their order, each given the attenuation left to it once
// the gains of `gains` (one per zone, in the same order) were folded into their samples; a note
// on the zones that lost gain goes into `drops`.
// REQUIRES: zones.size() == gains.size(); each zone plays the sample of its request.
void AddFoldedZones(Instrument& instrument, std::span<Zone> zones,
                    std::span<const GainRequest> gains, ImportDrops& drops);

// A note on the zones that lost gain (counted, with the largest loss as its subject in dB with
// one decimal, such as "4.5"); nothing when none lost as much as 0.05 dB.
std::optional<ImportNote> LostGainNote(std::span<const FoldedGain> folded);

}  // namespace tolvane
