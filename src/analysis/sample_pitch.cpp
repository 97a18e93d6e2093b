#include "analysis/sample_pitch.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "analysis/yin.h"

namespace tolvane {

double KeyOfFrequency(double hz) {
  return 69 + 12 * std::log2(hz / 440);
}

RootKey RootKeyOf(double key) {
  const double clamped = std::clamp(key, 0.0, 127.0);
  const double nearest = std::round(clamped);
  return {static_cast<std::uint32_t>(nearest),
          static_cast<std::int32_t>(std::lround((nearest - clamped) * 100))};
}

namespace {}  // namespace

std::size_t PitchFrameLength(std::uint32_t rate, double lowestHz) {
  return rate == 0 ? 0 : YinPitch::FrameLengthFor(rate, lowestHz);
}

double LowestPitchToCheck(double hz) {
  constexpr double kOctavesBelow = 2.2;
  const double octaves = std::floor(std::log2(hz / kLowestPitchHz) - kOctavesBelow);
  return kLowestPitchHz * std::exp2(std::clamp(octaves, 0.0, 6.0));
}

FrameRange PitchPart(const LevelCurve& level, FrameRange steady) {
  const std::size_t length = PitchFrameLength(level.rate);
  if (steady.length() >= length) return steady;
  const FrameRange sounding = FindSoundingPart(level);
  if (sounding.length() >= length) return sounding;
  return {0, level.frames};  // a short sound: wherever a frame fits
}

std::optional<SamplePitch> MeasureSamplePitch(const SoundFrames& sound, const LevelCurve& level,
                                              FrameRange steady) {
  return MeasureSamplePitch(
      [&sound](std::size_t from, std::span<float> out) {
        std::copy_n(sound.mono.begin() + static_cast<std::ptrdiff_t>(from), out.size(),
                    out.begin());
      },
      sound.rate, PitchPart(level, steady));
}

std::optional<SamplePitch> MeasureSamplePitch(const MonoReader& read, std::uint32_t rate,
                                              FrameRange part, std::size_t frames,
                                              double lowestHz) {
  if (rate == 0) return std::nullopt;
  // One estimator a sample: kept per thread, its destruction at a thread's end crashed the
  // Windows build's workers.
  YinPitch yin(rate, lowestHz);
  const std::size_t length = yin.frameLength();
  if (part.length() < length) return std::nullopt;
  std::vector<float> frame(length);
  const std::size_t room = part.length() - length;
  const std::size_t count = std::min(std::max<std::size_t>(frames, 1), 1 + room / (length / 2));
  std::vector<double> keys;
  for (std::size_t i = 0; i < count; ++i) {
    // Spread evenly, the first and last frames at the part's two ends.
    const std::size_t at = part.start + (count == 1 ? room / 2 : room * i / (count - 1));
    read(at, frame);
    const PeriodEstimate estimate = yin.Estimate(frame);
    if (estimate.aperiodicity <= kMostAperiodicity) keys.push_back(KeyOfFrequency(estimate.hz));
  }
  if (keys.empty()) return std::nullopt;
  std::vector<double> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t middle = sorted.size() / 2;
  const double median =
      sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  SamplePitch pitch;
  pitch.frames = count;
  double sum = 0;
  for (const double key : keys) {
    if (std::abs(key - median) * 100 > kAgreementCents) continue;
    ++pitch.agreeing;
    sum += key;
  }
  if (static_cast<double>(pitch.agreeing) < kLeastAgreeingShare * static_cast<double>(count))
    return std::nullopt;
  pitch.key = sum / static_cast<double>(pitch.agreeing);
  pitch.hz = 440 * std::exp2((pitch.key - 69) / 12);
  return pitch;
}

}  // namespace tolvane
