#pragma once
// The audio output stream: lists the output devices that can play 16-bit stereo, keeps at most
// one of them open and plays a stream on it that carries no program material of its own. After
// every open come four buffers of 1024 frames holding a start-up ramp (frame i of each: 2i on the
// left, 2i + 1 on the right), then what the renderer makes (silence without one) for as long as
// the stream stays open.
//
// Under JACK the stream runs at the server's rate, whatever it is, on every client that takes
// two audio inputs; where the system resamples (PulseAudio, ALSA, WASAPI, DirectSound) it runs
// at 44100 Hz on the devices that take that rate. On Windows a device WASAPI cannot open is
// opened through DirectSound.
//
// One per process. Every operation but SampleRate is called on one thread (the window's); the
// samples are made on the audio system's thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "devices/port_device.h"
#include "devices/sound_systems.h"

class RtAudio;

namespace tolvane {

namespace sound_systems {
class JackAudioOutput;
}

class AudioOutputStream final : public PortDevice {
 public:
  // The rate where the sound system resamples for the device.
  static constexpr unsigned int kResampledRate = 44100;
  static constexpr unsigned int kChannels = 2;
  static constexpr unsigned int kBufferFrames = 1024;
  static constexpr unsigned int kRampBuffers = 4;

  static AudioOutputStream& Instance();

  AudioOutputStream(const AudioOutputStream&) = delete;
  AudioOutputStream& operator=(const AudioOutputStream&) = delete;

  // Which system later calls use (automatic unless told otherwise). Closes an open stream.
  void UseSystem(AudioSystem system);

  // "None", then every device of the first system that has one (automatic: a JACK server, then
  // PulseAudio, then ALSA; on Windows WASAPI, then DirectSound), item data device index + 1. Open
  // takes item data of this list.
  std::vector<PortEntry> ListPorts() override;
  bool Open(int itemData) override;
  void Close() override;
  // False too once the stream stopped on its own: an error, or a JACK server that went away.
  bool IsOpen() const override;
  void SetRenderer(AudioRenderer* renderer) override;

  // The frames per second the open stream runs at; 0 while none is open. Any thread.
  unsigned int SampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }

  // The stream's content: the next frames into `samples` (interleaved left, right), counted from
  // the open. Called on the audio system's thread only, so it must not wait, allocate or lock.
  void FillBuffer(std::span<std::int16_t> samples);

 private:
  // Prepares the renderer for the open stream's rate, then lets the audio thread call it.
  void StartRenderer();

  AudioOutputStream();
  ~AudioOutputStream() override;

  // The entries of one system's devices, without "None"; nothing when the system is absent.
  std::vector<PortEntry> ListDevices(AudioSystem system) const;
  bool OpenJack(unsigned int index);
  bool OpenWithAudioLibrary(AudioSystem system, unsigned int index);
  // The DirectSound device named as WASAPI's device `wasapiIndex`, else DirectSound's default.
  bool OpenWithDirectSound(unsigned int wasapiIndex);

  // The audio library's callback: the next `frames` frames into `output`.
  static int Play(void* output, void* input, unsigned int frames, double time, unsigned int status,
                  void* stream);

  AudioSystem system_ = AudioSystem::kAutomatic;
  // The system the last list came from, so that item data keep their meaning until Open.
  std::optional<AudioSystem> listed_;
  // At most one of these is set while a stream is open.
  std::unique_ptr<RtAudio> audio_;
#if TOLVANE_JACK
  std::unique_ptr<sound_systems::JackAudioOutput> jack_;
#endif
  std::atomic<unsigned int> sampleRate_ = 0;
  // Frames handed out since the open; touched by the audio thread while the stream runs.
  std::atomic<std::uint64_t> played_ = 0;
  std::atomic<AudioRenderer*> renderer_ = nullptr;
  // Callbacks inside the renderer right now: SetRenderer waits for them to leave it.
  std::atomic<int> rendering_ = 0;
  // The renderer has been prepared for the open stream's rate and may be called.
  std::atomic<bool> prepared_ = false;
};

}  // namespace tolvane
