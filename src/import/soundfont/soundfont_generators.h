#pragma once
// SoundFont generators combined as a player combines them when it plays a preset: a global
// zone's values under its level's other zones, then a preset zone's values added to those of
// each instrument zone it plays. Values stay in the bank's own units until ApplyValues maps them
// into a zone's blocks.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "library/zone.h"

namespace tolvane {

// Generator numbers 0..60 have a meaning; higher ones are ignored.
inline constexpr std::size_t kSoundFontGeneratorCount = 61;

// The generators one zone sets, the last amount of each number.
class GeneratorValues {
 public:
  void Set(std::uint16_t number, std::uint16_t amount) {
    if (number >= kSoundFontGeneratorCount) return;
    amounts_[number] = amount;
    set_.set(number);
  }
  bool Has(std::uint16_t number) const { return number < kSoundFontGeneratorCount && set_[number]; }
  // The raw 16 bits. REQUIRES: Has(number).
  std::uint16_t Amount(std::uint16_t number) const { return amounts_[number]; }

  // `global`'s values with `local`'s wherever `local` sets one: a global zone's values are the
  // defaults of the other zones of its preset or instrument.
  static GeneratorValues Layered(const GeneratorValues& global, const GeneratorValues& local);

 private:
  std::array<std::uint16_t, kSoundFontGeneratorCount> amounts_{};
  std::bitset<kSoundFontGeneratorCount> set_;
};

// The values an instrument zone (`instrument`, its global zone beneath it) plays with when a
// preset zone (`preset`, likewise) plays it: ranges intersected, the preset's additive amounts
// added to the instrument's values or to the defaults and kept within the ranges SoundFont 2.04
// gives them, every other preset amount ignored. Nothing when the ranges do not meet.
std::optional<GeneratorValues> CombinePresetZone(const GeneratorValues& instrument,
                                                 const GeneratorValues& preset);

// Maps `values` into `zone`'s blocks, as the instrument import maps a bag's generators (each
// number once, in ascending order).
void ApplyValues(Zone& zone, const GeneratorValues& values);

}  // namespace tolvane
