#include "audition/sampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audition/interpolation.h"

namespace tolvane {
namespace {

constexpr float kScale = 1.0F / 32768.0F;
// Far beyond any key and tuning a zone can ask for, and short of positions that could run away.
constexpr double kCentsLimit = 12000;

// Balance: the side a pan turns away from is turned down, the other stays at unity, so a
// centred mono sample comes out unchanged on both sides.
float LeftGain(std::int32_t pan) {
  return pan > 0 ? 1.0F - static_cast<float>(pan) / 100.0F : 1.0F;
}
float RightGain(std::int32_t pan) {
  return pan < 0 ? 1.0F + static_cast<float>(pan) / 100.0F : 1.0F;
}

}  // namespace

Sampler::Sampler(double outputRate) : outputRate_(outputRate) {}

Sampler::~Sampler() = default;

void Sampler::SetOutputRate(double outputRate) {
  StopAll();
  outputRate_ = outputRate;
}

void Sampler::SetInstrument(std::shared_ptr<const PlayableInstrument> instrument) {
  auto handoff = std::make_unique<Handoff>();
  handoff->sequence = nextSequence_++;
  handoff->instrument = std::move(instrument);
  // A handoff that the render thread never took stays in the list and is freed below later.
  pending_.store(handoff.get(), std::memory_order_release);
  handoffs_.push_back(std::move(handoff));
  // Sequences only grow and the render thread only takes newer ones, so what is older than the
  // oldest it uses is never read again.
  const std::uint64_t oldest = oldestInUse_.load(std::memory_order_acquire);
  std::erase_if(handoffs_, [oldest](const auto& h) { return h->sequence < oldest; });
}

void Sampler::TakeHandoff() {
  if (Handoff* handoff = pending_.exchange(nullptr, std::memory_order_acq_rel)) current_ = handoff;
}

void Sampler::PublishOldestInUse() {
  if (current_ == nullptr) return;  // nothing taken yet: nothing may be freed
  std::uint64_t oldest = current_->sequence;
  for (const Voice& v : voices_)
    if (v.active) oldest = std::min(oldest, v.sequence);
  oldestInUse_.store(oldest, std::memory_order_release);
}

void Sampler::Render(std::span<float> stereo) {
  std::fill(stereo.begin(), stereo.end(), 0.0F);
  TakeHandoff();
  if (silence_.exchange(false, std::memory_order_acq_rel)) StopAll();
  while (const auto message = queue_.Pop()) Handle(*message);
  while (const auto message = controlQueue_.Pop()) Handle(*message);
  const std::size_t frames = stereo.size() / 2;
  for (Voice& voice : voices_)
    if (voice.active) RenderVoice(voice, stereo.data(), frames);
  PublishOldestInUse();
}

void Sampler::Handle(const MidiMessage& message) {
  const auto channel = static_cast<std::uint8_t>(message.status & 0x0F);
  const std::uint8_t key = message.data1 & 0x7F;
  const std::uint8_t value = message.data2 & 0x7F;
  switch (message.status & 0xF0) {
    case 0x80:
      NoteOff(channel, key);
      break;
    case 0x90:
      if (value == 0)
        NoteOff(channel, key);
      else
        NoteOn(channel, key, value);
      break;
    case 0xB0:
      if (key == 64) SetPedal(value >= 64);
      if (key == 120) StopAll();
      if (key == 121) {  // reset all controllers
        SetPedal(false);
        bendCents_ = 0;
      }
      if (key == 123)
        for (Voice& v : voices_)
          if (v.active && v.held) NoteOff(v.channel, v.key);
      break;
    case 0xE0: {
      const int bend = ((value << 7) | key) - 8192;
      bendCents_ = bend * kBendCents / 8192.0;
      break;
    }
    default:
      break;
  }
}

void Sampler::NoteOn(std::uint8_t channel, std::uint8_t key, std::uint8_t velocity) {
  if (current_ == nullptr || !current_->instrument) return;
  const PlayableInstrument& instrument = *current_->instrument;
  // Every zone whose ranges hold the note sounds, as in SoundFont 2.
  for (const PlayableZone& zone : instrument.zones) {
    if (key < zone.keyLow || key > zone.keyHigh || velocity < zone.velLow ||
        velocity > zone.velHigh)
      continue;
    for (std::size_t layer = 0; layer < zone.layerCount; ++layer)
      StartVoice(instrument, zone, zone.layers[layer], channel, key, velocity);
  }
}

void Sampler::StartVoice(const PlayableInstrument& instrument, const PlayableZone& zone,
                         const PlayableLayer& layer, std::uint8_t channel, std::uint8_t key,
                         std::uint8_t velocity) {
  const PlayableSample& sample = instrument.samples[zone.sample];
  if (layer.startFrame >= sample.frames) return;  // starts past its end: nothing to play
  Voice& v = FreeVoice();
  v.active = true;
  v.held = true;
  v.sustained = false;
  v.key = key;
  v.channel = channel;
  v.order = nextOrder_++;
  v.sequence = current_->sequence;
  v.data = sample.data.data();
  v.channels = sample.channels;
  v.frames = sample.frames;
  v.loop = zone.loop && sample.loopEnd > sample.loopStart && layer.startFrame < sample.loopEnd;
  v.loopStart = sample.loopStart;
  v.loopEnd = sample.loopEnd;
  v.position = layer.startFrame;
  v.cents = static_cast<double>(key - zone.rootKey) * zone.centsPerKey + layer.tuneCents +
            sample.pitchCorrection;
  v.rateFactor = sample.sampleRate / outputRate_;
  // The SoundFont 2 default velocity curve: 40 log10(127 / velocity) dB of attenuation, that
  // is the square of velocity / 127 as a gain.
  const float velocityGain = static_cast<float>(velocity * velocity) / (127.0F * 127.0F);
  const auto gain = velocityGain * static_cast<float>(std::pow(10.0, -zone.attenuationDb / 20.0));
  v.gainLeft = gain * LeftGain(layer.pan);
  v.gainRight = gain * RightGain(layer.pan);
  v.envelope.Start(zone.envelope, key, outputRate_);
  v.filter.Configure(zone.filterCutoff, zone.filterQ, outputRate_);
}

Sampler::Voice& Sampler::FreeVoice() {
  Voice* oldest = nullptr;
  Voice* oldestReleased = nullptr;
  for (Voice& v : voices_) {
    if (!v.active) return v;
    if (oldest == nullptr || v.order < oldest->order) oldest = &v;
    if (v.envelope.Releasing() && (oldestReleased == nullptr || v.order < oldestReleased->order))
      oldestReleased = &v;
  }
  return oldestReleased != nullptr ? *oldestReleased : *oldest;
}

void Sampler::NoteOff(std::uint8_t channel, std::uint8_t key) {
  for (Voice& v : voices_) {
    if (!v.active || !v.held || v.key != key || v.channel != channel) continue;
    v.held = false;
    if (pedal_)
      v.sustained = true;
    else
      v.envelope.Release();
  }
}

void Sampler::SetPedal(bool down) {
  pedal_ = down;
  if (down) return;
  for (Voice& v : voices_) {
    if (!v.active || !v.sustained) continue;
    v.sustained = false;
    v.envelope.Release();
  }
}

void Sampler::StopAll() {
  for (Voice& v : voices_) {
    v.active = false;
    v.envelope.Stop();
  }
}

std::size_t Sampler::ActiveVoices() const {
  return static_cast<std::size_t>(
      std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.active; }));
}

std::size_t Sampler::VoicesOf(std::uint8_t key) const {
  return static_cast<std::size_t>(std::count_if(
      voices_.begin(), voices_.end(), [key](const Voice& v) { return v.active && v.key == key; }));
}

void Sampler::RenderVoice(Voice& v, float* out, std::size_t frames) const {
  const double cents = std::clamp(v.cents + bendCents_, -kCentsLimit, kCentsLimit);
  const double step = std::exp2(cents / 1200.0) * v.rateFactor;
  const std::int64_t loopStart = v.loopStart;
  const std::int64_t loopLength = std::int64_t{v.loopEnd} - v.loopStart;
  // Past this index a read needs the loop or the end taken into account.
  const std::int64_t plainEnd = v.loop ? std::int64_t{v.loopEnd} : std::int64_t{v.frames};
  const std::int16_t* data = v.data;
  const std::size_t channels = v.channels;
  // The index a read of point j lands on, or -1 for the silence after an unlooped end.
  auto index = [&](std::int64_t j) -> std::int64_t {
    if (j < 0) return 0;
    if (j < plainEnd) return j;
    if (v.loop) return loopStart + (j - plainEnd) % loopLength;
    return -1;
  };
  auto point = [&](std::int64_t j, std::uint32_t channel) -> float {
    const std::int64_t at = index(j);
    return at < 0 ? 0.0F : static_cast<float>(data[at * channels + channel]) * kScale;
  };
  auto read = [&](std::int64_t i, float f, std::uint32_t channel) -> float {
    if (f == 0.0F) return static_cast<float>(data[i * channels + channel]) * kScale;
    if (i >= 1 && i + 2 < plainEnd) {
      const std::int16_t* p = data + (i - 1) * channels + channel;
      return InterpolateCubic(static_cast<float>(p[0]) * kScale,
                              static_cast<float>(p[channels]) * kScale,
                              static_cast<float>(p[2 * channels]) * kScale,
                              static_cast<float>(p[3 * channels]) * kScale, f);
    }
    return InterpolateCubic(point(i - 1, channel), point(i, channel), point(i + 1, channel),
                            point(i + 2, channel), f);
  };

  double position = v.position;
  for (std::size_t k = 0; k < frames; ++k) {
    const auto i = static_cast<std::int64_t>(position);
    const auto f = static_cast<float>(position - static_cast<double>(i));
    const float gain = v.envelope.Next();
    float left = read(i, f, 0);
    float right = channels == 2 ? read(i, f, 1) : left;
    if (v.filter.active()) {
      left = v.filter.Process(0, left);
      right = channels == 2 ? v.filter.Process(1, right) : left;
    }
    out[2 * k] += left * gain * v.gainLeft;
    out[2 * k + 1] += right * gain * v.gainRight;
    if (v.envelope.Finished()) {
      v.active = false;
      break;
    }
    position += step;
    if (v.loop) {
      if (position >= v.loopEnd) {
        position -= static_cast<double>(loopLength);
        if (position >= v.loopEnd)
          position =
              static_cast<double>(loopStart) +
              std::fmod(position - static_cast<double>(loopStart), static_cast<double>(loopLength));
      }
    } else if (position >= v.frames) {
      v.active = false;
      break;
    }
  }
  v.position = position;
}

}  // namespace tolvane
