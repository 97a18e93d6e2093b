#pragma once
// Made-up sounds for the analysis tests: tones with and without harmonics, level shapes, noise.

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/sound_level.h"
#include "library/sample_data.h"

namespace tolvane::testing {

// A tone of `hz` at `rate` for `seconds`: a sine, or with `harmonics` partials of amplitude
// 1/n (a band-limited saw), scaled so that its peak is about `amplitude`; `level(t)` in dB
// shapes it over time.
inline std::vector<float> Tone(double hz, std::uint32_t rate, double seconds, int harmonics = 1,
                               double amplitude = 16000,
                               const std::function<double(double)>& level = {}) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> out(frames);
  double norm = 0;
  for (int n = 1; n <= harmonics; ++n) norm += 1.0 / n;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    double v = 0;
    for (int n = 1; n <= harmonics && n * hz < rate / 2.0; ++n)
      v += std::sin(2 * std::numbers::pi * n * hz * t) / n;
    const double gain = level ? std::pow(10.0, level(t) / 20) : 1.0;
    out[i] = static_cast<float>(amplitude * gain * v / norm);
  }
  return out;
}

// No partial, in Partials' levels.
inline constexpr double kAbsent = -1000;

// A tone of `hz` whose partials 1, 2, 3, ... lie at `db` (dB, kAbsent for none), scaled so that
// its peak is at most about `amplitude`; `level(t)` in dB shapes it over time.
inline std::vector<float> Partials(double hz, std::uint32_t rate, double seconds,
                                   const std::vector<double>& db, double amplitude = 16000,
                                   const std::function<double(double)>& level = {}) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> out(frames);
  double norm = 0;
  for (const double d : db) norm += std::pow(10.0, d / 20);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    double v = 0;
    for (std::size_t n = 1; n <= db.size() && n * hz < rate / 2.0; ++n)
      v += std::pow(10.0, db[n - 1] / 20) * std::sin(2 * std::numbers::pi * n * hz * t);
    const double gain = level ? std::pow(10.0, level(t) / 20) : 1.0;
    out[i] = static_cast<float>(amplitude * gain * v / norm);
  }
  return out;
}

// White noise of about `amplitude` RMS.
inline std::vector<float> Noise(std::uint32_t rate, double seconds, double amplitude = 6000,
                                unsigned seed = 7) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0, amplitude);
  std::vector<float> out(static_cast<std::size_t>(seconds * rate));
  for (float& v : out) v = static_cast<float>(std::clamp(normal(random), -32000.0, 32000.0));
  return out;
}

// Channels as 16-bit values, interleaved.
inline SampleData Values(const std::vector<std::vector<float>>& channels) {
  std::vector<std::int16_t> values;
  for (std::size_t i = 0; i < channels.front().size(); ++i)
    for (const auto& channel : channels)
      values.push_back(static_cast<std::int16_t>(
          std::clamp(std::lround(channel[i]), long{-32768}, long{32767})));
  return SampleData(std::move(values));
}

inline SoundFrames Sound(const std::vector<std::vector<float>>& channels, std::uint32_t rate) {
  const auto frames = static_cast<std::uint32_t>(channels.front().size());
  return ReadSound(Values(channels), static_cast<std::uint32_t>(channels.size()), frames, rate);
}

// Level shapes in dB over time.
inline double Held(double) {
  return 0;
}
// A 50 ms attack from -60 dB, then steady.
inline double Attacked(double t) {
  return t < 0.05 ? -60 + 60 * t / 0.05 : 0;
}

}  // namespace tolvane::testing
