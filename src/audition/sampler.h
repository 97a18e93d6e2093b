#pragma once
// The sampler that auditions an instrument: MIDI messages in, stereo frames out. The window's
// audio callback and the command line's offline render both call Render on it, so what the file
// holds is what the keyboard plays.
//
// Threads: one control thread (SetInstrument, Silence), one MIDI producer thread (Post) and one
// render thread (Render and the voice queries); they may all be the same thread. Render never
// allocates, frees or waits: voices are preallocated, messages come through a lock-free queue,
// and the instruments handed in are freed by the control thread once no voice plays them.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audition/envelope.h"
#include "audition/lowpass.h"
#include "audition/midi_queue.h"
#include "audition/playable_instrument.h"

namespace tolvane {

class Sampler {
 public:
  static constexpr std::size_t kMaxVoices = 64;
  static constexpr double kBendCents = 200;  // the pitch wheel's full throw either way

  // REQUIRES: outputRate > 0.
  explicit Sampler(double outputRate);
  Sampler(const Sampler&) = delete;
  Sampler& operator=(const Sampler&) = delete;
  ~Sampler();  // REQUIRES: Render is not running

  double outputRate() const { return outputRate_; }
  // For a stream of another rate. Every voice ends.
  // REQUIRES: Render is not running.
  void SetOutputRate(double outputRate);

  // Control thread. New notes play `instrument` (none: new notes are silent); sounding notes
  // keep what they started with. Frees the instruments handed in before that no voice plays any
  // more.
  void SetInstrument(std::shared_ptr<const PlayableInstrument> instrument);
  // Control thread: every voice ends at the start of the next Render (all sound off).
  void Silence() { silence_.store(true, std::memory_order_release); }

  // MIDI producer thread: queues one short message for the next Render. False when the queue
  // is full (the message is dropped).
  bool Post(const MidiMessage& message) { return queue_.Push(message); }
  // Control thread: the same for notes played without a MIDI device (a click on the window's
  // keyboard), through a queue of their own so that each queue keeps one producer.
  bool PostFromControl(const MidiMessage& message) { return controlQueue_.Push(message); }

  // Render thread: applies the queued messages, then writes `stereo.size() / 2` interleaved
  // left/right frames (full scale is 1.0), overwriting what the span held.
  void Render(std::span<float> stereo);

  // Render thread: sounding voices, all of them or those of one key.
  std::size_t ActiveVoices() const;
  std::size_t VoicesOf(std::uint8_t key) const;

 private:
  // An instrument handed to the render thread, numbered in the order handed in.
  struct Handoff {
    std::uint64_t sequence = 0;
    std::shared_ptr<const PlayableInstrument> instrument;
  };

  struct Voice {
    bool active = false;
    bool held = false;       // the key is down
    bool sustained = false;  // the key is up, but the pedal holds the note
    std::uint8_t key = 0;
    std::uint8_t channel = 0;
    std::uint64_t order = 0;     // when the voice started: the oldest is stolen first
    std::uint64_t sequence = 0;  // the handoff of the instrument it plays
    const std::int16_t* data = nullptr;
    std::uint32_t channels = 1;
    std::uint32_t frames = 0;
    bool loop = false;
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    double position = 0;
    double cents = 0;       // pitch against the sample's own, before the bend
    double rateFactor = 1;  // the sample's rate over the output rate
    float gainLeft = 1;
    float gainRight = 1;
    VolumeEnvelope envelope;
    Lowpass filter;
  };

  void TakeHandoff();
  void PublishOldestInUse();
  void Handle(const MidiMessage& message);
  void NoteOn(std::uint8_t channel, std::uint8_t key, std::uint8_t velocity);
  void NoteOff(std::uint8_t channel, std::uint8_t key);
  void SetPedal(bool down);
  void StopAll();
  void StartVoice(const PlayableInstrument& instrument, const PlayableZone& zone,
                  const PlayableLayer& layer, std::uint8_t channel, std::uint8_t key,
                  std::uint8_t velocity);
  Voice& FreeVoice();
  void RenderVoice(Voice& voice, float* out, std::size_t frames) const;

  double outputRate_;
  MidiQueue queue_;
  MidiQueue controlQueue_;
  std::atomic<bool> silence_{false};

  // Control thread's: every instrument handed in that a voice may still play.
  std::vector<std::unique_ptr<Handoff>> handoffs_;
  std::uint64_t nextSequence_ = 1;
  // From the control thread to the render thread: the newest instrument, until taken.
  std::atomic<Handoff*> pending_{nullptr};
  // From the render thread to the control thread: the oldest handoff still in use.
  std::atomic<std::uint64_t> oldestInUse_{0};

  // Render thread's.
  Handoff* current_ = nullptr;
  std::array<Voice, kMaxVoices> voices_{};
  std::uint64_t nextOrder_ = 0;
  bool pedal_ = false;
  double bendCents_ = 0;
};

}  // namespace tolvane
