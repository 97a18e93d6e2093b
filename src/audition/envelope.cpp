#include "audition/envelope.h"

#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

// Frames of a stage `timecents` long; SoundFont 2 caps envelope times near 100 s.
double Frames(std::int32_t timecents, double rate) {
  const double seconds = std::exp2(std::min(timecents, 8000) / 1200.0);
  return seconds * rate;
}

// The per-frame factor that falls 96 dB over `frames` frames.
float FallFactor(double frames) {
  return static_cast<float>(std::pow(10.0, -96.0 / 20.0 / std::max(frames, 1.0)));
}

}  // namespace

void VolumeEnvelope::Start(const EnvelopeSettings& settings, std::uint8_t key, double rate) {
  const std::int32_t keyDistance = 60 - key;
  attackFrames_ = static_cast<std::uint32_t>(std::lround(Frames(settings.attack, rate)));
  attackStep_ = attackFrames_ > 0 ? 1.0F / static_cast<float>(attackFrames_) : 0.0F;
  holdFrames_ = static_cast<std::uint32_t>(
      std::lround(Frames(settings.hold + settings.keynumToHold * keyDistance, rate)));
  decayFactor_ = FallFactor(Frames(settings.decay + settings.keynumToDecay * keyDistance, rate));
  const std::int32_t sustain = std::clamp(settings.sustain, 0, 1440);
  // Exactly 1 without attenuation, so that a sustained note plays its sample unchanged.
  sustainGain_ = sustain == 0 ? 1.0F : static_cast<float>(std::pow(10.0, -sustain / 200.0));
  releaseFactor_ = FallFactor(Frames(settings.release, rate));
  count_ = 0;
  gain_ = 0;
  stage_ = Stage::Attack;
  if (attackFrames_ == 0) EnterHold();
}

void VolumeEnvelope::EnterHold() {
  gain_ = 1.0F;
  count_ = 0;
  stage_ = Stage::Hold;
  if (holdFrames_ == 0) EnterDecay();
}

void VolumeEnvelope::EnterDecay() {
  gain_ = 1.0F;
  stage_ = Stage::Decay;
  if (sustainGain_ >= 1.0F) EnterSustain();
}

void VolumeEnvelope::EnterSustain() {
  gain_ = sustainGain_;
  stage_ = gain_ < kSilentGain ? Stage::Done : Stage::Sustain;
}

void VolumeEnvelope::Release() {
  if (stage_ == Stage::Done || stage_ == Stage::Release) return;
  stage_ = gain_ < kSilentGain ? Stage::Done : Stage::Release;
}

}  // namespace tolvane
