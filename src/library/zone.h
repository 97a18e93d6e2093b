#pragma once
// Zones: which sample an instrument plays for a range of keys and velocities, and how. The two
// blocks of a zone are also a file layout (the first 72 bytes of an instrument file's zone
// entry), so each has an exact little-endian form.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tolvane {

struct Sample;
struct Instrument;

enum ZoneFlag : std::uint8_t {
  ZoneLoop = 1,
  ZoneStereo = 4,
  ZoneDual = 8,
};

// Key and velocity ranges, start offsets, tuning and flags: 28 bytes in a file.
struct ZoneMapping {
  static constexpr std::size_t kSize = 28;

  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint8_t velLow = 0;
  std::uint8_t velHigh = 127;
  std::int32_t startOffset = 0;   // bytes, 2 per sample point
  std::int32_t startOffset2 = 0;  // the same for the second voice of a dual zone
  std::array<std::uint8_t, 8> reserved{};
  std::int8_t coarseTune = 0;
  std::int8_t fineTune = 0;
  std::uint8_t flags = 0;  // ZoneFlag bits
  std::uint8_t overridingRootKey = 0;
  std::int16_t scaleTuning = 0;
  std::int8_t coarseTune2 = 0;
  std::int8_t fineTune2 = 0;

  std::array<std::byte, kSize> Serialize() const;
  // REQUIRES: bytes.size() >= kSize.
  static ZoneMapping Deserialize(std::span<const std::byte> bytes);

  bool operator==(const ZoneMapping&) const = default;
};

// Synthesis parameters after the SoundFont 2 generator model: 44 bytes in a file. The same layout
// is an instrument's average parameter block.
struct ZoneParameters {
  static constexpr std::size_t kSize = 44;
  static constexpr std::size_t kWordCount = 16;
  static constexpr std::size_t kByteCount = 12;

  // modLfoToPitch, vibLfoToPitch, modEnvToPitch, initialFilterFc, initialFilterQ,
  // modLfoToFilterFc, modEnvToFilterFc, modLfoToVolume, freqModLFO, freqVibLFO, sustainModEnv,
  // keynumToModEnvHold, keynumToModEnvDecay, sustainVolEnv, keynumToVolEnvHold,
  // keynumToVolEnvDecay: in this order, as the words of the block.
  std::array<std::int16_t, kWordCount> words{0, 0, 0, 13500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  // pan, delayModLFO, delayVibLFO, attackModEnv, holdModEnv, decayModEnv, releaseModEnv,
  // attackVolEnv, holdVolEnv, decayVolEnv, releaseVolEnv (signed), attenuation (unsigned).
  std::array<std::uint8_t, kByteCount> bytes{0,    0x88, 0x88, 0x88, 0x88, 0x88,
                                             0x88, 0x88, 0x88, 0x88, 0x88, 0};

  // Indices into `words`.
  enum Word : std::size_t {
    modLfoToPitch,
    vibLfoToPitch,
    modEnvToPitch,
    initialFilterFc,
    initialFilterQ,
    modLfoToFilterFc,
    modEnvToFilterFc,
    modLfoToVolume,
    freqModLFO,
    freqVibLFO,
    sustainModEnv,
    keynumToModEnvHold,
    keynumToModEnvDecay,
    sustainVolEnv,
    keynumToVolEnvHold,
    keynumToVolEnvDecay,
  };
  // Indices into `bytes`.
  enum Byte : std::size_t {
    pan,
    delayModLFO,
    delayVibLFO,
    attackModEnv,
    holdModEnv,
    decayModEnv,
    releaseModEnv,
    attackVolEnv,
    holdVolEnv,
    decayVolEnv,
    releaseVolEnv,
    attenuation,
  };

  std::int8_t Signed(Byte b) const { return static_cast<std::int8_t>(bytes[b]); }
  void SetSigned(Byte b, int value) { bytes[b] = static_cast<std::uint8_t>(value); }

  std::array<std::byte, kSize> Serialize() const;
  // REQUIRES: bytes.size() >= kSize.
  static ZoneParameters Deserialize(std::span<const std::byte> bytes);

  bool operator==(const ZoneParameters&) const = default;
};

struct Zone {
  Sample* sample = nullptr;  // shared with other zones, owned by the source
  ZoneMapping mapping;
  ZoneParameters parameters;
};

// SoundFont 2 generator numbers: what ApplyGenerator and the SoundFont importer read.
enum SoundFontGenerator : std::uint16_t {
  kGenStartAddrsOffset = 0,
  kGenStartAddrsCoarseOffset = 4,
  kGenModLfoToPitch = 5,
  kGenVibLfoToPitch = 6,
  kGenModEnvToPitch = 7,
  kGenInitialFilterFc = 8,
  kGenInitialFilterQ = 9,
  kGenModLfoToFilterFc = 10,
  kGenModEnvToFilterFc = 11,
  kGenModLfoToVolume = 13,
  kGenPan = 17,
  kGenDelayModLfo = 21,
  kGenFreqModLfo = 22,
  kGenDelayVibLfo = 23,
  kGenFreqVibLfo = 24,
  kGenAttackModEnv = 26,
  kGenHoldModEnv = 27,
  kGenDecayModEnv = 28,
  kGenSustainModEnv = 29,
  kGenReleaseModEnv = 30,
  kGenKeynumToModEnvHold = 31,
  kGenKeynumToModEnvDecay = 32,
  kGenAttackVolEnv = 34,
  kGenHoldVolEnv = 35,
  kGenDecayVolEnv = 36,
  kGenSustainVolEnv = 37,
  kGenReleaseVolEnv = 38,
  kGenKeynumToVolEnvHold = 39,
  kGenKeynumToVolEnvDecay = 40,
  kGenInstrument = 41,
  kGenKeyRange = 43,
  kGenVelRange = 44,
  kGenInitialAttenuation = 48,
  kGenCoarseTune = 51,
  kGenFineTune = 52,
  kGenSampleId = 53,
  kGenSampleModes = 54,
  kGenScaleTuning = 56,
  kGenOverridingRootKey = 58,
};

// Every field to its default; no sample.
void InitZone(Zone& zone);

void SetZoneSample(Zone& zone, Sample* sample);

// Applies one SoundFont 2 instrument generator. Unknown and unused numbers are ignored.
void ApplyGenerator(Zone& zone, std::uint16_t number, std::uint16_t amount);

enum MergeMode : int { MergeStereo = 4, MergeDual = 8 };

// Folds `added` into `existing` as the other half of a stereo (4) or dual (8) zone; any other
// mode does nothing.
void MergeZonePair(Zone& existing, MergeMode mode, const Zone& added);

// Field-wise difference / sum, wrapping modulo 2^16 for words and 2^8 for bytes.
void SubtractParameters(Zone& zone, const ZoneParameters& parameters);
void AddParameters(Zone& zone, const ZoneParameters& parameters);

// Makes the instrument's parameters the zones' average and leaves each zone its difference from
// it. An instrument already averaged is first restored to absolute values.
// REQUIRES: the instrument has at least one zone (nothing happens otherwise).
void AverageInstrument(Instrument& instrument);

// The zone's parameters as it sounds: relative to the instrument's while averaged, and counted
// from the zone defaults where the instrument's block is not known (a SiFi file keeps only the
// differences from it), so that an instrument whose block lay near the defaults sounds as its
// source did.
ZoneParameters PlayedParameters(const Instrument& instrument, const Zone& zone);

// A sustain level this far down (96 dB, where a voice falls silent) is silence.
inline constexpr std::int16_t kSilentSustainCentibels = 960;

// Whether a held key keeps the zone sounding: its sustain level (as played) is above silence.
bool ZoneSustains(const Instrument& instrument, const Zone& zone);

}  // namespace tolvane
