#include "devices/audio_output_stream.h"

#include <RtAudio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <string>
#include <thread>

#if TOLVANE_JACK
#include "devices/jack_audio_output.h"
#endif

namespace tolvane {

namespace {

constexpr const char* kStreamName = "Tolvane Sound Converter";
#ifdef _WIN32
constexpr std::array kAutomaticOrder = {AudioSystem::kWasapi, AudioSystem::kDirectSound};
#else
constexpr std::array kAutomaticOrder = {AudioSystem::kJack, AudioSystem::kPulseAudio,
                                        AudioSystem::kAlsa};

// A system is only tried once it is known to be there: the library and the systems beneath it
// report a missing one on stderr.
bool PulseRuns() {
  try {
    RtAudio probe(RtAudio::LINUX_PULSE);
    probe.showWarnings(false);
    return probe.getDeviceCount() > 0;
  } catch (const std::exception&) {
    return false;
  }
}
#endif

// The audio library's client of PulseAudio or ALSA (WASAPI or DirectSound on Windows), or null
// when the system is absent.
std::unique_ptr<RtAudio> CreateAudio(AudioSystem system) {
  RtAudio::Api api = RtAudio::UNSPECIFIED;
#ifdef _WIN32
  if (system == AudioSystem::kWasapi) api = RtAudio::WINDOWS_WASAPI;
  if (system == AudioSystem::kDirectSound) api = RtAudio::WINDOWS_DS;
#else
  if (system == AudioSystem::kPulseAudio && PulseRuns()) api = RtAudio::LINUX_PULSE;
  if (system == AudioSystem::kAlsa && sound_systems::AlsaCardsPresent()) api = RtAudio::LINUX_ALSA;
#endif
  if (api == RtAudio::UNSPECIFIED) return nullptr;
  auto audio = std::make_unique<RtAudio>(api);
  audio->showWarnings(false);
  return audio;
}

bool CanPlay(const RtAudio::DeviceInfo& info) {
  return info.probed && info.outputChannels >= AudioOutputStream::kChannels &&
         std::ranges::find(info.sampleRates, AudioOutputStream::kResampledRate) !=
             info.sampleRates.end();
}

#if TOLVANE_JACK
bool CanPlay(const sound_systems::JackAudioOutput::Device& device) {
  return device.inputs >= AudioOutputStream::kChannels;
}
#endif

// Whether a started stream plays: WASAPI fails on its own thread, after the start, when the
// device refuses the stream (Wine does for every device). The stream has played once it asked
// for its first buffer.
bool Plays(const RtAudio& audio, const std::atomic<std::uint64_t>& played) {
#ifdef _WIN32
  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (played.load() == 0 && audio.isStreamRunning() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  return played.load() != 0 && audio.isStreamRunning();
#else
  static_cast<void>(played);
  return audio.isStreamRunning();
#endif
}

// The index of `name` among the DirectSound devices that can play, else of its default output.
std::optional<unsigned int> DirectSoundDevice(RtAudio& audio, const std::string& name) {
  const unsigned int count = audio.getDeviceCount();
  for (unsigned int index = 0; index < count; ++index)
    if (RtAudio::DeviceInfo info = audio.getDeviceInfo(index); CanPlay(info) && info.name == name)
      return index;
  const unsigned int fallback = audio.getDefaultOutputDevice();
  if (fallback < count && CanPlay(audio.getDeviceInfo(fallback))) return fallback;
  return std::nullopt;
}

// Errors the library meets while the stream runs stay inside the layer: the stream is then
// found closed. Without this callback the library would throw them on its own threads.
void OnError(RtAudioError::Type /*type*/, const std::string& /*text*/) {}

#if TOLVANE_JACK
void Render(std::span<std::int16_t> samples, void* stream) {
  static_cast<AudioOutputStream*>(stream)->FillBuffer(samples);
}
#endif

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
  listed_.reset();
}

std::vector<PortEntry> AudioOutputStream::ListDevices(AudioSystem system) const {
  std::vector<PortEntry> entries;
  // A device that cannot play the stream is left out; the others keep their index.
  if (system == AudioSystem::kJack) {
#if TOLVANE_JACK
    const auto devices = sound_systems::JackAudioOutput::ListDevices();
    for (std::size_t index = 0; devices && index < devices->size(); ++index)
      if (CanPlay((*devices)[index]))
        entries.push_back({(*devices)[index].name, static_cast<int>(index) + 1});
#endif
    return entries;
  }
  try {
    const std::unique_ptr<RtAudio> audio = CreateAudio(system);
    const unsigned int count = audio ? audio->getDeviceCount() : 0;
    for (unsigned int index = 0; index < count; ++index) {
      RtAudio::DeviceInfo info = audio->getDeviceInfo(index);
      if (CanPlay(info)) entries.push_back({std::move(info.name), static_cast<int>(index) + 1});
    }
  } catch (const std::exception&) {
    entries.clear();
  }
  return entries;
}

std::vector<PortEntry> AudioOutputStream::ListPorts() {
  std::vector<PortEntry> entries{{kNoPortName, 0}};
  listed_.reset();
  // A system that offers nothing usable (a JACK server whose clients take no stereo, a sound card
  // without 44100 Hz) gives way to the next one.
  for (const AudioSystem system : kAutomaticOrder) {
    if (system_ != AudioSystem::kAutomatic && system != system_) continue;
    std::vector<PortEntry> devices = ListDevices(system);
    if (devices.empty()) continue;
    listed_ = system;
    entries.insert(entries.end(), devices.begin(), devices.end());
    break;
  }
  return entries;
}

bool AudioOutputStream::Open(int itemData) {
  Close();
  if (itemData <= 0) return false;
  if (!listed_) ListPorts();
  if (!listed_) return false;
  const auto index = static_cast<unsigned int>(itemData - 1);
  if (*listed_ == AudioSystem::kJack) return OpenJack(index);
  if (OpenWithAudioLibrary(*listed_, index)) return true;
  // The same device through DirectSound, which plays where WASAPI lists devices it cannot open.
  return *listed_ == AudioSystem::kWasapi && OpenWithDirectSound(index);
}

bool AudioOutputStream::OpenWithDirectSound(unsigned int wasapiIndex) {
  std::optional<unsigned int> index;
  try {
    const std::unique_ptr<RtAudio> wasapi = CreateAudio(AudioSystem::kWasapi);
    const std::unique_ptr<RtAudio> directSound = CreateAudio(AudioSystem::kDirectSound);
    if (!wasapi || !directSound || wasapiIndex >= wasapi->getDeviceCount()) return false;
    index = DirectSoundDevice(*directSound, wasapi->getDeviceInfo(wasapiIndex).name);
  } catch (const std::exception&) {
    return false;
  }
  return index && OpenWithAudioLibrary(AudioSystem::kDirectSound, *index);
}

bool AudioOutputStream::OpenJack([[maybe_unused]] unsigned int index) {
#if !TOLVANE_JACK
  return false;
#else
  const auto devices = sound_systems::JackAudioOutput::ListDevices();
  if (!devices || index >= devices->size() || !CanPlay((*devices)[index])) return false;
  played_ = 0;
  jack_ = sound_systems::JackAudioOutput::Open((*devices)[index].name, kStreamName, &Render, this);
  if (!jack_) return false;
  sampleRate_ = jack_->SampleRate();
  StartRenderer();
  return true;
#endif
}

bool AudioOutputStream::OpenWithAudioLibrary(AudioSystem system, unsigned int index) {
  std::unique_ptr<RtAudio> audio;
  try {
    audio = CreateAudio(system);
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
    audio->openStream(&output, nullptr, RTAUDIO_SINT16, kResampledRate, &frames, &Play, this,
                      &options, &OnError);
    if (audio->isStreamOpen()) audio->startStream();
    if (Plays(*audio, played_)) {
      audio_ = std::move(audio);
      sampleRate_ = kResampledRate;
      StartRenderer();
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
  prepared_.store(false, std::memory_order_release);
  sampleRate_ = 0;
#if TOLVANE_JACK
  // A client of a JACK server that went away is abandoned, never touched again.
  sound_systems::JackAudioOutput::Release(std::move(jack_));
#endif
  if (!audio_) return;
  try {
    // Aborting discards what is queued and, unlike stopping, never waits for a device that no
    // longer answers.
    if (audio_->isStreamRunning()) audio_->abortStream();
    if (audio_->isStreamOpen()) audio_->closeStream();
  } catch (const std::exception&) {
  }
  audio_.reset();
}

bool AudioOutputStream::IsOpen() const {
#if TOLVANE_JACK
  if (jack_) return jack_->Running();
#endif
  return audio_ != nullptr && audio_->isStreamRunning();
}

void AudioOutputStream::FillBuffer(std::span<std::int16_t> samples) {
  const std::uint64_t first = played_.load(std::memory_order_relaxed);
  const std::size_t frames = samples.size() / kChannels;
  const std::size_t ramp = FillFrames(samples, first);
  rendering_.fetch_add(1);
  // The renderer plays only once it is prepared for this stream's rate (see StartRenderer).
  if (AudioRenderer* renderer = renderer_.load();
      renderer != nullptr && ramp < frames && prepared_.load(std::memory_order_acquire))
    renderer->Render(samples.subspan(ramp * kChannels));
  rendering_.fetch_sub(1);
  played_.store(first + frames, std::memory_order_relaxed);
}

void AudioOutputStream::StartRenderer() {
  // The stream runs its ramp meanwhile; the renderer is only called once it is prepared.
  if (AudioRenderer* renderer = renderer_.load(); renderer != nullptr && sampleRate_ != 0)
    renderer->Prepare(sampleRate_);
  prepared_.store(true, std::memory_order_release);
}

void AudioOutputStream::SetRenderer(AudioRenderer* renderer) {
  prepared_.store(false, std::memory_order_release);
  renderer_.store(nullptr);
  // A callback that took the old renderer is inside it for one buffer at most.
  while (rendering_.load() != 0) std::this_thread::yield();
  renderer_.store(renderer);
  // No callback uses a renderer now: the new one can be prepared for a stream that runs.
  if (sampleRate_ != 0) StartRenderer();
}

int AudioOutputStream::Play(void* output, void* /*input*/, unsigned int frames, double /*time*/,
                            unsigned int /*status*/, void* stream) {
  static_cast<AudioOutputStream*>(stream)->FillBuffer(
      {static_cast<std::int16_t*>(output), std::size_t{frames} * kChannels});
  return 0;
}

}  // namespace tolvane
