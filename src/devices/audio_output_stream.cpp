#include "devices/audio_output_stream.h"

#include <RtAudio.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <thread>

namespace tolvane {

namespace {

constexpr const char* kStreamName = "Tolvane Sound Converter";

std::optional<RtAudio::Api> ResolveSystem(AudioSystem system) {
  // A system is only tried once it is known to be there: the library and the systems beneath it
  // report a missing one on stderr.
  const auto pulseRuns = [] {
    try {
      RtAudio probe(RtAudio::LINUX_PULSE);
      probe.showWarnings(false);
      return probe.getDeviceCount() > 0;
    } catch (const std::exception&) {
      return false;
    }
  };
  switch (system) {
    case AudioSystem::kJack:
      if (sound_systems::JackServerRunning()) return RtAudio::UNIX_JACK;
      return std::nullopt;
    case AudioSystem::kPulseAudio:
      if (pulseRuns()) return RtAudio::LINUX_PULSE;
      return std::nullopt;
    case AudioSystem::kAlsa:
      if (sound_systems::AlsaCardsPresent()) return RtAudio::LINUX_ALSA;
      return std::nullopt;
    case AudioSystem::kAutomatic:
      break;
  }
  if (sound_systems::JackServerRunning()) return RtAudio::UNIX_JACK;
  if (pulseRuns()) return RtAudio::LINUX_PULSE;
  if (sound_systems::AlsaCardsPresent()) return RtAudio::LINUX_ALSA;
  return std::nullopt;
}

std::unique_ptr<RtAudio> CreateAudio(AudioSystem system) {
  const std::optional<RtAudio::Api> api = ResolveSystem(system);
  if (!api) return nullptr;
  auto audio = std::make_unique<RtAudio>(*api);
  audio->showWarnings(false);
  return audio;
}

bool CanPlay(const RtAudio::DeviceInfo& info) {
  return info.probed && info.outputChannels >= AudioOutputStream::kChannels &&
         std::ranges::find(info.sampleRates, AudioOutputStream::kSampleRate) !=
             info.sampleRates.end();
}

// Errors the library meets while the stream runs stay inside the layer: the stream is then
// found closed. Without this callback the library would throw them on its own threads.
void OnError(RtAudioError::Type /*type*/, const std::string& /*text*/) {}

// The ramp's frames, and zeros after it; how many of `samples`' frames the ramp took.
std::size_t FillFrames(std::span<std::int16_t> samples, std::uint64_t first) {
  constexpr std::uint64_t kRampFrames =
      std::uint64_t{AudioOutputStream::kRampBuffers} * AudioOutputStream::kBufferFrames;
  for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
    const std::uint64_t frame = first + i / 2;
    const auto n = static_cast<std::int16_t>(2 * (frame % AudioOutputStream::kBufferFrames));
    samples[i] = frame < kRampFrames ? n : std::int16_t{0};
    samples[i + 1] = frame < kRampFrames ? static_cast<std::int16_t>(n + 1) : std::int16_t{0};
  }
  return first >= kRampFrames ? 0
                              : static_cast<std::size_t>(std::min<std::uint64_t>(
                                    kRampFrames - first, samples.size() / 2));
}

}  // namespace

AudioOutputStream& AudioOutputStream::Instance() {
  static AudioOutputStream stream;
  return stream;
}

AudioOutputStream::AudioOutputStream() {
  sound_systems::SilenceJack();
}

AudioOutputStream::~AudioOutputStream() {
  Close();
}

void AudioOutputStream::UseSystem(AudioSystem system) {
  Close();
  system_ = system;
}

std::vector<PortEntry> AudioOutputStream::ListPorts() {
  std::vector<PortEntry> entries{{kNoPortName, 0}};
  try {
    const std::unique_ptr<RtAudio> audio = CreateAudio(system_);
    if (!audio) return entries;
    const unsigned int count = audio->getDeviceCount();
    for (unsigned int index = 0; index < count; ++index) {
      // A device that cannot play the stream is left out; the others keep their index.
      RtAudio::DeviceInfo info = audio->getDeviceInfo(index);
      if (CanPlay(info)) entries.push_back({std::move(info.name), static_cast<int>(index) + 1});
    }
  } catch (const std::exception&) {
  }
  return entries;
}

bool AudioOutputStream::Open(int itemData) {
  Close();
  if (itemData <= 0) return false;
  const auto index = static_cast<unsigned int>(itemData - 1);
  std::unique_ptr<RtAudio> audio;
  try {
    audio = CreateAudio(system_);
    if (!audio || index >= audio->getDeviceCount() || !CanPlay(audio->getDeviceInfo(index)))
      return false;
    RtAudio::StreamParameters output;
    output.deviceId = index;
    output.nChannels = kChannels;
    RtAudio::StreamOptions options;
    options.streamName = kStreamName;
    // The system may pick another buffer size; the ramp is counted in frames, not callbacks.
    unsigned int frames = kBufferFrames;
    played_ = 0;
    if (AudioRenderer* renderer = renderer_.load()) renderer->Prepare(kSampleRate);
    audio->openStream(&output, nullptr, RTAUDIO_SINT16, kSampleRate, &frames, &Play, this, &options,
                      &OnError);
    if (audio->isStreamOpen()) audio->startStream();
    if (audio->isStreamRunning()) {
      audio_ = std::move(audio);
      return true;
    }
  } catch (const std::exception&) {
  }
  // Nothing stays half open.
  try {
    if (audio && audio->isStreamOpen()) audio->closeStream();
  } catch (const std::exception&) {
  }
  return false;
}

void AudioOutputStream::Close() {
  if (!audio_) return;
  try {
    // Aborting discards what is queued and, unlike stopping, never waits for a server that no
    // longer answers.
    if (audio_->isStreamRunning()) audio_->abortStream();
    if (audio_->isStreamOpen()) audio_->closeStream();
  } catch (const std::exception&) {
  }
  audio_.reset();
}

bool AudioOutputStream::IsOpen() const {
  return audio_ != nullptr && audio_->isStreamRunning();
}

int AudioOutputStream::Play(void* output, void* /*input*/, unsigned int frames, double /*time*/,
                            unsigned int /*status*/, void* stream) {
  auto* self = static_cast<AudioOutputStream*>(stream);
  const std::uint64_t first = self->played_.load(std::memory_order_relaxed);
  const std::span<std::int16_t> samples{static_cast<std::int16_t*>(output),
                                        std::size_t{frames} * kChannels};
  const std::size_t ramp = FillFrames(samples, first);
  self->rendering_.fetch_add(1);
  if (AudioRenderer* renderer = self->renderer_.load(); renderer != nullptr && ramp < frames)
    renderer->Render(samples.subspan(ramp * kChannels));
  self->rendering_.fetch_sub(1);
  self->played_.store(first + frames, std::memory_order_relaxed);
  return 0;
}

void AudioOutputStream::SetRenderer(AudioRenderer* renderer) {
  renderer_.store(nullptr);
  // A callback that took the old renderer is inside it for one buffer at most.
  while (rendering_.load() != 0) std::this_thread::yield();
  // No callback uses a renderer now: the new one can be prepared for a stream that runs.
  if (renderer != nullptr) renderer->Prepare(kSampleRate);
  renderer_.store(renderer);
}

}  // namespace tolvane
