#pragma once
// The audio output stream: lists the output devices that can play 44100 Hz 16-bit stereo, keeps
// at most one of them open and plays a stream on it that carries no program material. After
// every open come four buffers of 1024 frames holding a start-up ramp (frame i of each: 2i on the
// left, 2i + 1 on the right), then what the renderer makes (silence without one) for as long as
// the stream stays open.
//
// One per process. Every operation is called on one thread (the window's); the samples are made
// on the audio library's thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "devices/port_device.h"
#include "devices/sound_systems.h"

class RtAudio;

namespace tolvane {

class AudioOutputStream final : public PortDevice {
 public:
  static constexpr unsigned int kSampleRate = 44100;
  static constexpr unsigned int kChannels = 2;
  static constexpr unsigned int kBufferFrames = 1024;
  static constexpr unsigned int kRampBuffers = 4;

  static AudioOutputStream& Instance();

  AudioOutputStream(const AudioOutputStream&) = delete;
  AudioOutputStream& operator=(const AudioOutputStream&) = delete;

  // Which system later calls use (automatic unless told otherwise). Closes an open stream.
  void UseSystem(AudioSystem system);

  // "None", then every device with 2 output channels at 44100 Hz, item data device index + 1.
  std::vector<PortEntry> ListPorts() override;
  bool Open(int itemData) override;
  void Close() override;
  // False too once the stream stopped on its own: an error, or a JACK server that went away.
  bool IsOpen() const override;
  void SetRenderer(AudioRenderer* renderer) override;

 private:
  AudioOutputStream();
  ~AudioOutputStream() override;

  // The audio library's callback: the next `frames` frames into `output`.
  static int Play(void* output, void* input, unsigned int frames, double time, unsigned int status,
                  void* stream);

  AudioSystem system_ = AudioSystem::kAutomatic;
  std::unique_ptr<RtAudio> audio_;
  // Frames handed out since the open; touched by the audio thread while the stream runs.
  std::atomic<std::uint64_t> played_ = 0;
  std::atomic<AudioRenderer*> renderer_ = nullptr;
  // Callbacks inside the renderer right now: SetRenderer waits for them to leave it.
  std::atomic<int> rendering_ = 0;
};

}  // namespace tolvane
