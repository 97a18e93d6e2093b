#include "devices/midi_message_ring.h"

#include <utility>

namespace tolvane {

void MidiMessageRing::Start(FlashCallback flash) {
  {
    const std::lock_guard lock(mutex_);
    writeIndex_ = 0;
    readIndex_ = 0;
    count_ = 0;
    stop_ = false;
    running_ = true;
  }
  drain_ = std::thread([this, flash = std::move(flash)] { Drain(flash); });
}

void MidiMessageRing::Stop() {
  {
    const std::lock_guard lock(mutex_);
    running_ = false;
    stop_ = true;
  }
  wake_.notify_one();
  if (drain_.joinable()) drain_.join();
}

bool MidiMessageRing::Push(std::uint32_t message) {
  bool stored = false;
  {
    const std::lock_guard lock(mutex_);
    if (running_ && count_ < kCapacity) {
      messages_[writeIndex_] = message;
      writeIndex_ = (writeIndex_ + 1) % kCapacity;
      ++count_;
      stored = true;
    }
  }
  wake_.notify_one();
  return stored;
}

void MidiMessageRing::Drain(const FlashCallback& flash) {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || count_ > 0; });
    if (stop_) return;
    // The slot stays counted until its flash is out, so a burst cannot overwrite it meanwhile.
    while (count_ > 0 && !stop_) {
      lock.unlock();
      // Every message looks the same on the indicator; what it was does not matter.
      if (flash) flash(kFlashColour, kFlashMilliseconds);
      readIndex_ = (readIndex_ + 1) % kCapacity;
      lock.lock();
      --count_;
    }
  }
}

}  // namespace tolvane
