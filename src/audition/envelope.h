#pragma once
// The SoundFont 2 volume envelope of one voice: a linear attack, hold, a decay and a release
// that fall in decibels at 96 dB per decay or release time, and a sustain level. Advanced one
// frame at a time on the render thread; no allocation.

#include <cstdint>

#include "audition/playable_instrument.h"

namespace tolvane {

class VolumeEnvelope {
 public:
  // Below this gain (-96 dB) a voice is silent and ends.
  static constexpr float kSilentGain = 1.5848932e-5F;

  // Starts the envelope for a note on `key` at `rate` frames per second.
  void Start(const EnvelopeSettings& settings, std::uint8_t key, double rate);
  // The key went up (or the pedal let it go): from the current gain into the release.
  void Release();
  // Ends at once, as all sound off does.
  void Stop() { stage_ = Stage::Done; }

  // The gain for the next frame, then advances. A finished envelope gives 0.
  float Next() {
    switch (stage_) {
      case Stage::Attack:
        gain_ = static_cast<float>(count_) * attackStep_;
        if (++count_ >= attackFrames_) EnterHold();
        return gain_;
      case Stage::Hold:
        if (++count_ >= holdFrames_) EnterDecay();
        return 1.0F;
      case Stage::Decay:
        gain_ *= decayFactor_;
        if (gain_ <= sustainGain_) EnterSustain();
        return gain_;
      case Stage::Sustain:
        return gain_;
      case Stage::Release:
        gain_ *= releaseFactor_;
        if (gain_ < kSilentGain) stage_ = Stage::Done;
        return gain_;
      case Stage::Done:
        break;
    }
    return 0.0F;
  }

  bool Finished() const { return stage_ == Stage::Done; }
  bool Releasing() const { return stage_ == Stage::Release || stage_ == Stage::Done; }

 private:
  enum class Stage { Attack, Hold, Decay, Sustain, Release, Done };

  void EnterHold();
  void EnterDecay();
  void EnterSustain();

  Stage stage_ = Stage::Done;
  float gain_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t attackFrames_ = 0;
  float attackStep_ = 0;
  std::uint32_t holdFrames_ = 0;
  float decayFactor_ = 1;
  float sustainGain_ = 1;
  float releaseFactor_ = 0;
};

}  // namespace tolvane
