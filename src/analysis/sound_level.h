#pragma once
// A sample's sound as the analyses read it, and its level over time: where the attack ends and
// the level then changes slowly (the steady part), which sustain loops and pitches are taken
// from.

#include <cstdint>
#include <span>
#include <vector>

#include "library/sample_data.h"

namespace tolvane {

// The level is measured in blocks of this length, each over this much sound around it (long
// enough to even out tremolo and vibrato).
inline constexpr double kLevelBlockSeconds = 0.01;
inline constexpr double kLevelWindowSeconds = 0.2;
// Steady: the level changes by at most this much per second (between the blocks
// kLevelWindowSeconds before and after, or as far as the sound reaches, at least
// kLevelWindowSeconds apart), stays within kSteadyBelowPeakDb of the loudest level and above
// kSilentDbfs.
inline constexpr double kSteadySlopeDbPerSecond = 10;
inline constexpr double kSteadyBelowPeakDb = 30;
inline constexpr double kSilentDbfs = -70;
// The attack ends with the first block (by its own level) within this much of the loudest
// level: nothing before it is steady.
inline constexpr double kAttackBelowPeakDb = 3;

// A sample's values as floats: interleaved, and the channels summed to one per frame (the sum
// whose zero crossings a loop stands on).
struct SoundFrames {
  std::uint32_t rate = 0;
  std::uint32_t channels = 1;
  std::uint32_t frames = 0;
  std::vector<float> values;  // frames x channels; empty for one channel (then `mono` holds them)
  std::vector<float> mono;

  std::span<const float> interleaved() const { return channels == 1 ? mono : values; }
};

// The first `frames` frames of `data`. REQUIRES: data holds frames x channels values.
SoundFrames ReadSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                      std::uint32_t rate);

struct LevelCurve {
  std::uint32_t rate = 0;
  std::uint32_t frames = 0;  // of the sound measured
  std::uint32_t blockFrames = 1;
  // Per block, the level of the kLevelWindowSeconds around it in dB of one channel's full scale
  // (the channels' mean); -infinity is silence.
  std::vector<double> db;
  double peakDb = 0;
  std::size_t attackBlocks = 0;  // the blocks up to the attack's end
};

LevelCurve MeasureLevel(const SoundFrames& sound);
// The same, read from the values as they are held: for a sample whose frames are wanted only
// here and there (the pitch's), not whole as floats.
LevelCurve MeasureLevel(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        std::uint32_t rate);

// The channels' sum of frames [from, from + out.size()) of `data`.
// REQUIRES: data holds those frames; channels is 1 or 2.
void ReadMono(const SampleData& data, std::uint32_t channels, std::size_t from,
              std::span<float> out);

// Frames [start, end) of a sample.
struct FrameRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t length() const { return end - start; }
  bool operator==(const FrameRange&) const = default;
};

// The longest run of steady blocks after the attack: a fading end lies outside it. Empty when
// no block is steady.
FrameRange FindSteadyPart(const LevelCurve& level);

// From the loudest block on while the level stays within kSteadyBelowPeakDb of it: where a
// decaying sound (a plucked string) still sounds its pitch. Empty for silence.
FrameRange FindSoundingPart(const LevelCurve& level);

}  // namespace tolvane
