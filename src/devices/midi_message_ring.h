#pragma once
// The hand-over between the system's MIDI thread and the window: incoming messages go into a
// fixed ring, and a drain thread of its own turns each into one flash. The MIDI thread never
// waits on the window; what does not fit into the ring is dropped.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "devices/port_device.h"

namespace tolvane {

class MidiMessageRing {
 public:
  static constexpr std::size_t kCapacity = 1024;
  // Blue in the 0x00BBGGRR form, for 100 ms: one flash per message.
  static constexpr std::uint32_t kFlashColour = 0xFF0000;
  static constexpr int kFlashMilliseconds = 100;

  MidiMessageRing() = default;
  MidiMessageRing(const MidiMessageRing&) = delete;
  MidiMessageRing& operator=(const MidiMessageRing&) = delete;
  ~MidiMessageRing() { Stop(); }

  // Empties the ring and starts the drain thread, which calls `flash` once per message.
  // REQUIRES: not running.
  void Start(FlashCallback flash);
  // Wakes the drain thread, tells it to end and waits for it. Messages not yet drained are
  // dropped. Harmless when not running.
  void Stop();

  // Called on the system's MIDI thread: stores a packed short message (status, data 1, data 2 in
  // the low three bytes). False when the ring is full or not running, and the message is dropped.
  bool Push(std::uint32_t message);

 private:
  void Drain(const FlashCallback& flash);

  std::mutex mutex_;  // guards everything below but the read index
  std::condition_variable wake_;
  std::array<std::uint32_t, kCapacity> messages_{};
  std::size_t writeIndex_ = 0;
  std::size_t count_ = 0;
  bool running_ = false;
  bool stop_ = false;
  std::size_t readIndex_ = 0;  // the drain thread's alone
  std::thread drain_;
};

}  // namespace tolvane
