#pragma once
// A JACK client of the tests with two audio input ports: a device the audio output stream can
// play into. Once armed it records interleaved left/right frames until it holds `capacity`.

#include <jack/jack.h>

#include <atomic>
#include <cstddef>
#include <iterator>
#include <vector>

namespace tolvane::testing {

class JackRecorder {
 public:
  JackRecorder(const char* name, std::size_t capacity)
      : client_(jack_client_open(name, JackNoStartServer, nullptr)), capacity_(capacity) {
    for (const char* port : {"left", "right"})
      ports_.push_back(
          jack_port_register(client_, port, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    jack_set_process_callback(client_, &Process, this);
    jack_activate(client_);
  }
  ~JackRecorder() { jack_client_close(client_); }
  JackRecorder(const JackRecorder&) = delete;
  JackRecorder& operator=(const JackRecorder&) = delete;

  // Starts recording afresh.
  void Arm() {
    recorded_ = 0;
    armed_ = true;
  }
  std::size_t recorded() const { return recorded_; }
  std::size_t capacity() const { return capacity_; }
  // Stops recording and returns the frames recorded since Arm.
  std::vector<float> Take() {
    armed_ = false;
    return {frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(2 * recorded_)};
  }

 private:
  static int Process(jack_nframes_t frames, void* self) {
    auto* recorder = static_cast<JackRecorder*>(self);
    const auto* left = static_cast<float*>(jack_port_get_buffer(recorder->ports_[0], frames));
    const auto* right = static_cast<float*>(jack_port_get_buffer(recorder->ports_[1], frames));
    for (jack_nframes_t i = 0;
         recorder->armed_ && i < frames && recorder->recorded_ < recorder->capacity_; ++i) {
      recorder->frames_[2 * recorder->recorded_] = left[i];
      recorder->frames_[2 * recorder->recorded_++ + 1] = right[i];
    }
    return 0;
  }

  jack_client_t* client_;
  std::size_t capacity_;
  std::vector<jack_port_t*> ports_;
  std::vector<float> frames_ = std::vector<float>(2 * capacity_);
  std::atomic<std::size_t> recorded_ = 0;
  std::atomic<bool> armed_ = false;
};

}  // namespace tolvane::testing
