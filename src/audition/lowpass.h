#pragma once
// The voice's lowpass filter: a two-pole (biquad) lowpass set once per note from the zone's
// initialFilterFc (absolute cents) and initialFilterQ (centibels of resonance). At the default
// cutoff and above the filter is left out, so that an unfiltered zone plays its sample exactly.

#include <cstdint>

namespace tolvane {

class Lowpass {
 public:
  // Sets the coefficients and clears the state. False (and Process passes through) when the
  // cutoff is at or above 13500 cents or too near half the output rate to matter.
  bool Configure(std::int32_t cutoffCents, std::int32_t qCentibels, double rate);
  bool active() const { return active_; }

  // One frame of channel 0 or 1.
  float Process(int channel, float x) {
    State& s = state_[channel];
    const float y = b0_ * x + s.z1;
    s.z1 = b1_ * x - a1_ * y + s.z2;
    s.z2 = b2_ * x - a2_ * y;
    return y;
  }

 private:
  struct State {
    float z1 = 0;
    float z2 = 0;
  };
  bool active_ = false;
  float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  State state_[2];
};

}  // namespace tolvane
