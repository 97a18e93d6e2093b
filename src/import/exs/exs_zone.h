#pragma once
// One EXS zone as a zone to be: its ranges narrowed by its group's, its tuning, pan and gain
// stages (zone, group, the instrument's master volume), where its sample starts, ends and loops,
// and the instrument's amplitude envelope and low-pass filter from the parameter chunk.

#include <cstdint>
#include <map>
#include <optional>

#include "import/exs/exs_records.h"
#include "import/sample_zones.h"

namespace tolvane {

// What the parameter chunk sets for every zone; each field nothing where the chunk is missing or
// does not set it.
struct ExsGlobals {
  double masterDb = 0;
  int coarseTune = 0;  // semitones
  int fineTune = 0;    // cents
  // The amplitude envelope's time codes (0...127) and sustain level (0...127).
  std::optional<int> attack, hold, decay, sustain, release;
  bool filterOn = false;
  int filterType = 0;
  int cutoff = 1000;  // 0...1000
  int resonance = 0;  // 0...1000

  // Filter types 0 to 3 are low-pass in both readings of the type numbers that are known.
  bool LowPass() const { return filterType >= 0 && filterType <= 3; }
};

ExsGlobals ReadExsGlobals(const std::optional<std::map<std::uint16_t, std::int16_t>>& parameters);

// Seconds of an envelope time code: 10 s x (code / 127)^4.
double ExsTimeSeconds(int code);
// Hertz of a cutoff value 0...1000: 20 Hz to 20 kHz, evenly in pitch.
double ExsCutoffHz(int value);

// The plan of `zone` in `group` (null for none), all but its file, name and subject; nothing
// when no key or velocity is left to play it. Reverse playback and alternating loops are noted;
// backward loops are the caller's to note (kExsBackwardLoop).
std::optional<SampleZonePlan> PlanExsZone(const ExsZoneRecord& zone, const ExsGroupRecord* group,
                                          const ExsGlobals& globals);

}  // namespace tolvane
