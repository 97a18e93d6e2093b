#pragma once
// What the window asks of a MIDI input or an audio output: the entries of its selector and
// opening the one the user picks. The real devices and the window tests' fakes both offer it.
// No Qt here: the device layer never touches a widget.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tolvane {

// One selector entry: its text and its item data, 0 for "None" and device index + 1 otherwise.
// A device that is skipped keeps its index, so item data need not be consecutive.
struct PortEntry {
  std::string name;  // UTF-8
  int itemData = 0;
};

inline constexpr const char* kNoPortName = "None";

// What an audio output plays once its start-up ramp is over (silence without one).
class AudioRenderer {
 public:
  virtual ~AudioRenderer() = default;
  // On the window's thread while no stream runs: the rate of the stream about to start.
  virtual void Prepare(unsigned int rate) = 0;
  // On the audio thread: fills 16-bit interleaved stereo frames. Must neither wait nor allocate.
  virtual void Render(std::span<std::int16_t> stereo) = 0;
};

class PortDevice {
 public:
  virtual ~PortDevice() = default;

  // "None" with item data 0, then every port or device that can be offered.
  virtual std::vector<PortEntry> ListPorts() = 0;
  // Closes whatever is open, then opens the port of `itemData`. False for 0 ("None") and when the
  // open fails; nothing is left half open either way.
  virtual bool Open(int itemData) = 0;
  // Closes the open port; nothing happens when none is open.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Audio outputs: what later streams play after their ramp, or nothing (null). When this
  // returns, the audio thread no longer uses the renderer set before. Other devices ignore it.
  virtual void SetRenderer(AudioRenderer* /*renderer*/) {}
};

// Called once per incoming message on a thread of the MIDI layer, never the window's: the
// colour (0x00BBGGRR) and duration in milliseconds of the flash to show. The window binds it to
// a queued call onto its own thread.
using FlashCallback = std::function<void(std::uint32_t colour, int milliseconds)>;

// Called on the MIDI layer's thread with every short message (1 to 3 bytes) that arrives.
using MidiMessageCallback = std::function<void(std::span<const unsigned char> message)>;

class MidiInputDevice : public PortDevice {
 public:
  // Replaces the callback; set it before opening a port.
  virtual void SetFlashCallback(FlashCallback callback) = 0;
  // Replaces the callback that receives the messages themselves; takes effect at the next open.
  virtual void SetMessageCallback(const MidiMessageCallback& /*callback*/) {}
};

}  // namespace tolvane
