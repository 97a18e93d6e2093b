#pragma once
// MIDI messages from one producer thread (the MIDI input's) to one consumer (the render
// thread), without a lock: a fixed ring of two indices, each written by one side only.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tolvane {

struct MidiMessage {
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

class MidiQueue {
 public:
  static constexpr std::size_t kCapacity = 1024;  // a power of two
  static_assert(std::atomic<std::size_t>::is_always_lock_free);

  // Producer side. False when the ring is full; the message is dropped.
  bool Push(const MidiMessage& message) {
    const std::size_t write = write_.load(std::memory_order_relaxed);
    if (write - read_.load(std::memory_order_acquire) >= kCapacity) return false;
    messages_[write % kCapacity] = message;
    write_.store(write + 1, std::memory_order_release);
    return true;
  }

  // Consumer side. The oldest message, or nothing when the ring is empty.
  std::optional<MidiMessage> Pop() {
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire)) return std::nullopt;
    const MidiMessage message = messages_[read % kCapacity];
    read_.store(read + 1, std::memory_order_release);
    return message;
  }

 private:
  std::array<MidiMessage, kCapacity> messages_{};
  std::atomic<std::size_t> write_{0};
  std::atomic<std::size_t> read_{0};
};

}  // namespace tolvane
