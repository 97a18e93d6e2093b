#pragma once
// The pitch of a whole sample: YIN estimates over frames spread across its steady part (or,
// for a sound that decays without holding steady, the part after its loudest moment), taken
// together by their median when most of them agree.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "analysis/sound_level.h"
#include "analysis/yin.h"

namespace tolvane {

// At most this many frames are estimated; their periodic estimates must be at least
// kLeastAgreeingShare of the frames and lie within kAgreementCents of their median.
inline constexpr std::size_t kPitchFrames = 5;
inline constexpr double kLeastAgreeingShare = 0.6;
inline constexpr double kAgreementCents = 50;
// An estimate with a higher aperiodicity is not a pitch.
inline constexpr double kMostAperiodicity = 0.2;

struct SamplePitch {
  double hz = 0;
  double key = 0;            // the MIDI key of hz, fractional (69 is 440 Hz)
  std::size_t frames = 0;    // estimated
  std::size_t agreeing = 0;  // of them, periodic and near the median
};

// The frames one estimate reads at `rate` (YinPitch::frameLength) when pitches down to
// `lowestHz` are sought; 0 for rate 0.
std::size_t PitchFrameLength(std::uint32_t rate, double lowestHz = kLowestPitchHz);

// The lowest pitch worth seeking in a sound meant to sound at `hz` when only octaves off are
// asked about: more than two octaves below it, on a grid of octaves from kLowestPitchHz up so
// that a few estimators serve a bank. Shorter frames for higher sounds.
double LowestPitchToCheck(double hz);

// Where a sound's pitch is measured: its steady part when a frame fits into it, else its
// sounding part (a decay), else the whole sound.
FrameRange PitchPart(const LevelCurve& level, FrameRange steady);

// The pitch of `sound` over PitchPart. Nothing when the sound is too short for one frame, or
// its frames do not agree on a pitch (noise, a drum, silence).
std::optional<SamplePitch> MeasureSamplePitch(const SoundFrames& sound, const LevelCurve& level,
                                              FrameRange steady);

// The pitch over `part` of a sound at `rate` that `read` gives runs of (its channels' sum of
// `out.size()` frames from `from` on), from at most `frames` estimates. Nothing when a frame
// does not fit into `part`, or as above.
using MonoReader = std::function<void(std::size_t from, std::span<float> out)>;
std::optional<SamplePitch> MeasureSamplePitch(const MonoReader& read, std::uint32_t rate,
                                              FrameRange part, std::size_t frames = kPitchFrames,
                                              double lowestHz = kLowestPitchHz);

// The MIDI key of a frequency, fractional.
double KeyOfFrequency(double hz);

struct RootKey {
  std::uint32_t key = 60;
  std::int32_t cents = 0;  // the tuning that plays the sound at the key's pitch, -50..50
};

// The nearest key 0..127 to a fractional one, with the correction that brings the sound to it.
RootKey RootKeyOf(double key);

}  // namespace tolvane
