#include "import/soundfont/soundfont_generators.h"

#include <algorithm>

namespace tolvane {
namespace {

// An additive generator's default (what the instrument level has when it sets none) and the
// range a player keeps the sum in.
struct Additive {
  std::uint16_t number;
  std::int32_t fallback;
  std::int32_t low;
  std::int32_t high;
};

constexpr std::int32_t kNoTime = -12000;  // timecents: an envelope stage or delay of about 1 ms

constexpr Additive kAdditive[] = {
    {kGenModLfoToPitch, 0, -12000, 12000},
    {kGenVibLfoToPitch, 0, -12000, 12000},
    {kGenModEnvToPitch, 0, -12000, 12000},
    {kGenInitialFilterFc, 13500, 1500, 13500},
    {kGenInitialFilterQ, 0, 0, 960},
    {kGenModLfoToFilterFc, 0, -12000, 12000},
    {kGenModEnvToFilterFc, 0, -12000, 12000},
    {kGenModLfoToVolume, 0, -960, 960},
    {15, 0, 0, 1000},  // chorus send
    {16, 0, 0, 1000},  // reverb send
    {kGenPan, 0, -500, 500},
    {kGenDelayModLfo, kNoTime, -12000, 5000},
    {kGenFreqModLfo, 0, -16000, 4500},
    {kGenDelayVibLfo, kNoTime, -12000, 5000},
    {kGenFreqVibLfo, 0, -16000, 4500},
    {25, kNoTime, -12000, 5000},  // modulation envelope delay
    {kGenAttackModEnv, kNoTime, -12000, 8000},
    {kGenHoldModEnv, kNoTime, -12000, 5000},
    {kGenDecayModEnv, kNoTime, -12000, 8000},
    {kGenSustainModEnv, 0, 0, 1000},
    {kGenReleaseModEnv, kNoTime, -12000, 8000},
    {kGenKeynumToModEnvHold, 0, -1200, 1200},
    {kGenKeynumToModEnvDecay, 0, -1200, 1200},
    {33, kNoTime, -12000, 5000},  // volume envelope delay
    {kGenAttackVolEnv, kNoTime, -12000, 8000},
    {kGenHoldVolEnv, kNoTime, -12000, 5000},
    {kGenDecayVolEnv, kNoTime, -12000, 8000},
    {kGenSustainVolEnv, 0, 0, 1440},
    {kGenReleaseVolEnv, kNoTime, -12000, 8000},
    {kGenKeynumToVolEnvHold, 0, -1200, 1200},
    {kGenKeynumToVolEnvDecay, 0, -1200, 1200},
    {kGenInitialAttenuation, 0, 0, 1440},
    {kGenCoarseTune, 0, -120, 120},
    {kGenFineTune, 0, -99, 99},
    {kGenScaleTuning, 100, 0, 1200},
};

std::int32_t SignedOf(std::uint16_t amount) {
  return static_cast<std::int16_t>(amount);
}

// The overlap of two ranges as a range generator stores them (low byte, high byte); nothing when
// they do not meet. A level that sets none plays every key or velocity.
std::optional<std::uint16_t> Intersect(const GeneratorValues& a, const GeneratorValues& b,
                                       std::uint16_t number) {
  constexpr std::uint16_t kWhole = 127 << 8;
  const std::uint16_t x = a.Has(number) ? a.Amount(number) : kWhole;
  const std::uint16_t y = b.Has(number) ? b.Amount(number) : kWhole;
  const int low = std::max(x & 0xFF, y & 0xFF);
  const int high = std::min(x >> 8, y >> 8);
  if (low > high) return std::nullopt;
  return static_cast<std::uint16_t>(low | (high << 8));
}

}  // namespace

GeneratorValues GeneratorValues::Layered(const GeneratorValues& global,
                                         const GeneratorValues& local) {
  GeneratorValues values = global;
  for (std::uint16_t n = 0; n < kSoundFontGeneratorCount; ++n)
    if (local.Has(n)) values.Set(n, local.Amount(n));
  return values;
}

std::optional<GeneratorValues> CombinePresetZone(const GeneratorValues& instrument,
                                                 const GeneratorValues& preset) {
  GeneratorValues values = instrument;
  for (const std::uint16_t range : {std::uint16_t{kGenKeyRange}, std::uint16_t{kGenVelRange}}) {
    const auto overlap = Intersect(instrument, preset, range);
    if (!overlap) return std::nullopt;
    if (instrument.Has(range) || preset.Has(range)) values.Set(range, *overlap);
  }
  for (const Additive& a : kAdditive) {
    if (!preset.Has(a.number)) continue;
    const std::int32_t base =
        instrument.Has(a.number) ? SignedOf(instrument.Amount(a.number)) : a.fallback;
    const std::int32_t sum = std::clamp(base + SignedOf(preset.Amount(a.number)), a.low, a.high);
    values.Set(a.number, static_cast<std::uint16_t>(sum));
  }
  return values;
}

void ApplyValues(Zone& zone, const GeneratorValues& values) {
  for (std::uint16_t n = 0; n < kSoundFontGeneratorCount; ++n) {
    if (!values.Has(n)) continue;
    std::uint16_t amount = values.Amount(n);
    // A zone's scale tuning of 0 plays the default 100 cents a key; 1 is the nearest to none.
    if (n == kGenScaleTuning && amount == 0) amount = 1;
    ApplyGenerator(zone, n, amount);
  }
}

}  // namespace tolvane
