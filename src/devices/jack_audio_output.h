#pragma once
// The audio output stream's way to a JACK server: a client of our own with two output ports,
// connected to the first two audio inputs of another client, the "device". It runs at whatever
// rate the server runs; JACK does not resample. Used by the device layer alone.
//
// The audio library's own JACK client closes itself on its own thread when the server goes away,
// racing any close from the window and printing on stderr; this one leaves every decision to its
// owner, on the owner's thread.

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tolvane::sound_systems {

// Fills `samples` (interleaved left, right) with the stream's next frames; called on the server's
// process thread, so it must not wait, allocate or lock.
using FrameSource = void (*)(std::span<std::int16_t> samples, void* context);

class JackAudioOutput {
 public:
  // A client of the server that takes audio, with the number of audio inputs it has.
  struct Device {
    std::string name;
    std::size_t inputs = 0;
  };

  // The server's clients with audio inputs, in the server's port order; nothing when no server
  // runs.
  static std::optional<std::vector<Device>> ListDevices();
  // Plays `source` into the first two audio inputs of `device` at the server's rate. Null when no
  // server runs or the device has fewer than two inputs; nothing stays open then.
  static std::unique_ptr<JackAudioOutput> Open(const std::string& device, const char* clientName,
                                               FrameSource source, void* context);

  // Closes the output, or abandons it for good when its server went away (a client of a server
  // that is gone must not be touched; see JackServerWatch). `context` must outlive it then.
  static void Release(std::unique_ptr<JackAudioOutput> output);

  JackAudioOutput(const JackAudioOutput&) = delete;
  JackAudioOutput& operator=(const JackAudioOutput&) = delete;
  // Closes the client. REQUIRES: !ServerGone(); use Release.
  ~JackAudioOutput();

  bool ServerGone() const;
  // False once the server or the device went away.
  bool Running() const { return !deviceGone_ && !ServerGone(); }
  unsigned int SampleRate() const { return sampleRate_; }

 private:
  JackAudioOutput(FrameSource source, void* context) : source_(source), context_(context) {}
  static int Process(jack_nframes_t frames, void* output);
  static void OnShutdown(jack_status_t status, const char* reason, void* output);
  static void OnClientRegistration(const char* name, int registered, void* output);

  FrameSource source_;
  void* context_;
  std::string device_;
  std::atomic<bool> deviceGone_ = false;
  jack_client_t* client_ = nullptr;
  std::array<jack_port_t*, 2> ports_{};
  unsigned int sampleRate_ = 0;
  std::uint64_t generation_ = 0;
};

}  // namespace tolvane::sound_systems
