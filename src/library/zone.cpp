#include "library/zone.h"

#include <algorithm>
#include <cstdint>

#include "base/bytes.h"
#include "library/library.h"

namespace tolvane {
namespace {

using Word = ZoneParameters::Word;
using Byte = ZoneParameters::Byte;

// Generators that store their amount as is in a 16-bit field.
constexpr struct {
  SoundFontGenerator generator;
  Word word;
} kWordGenerators[] = {
    {kGenModLfoToPitch, ZoneParameters::modLfoToPitch},
    {kGenVibLfoToPitch, ZoneParameters::vibLfoToPitch},
    {kGenModEnvToPitch, ZoneParameters::modEnvToPitch},
    {kGenInitialFilterFc, ZoneParameters::initialFilterFc},
    {kGenInitialFilterQ, ZoneParameters::initialFilterQ},
    {kGenModLfoToFilterFc, ZoneParameters::modLfoToFilterFc},
    {kGenModEnvToFilterFc, ZoneParameters::modEnvToFilterFc},
    {kGenModLfoToVolume, ZoneParameters::modLfoToVolume},
    {kGenFreqModLfo, ZoneParameters::freqModLFO},
    {kGenFreqVibLfo, ZoneParameters::freqVibLFO},
    {kGenSustainModEnv, ZoneParameters::sustainModEnv},
    {kGenKeynumToModEnvHold, ZoneParameters::keynumToModEnvHold},
    {kGenKeynumToModEnvDecay, ZoneParameters::keynumToModEnvDecay},
    {kGenSustainVolEnv, ZoneParameters::sustainVolEnv},
    {kGenKeynumToVolEnvHold, ZoneParameters::keynumToVolEnvHold},
    {kGenKeynumToVolEnvDecay, ZoneParameters::keynumToVolEnvDecay},
};

// Time generators, stored as timecents / 100 in a byte.
constexpr struct {
  SoundFontGenerator generator;
  Byte byte;
} kTimeGenerators[] = {
    {kGenDelayModLfo, ZoneParameters::delayModLFO},
    {kGenDelayVibLfo, ZoneParameters::delayVibLFO},
    {kGenAttackModEnv, ZoneParameters::attackModEnv},
    {kGenHoldModEnv, ZoneParameters::holdModEnv},
    {kGenDecayModEnv, ZoneParameters::decayModEnv},
    {kGenReleaseModEnv, ZoneParameters::releaseModEnv},
    {kGenAttackVolEnv, ZoneParameters::attackVolEnv},
    {kGenHoldVolEnv, ZoneParameters::holdVolEnv},
    {kGenDecayVolEnv, ZoneParameters::decayVolEnv},
    {kGenReleaseVolEnv, ZoneParameters::releaseVolEnv},
};

// Start offsets wrap like the 32-bit fields they are; unsigned arithmetic keeps that defined.
std::int32_t AddWrapping(std::int32_t value, std::int64_t delta) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                   static_cast<std::uint32_t>(delta));
}

template <typename Op>
void CombineParameters(Zone& zone, const ZoneParameters& parameters, Op op) {
  auto& p = zone.parameters;
  for (std::size_t i = 0; i < ZoneParameters::kWordCount; ++i)
    p.words[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(op(
        static_cast<std::uint16_t>(p.words[i]), static_cast<std::uint16_t>(parameters.words[i]))));
  for (std::size_t i = 0; i < ZoneParameters::kByteCount; ++i)
    p.bytes[i] = static_cast<std::uint8_t>(op(p.bytes[i], parameters.bytes[i]));
}

}  // namespace

std::array<std::byte, ZoneMapping::kSize> ZoneMapping::Serialize() const {
  std::array<std::byte, kSize> out{};
  out[0] = std::byte{keyLow};
  out[1] = std::byte{keyHigh};
  out[2] = std::byte{velLow};
  out[3] = std::byte{velHigh};
  StoreU32(&out[4], static_cast<std::uint32_t>(startOffset));
  StoreU32(&out[8], static_cast<std::uint32_t>(startOffset2));
  for (std::size_t i = 0; i < reserved.size(); ++i) out[12 + i] = std::byte{reserved[i]};
  out[20] = static_cast<std::byte>(coarseTune);
  out[21] = static_cast<std::byte>(fineTune);
  out[22] = std::byte{flags};
  out[23] = std::byte{overridingRootKey};
  StoreU16(&out[24], static_cast<std::uint16_t>(scaleTuning));
  out[26] = static_cast<std::byte>(coarseTune2);
  out[27] = static_cast<std::byte>(fineTune2);
  return out;
}

ZoneMapping ZoneMapping::Deserialize(std::span<const std::byte> in) {
  ZoneMapping m;
  const auto u8 = [&](std::size_t i) { return std::to_integer<std::uint8_t>(in[i]); };
  m.keyLow = u8(0);
  m.keyHigh = u8(1);
  m.velLow = u8(2);
  m.velHigh = u8(3);
  m.startOffset = static_cast<std::int32_t>(LoadU32(&in[4]));
  m.startOffset2 = static_cast<std::int32_t>(LoadU32(&in[8]));
  for (std::size_t i = 0; i < m.reserved.size(); ++i) m.reserved[i] = u8(12 + i);
  m.coarseTune = static_cast<std::int8_t>(u8(20));
  m.fineTune = static_cast<std::int8_t>(u8(21));
  m.flags = u8(22);
  m.overridingRootKey = u8(23);
  m.scaleTuning = static_cast<std::int16_t>(LoadU16(&in[24]));
  m.coarseTune2 = static_cast<std::int8_t>(u8(26));
  m.fineTune2 = static_cast<std::int8_t>(u8(27));
  return m;
}

std::array<std::byte, ZoneParameters::kSize> ZoneParameters::Serialize() const {
  std::array<std::byte, kSize> out{};
  for (std::size_t i = 0; i < kWordCount; ++i)
    StoreU16(&out[2 * i], static_cast<std::uint16_t>(words[i]));
  for (std::size_t i = 0; i < kByteCount; ++i) out[2 * kWordCount + i] = std::byte{bytes[i]};
  return out;
}

ZoneParameters ZoneParameters::Deserialize(std::span<const std::byte> in) {
  ZoneParameters p;
  for (std::size_t i = 0; i < kWordCount; ++i)
    p.words[i] = static_cast<std::int16_t>(LoadU16(&in[2 * i]));
  for (std::size_t i = 0; i < kByteCount; ++i)
    p.bytes[i] = std::to_integer<std::uint8_t>(in[2 * kWordCount + i]);
  return p;
}

void InitZone(Zone& zone) {
  zone = Zone{};
}

void SetZoneSample(Zone& zone, Sample* sample) {
  zone.sample = sample;
}

void ApplyGenerator(Zone& zone, std::uint16_t number, std::uint16_t amount) {
  const auto a = static_cast<std::int16_t>(amount);
  const auto low = static_cast<std::uint8_t>(amount & 0xFF);
  const auto high = static_cast<std::uint8_t>(amount >> 8);
  auto& m = zone.mapping;
  auto& p = zone.parameters;

  for (const auto& g : kWordGenerators) {
    if (g.generator == number) {
      p.words[g.word] = a;
      return;
    }
  }
  for (const auto& g : kTimeGenerators) {
    if (g.generator == number) {
      p.SetSigned(g.byte, a / 100);
      return;
    }
  }
  switch (number) {
    case kGenStartAddrsOffset:  // 2 bytes per sample point
      m.startOffset = AddWrapping(m.startOffset, 2 * static_cast<std::int64_t>(a));
      m.startOffset2 = m.startOffset;
      break;
    case kGenStartAddrsCoarseOffset:  // 32768 points
      m.startOffset = AddWrapping(m.startOffset, 65536 * static_cast<std::int64_t>(a));
      m.startOffset2 = m.startOffset;
      break;
    case kGenPan:
      p.SetSigned(ZoneParameters::pan, a / 5);
      break;
    case kGenInitialAttenuation:
      p.bytes[ZoneParameters::attenuation] = static_cast<std::uint8_t>(a / 10);
      break;
    case kGenKeyRange:
      m.keyLow = low;
      m.keyHigh = high;
      break;
    case kGenVelRange:
      m.velLow = low;
      m.velHigh = high;
      break;
    case kGenCoarseTune:
      m.coarseTune = static_cast<std::int8_t>(low);
      m.coarseTune2 = m.coarseTune;
      break;
    case kGenFineTune:
      m.fineTune = static_cast<std::int8_t>(low);
      m.fineTune2 = m.fineTune;
      break;
    case kGenSampleModes:
      if (amount & 1) m.flags |= ZoneLoop;
      break;
    case kGenScaleTuning:
      m.scaleTuning = a;
      break;
    case kGenOverridingRootKey:
      if (a >= 0 && a <= 127) m.overridingRootKey = static_cast<std::uint8_t>(a);
      break;
    default:
      break;  // end and loop points come from the sample header, never from a zone
  }
}

void MergeZonePair(Zone& existing, MergeMode mode, const Zone& added) {
  if (mode == MergeStereo) {
    existing.parameters.SetSigned(ZoneParameters::pan, 0);
    existing.mapping.flags |= ZoneStereo;
  } else if (mode == MergeDual) {
    existing.mapping.flags |= ZoneDual;
    existing.mapping.startOffset2 = added.mapping.startOffset;
    existing.mapping.coarseTune2 = added.mapping.coarseTune;
    existing.mapping.fineTune2 = added.mapping.fineTune2;
  }
}

void SubtractParameters(Zone& zone, const ZoneParameters& parameters) {
  CombineParameters(zone, parameters, [](unsigned x, unsigned y) { return x - y; });
}

void AddParameters(Zone& zone, const ZoneParameters& parameters) {
  CombineParameters(zone, parameters, [](unsigned x, unsigned y) { return x + y; });
}

void AverageInstrument(Instrument& instrument) {
  auto& zones = instrument.zones;
  if (zones.empty()) return;  // an average of nothing is undefined; keep the block as it is
  if (instrument.averaged) {
    for (auto& zone : zones) AddParameters(zone, instrument.parameters);
  }
  // 64-bit sums: the same results as 32-bit ones wherever those do not overflow.
  std::array<std::int64_t, ZoneParameters::kWordCount> wordSums{};
  std::array<std::int64_t, ZoneParameters::kByteCount> byteSums{};
  for (const auto& zone : zones) {
    const auto& p = zone.parameters;
    for (std::size_t i = 0; i < wordSums.size(); ++i) wordSums[i] += p.words[i];
    for (std::size_t i = 0; i < byteSums.size(); ++i) {
      byteSums[i] +=
          (i == ZoneParameters::attenuation) ? p.bytes[i] : static_cast<std::int8_t>(p.bytes[i]);
    }
  }
  const auto count = static_cast<std::int64_t>(zones.size());
  ZoneParameters& average = instrument.parameters;
  for (std::size_t i = 0; i < wordSums.size(); ++i)
    average.words[i] = static_cast<std::int16_t>(wordSums[i] / count);
  for (std::size_t i = 0; i < byteSums.size(); ++i)
    average.bytes[i] = static_cast<std::uint8_t>(byteSums[i] / count);
  for (auto& zone : zones) SubtractParameters(zone, average);
  instrument.averaged = true;
}

namespace {

// A zone's stored differences counted from the zone defaults, each taken as far as its field
// reaches rather than wrapped: a difference from an instrument block far from the defaults
// would otherwise turn round (an attenuation a little below the block's into 25 dB, an attack
// a little shorter into minutes).
ZoneParameters FromDefaults(const ZoneParameters& differences) {
  const ZoneParameters defaults;
  ZoneParameters sum;
  for (std::size_t i = 0; i < sum.words.size(); ++i)
    sum.words[i] = static_cast<std::int16_t>(std::clamp(defaults.words[i] + differences.words[i],
                                                        INT16_MIN, INT16_MAX));
  for (std::size_t i = 0; i < sum.bytes.size(); ++i) {
    const int value = static_cast<std::int8_t>(defaults.bytes[i]) +
                      static_cast<std::int8_t>(differences.bytes[i]);
    sum.bytes[i] =
        static_cast<std::uint8_t>(i == ZoneParameters::attenuation ? std::clamp(value, 0, 255)
                                                                   : std::clamp(value, -128, 127));
  }
  return sum;
}

}  // namespace

ZoneParameters PlayedParameters(const Instrument& instrument, const Zone& zone) {
  if (instrument.differencesOnly && !instrument.averaged) return FromDefaults(zone.parameters);
  if (!instrument.averaged) return zone.parameters;
  Zone absolute = zone;
  AddParameters(absolute, instrument.parameters);
  return absolute.parameters;
}

bool ZoneSustains(const Instrument& instrument, const Zone& zone) {
  return PlayedParameters(instrument, zone).words[ZoneParameters::sustainVolEnv] <
         kSilentSustainCentibels;
}

}  // namespace tolvane
