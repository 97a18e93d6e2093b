#include "audition/lowpass.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolvane {

bool Lowpass::Configure(std::int32_t cutoffCents, std::int32_t qCentibels, double rate) {
  state_[0] = {};
  state_[1] = {};
  active_ = false;
  if (cutoffCents >= 13500) return false;
  // 8.176 Hz is MIDI key 0, the reference of absolute cents; SoundFont 2 limits the cutoff to
  // 1500 cents (20 Hz) and up.
  const double hz = 8.176 * std::exp2(std::max(cutoffCents, 1500) / 1200.0);
  if (hz >= 0.45 * rate) return false;
  const double q =
      std::max(std::pow(10.0, std::clamp(qCentibels, 0, 960) / 200.0), std::numbers::sqrt2 / 2.0);
  // The lowpass of the Audio EQ Cookbook (R. Bristow-Johnson).
  const double w = 2.0 * std::numbers::pi * hz / rate;
  const double alpha = std::sin(w) / (2.0 * q);
  const double cosw = std::cos(w);
  const double a0 = 1.0 + alpha;
  b0_ = static_cast<float>((1.0 - cosw) / 2.0 / a0);
  b1_ = static_cast<float>((1.0 - cosw) / a0);
  b2_ = b0_;
  a1_ = static_cast<float>(-2.0 * cosw / a0);
  a2_ = static_cast<float>((1.0 - alpha) / a0);
  active_ = true;
  return true;
}

}  // namespace tolvane
