#pragma once
// The MIDI input monitor: lists the machine's MIDI input ports, keeps at most one of them open
// and turns every short message that arrives on it into a blue flash of the activity indicator;
// the messages themselves go to the message callback, when one is set.
//
// One per process. ListPorts, Open, Close, IsOpen, UseSystem and SetFlashCallback are called on
// one thread (the window's); flashes come on a thread of the monitor's own.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "devices/midi_message_ring.h"
#include "devices/port_device.h"
#include "devices/sound_systems.h"

class RtMidiIn;

namespace tolvane {

namespace sound_systems {
class JackServerWatch;
}

class MidiInputMonitor final : public MidiInputDevice {
 public:
  static MidiInputMonitor& Instance();

  MidiInputMonitor(const MidiInputMonitor&) = delete;
  MidiInputMonitor& operator=(const MidiInputMonitor&) = delete;

  // Which system later calls use (automatic unless told otherwise). Closes an open port.
  void UseSystem(MidiSystem system);

  // "None", then every port whose name can be read, with item data port index + 1.
  std::vector<PortEntry> ListPorts() override;
  bool Open(int itemData) override;
  void Close() override;
  // False too once the JACK server of the open port went away.
  bool IsOpen() const override;
  // Takes effect at the next Open.
  void SetFlashCallback(FlashCallback callback) override;
  void SetMessageCallback(const MidiMessageCallback& callback) override;

  // One incoming message, as the system's MIDI thread hands it over. Public so that a burst can
  // be fed faster than any port delivers. Only short messages (1 to 3 bytes) count.
  void Deliver(std::span<const unsigned char> message);

 private:
  MidiInputMonitor();
  ~MidiInputMonitor() override;

  // A client of the chosen system with quiet error reporting, or null when there is none.
  std::unique_ptr<RtMidiIn> CreateInput();

  MidiSystem system_ = MidiSystem::kAutomatic;
  FlashCallback flash_;
  MidiMessageCallback message_;
  MidiMessageCallback deliver_;  // message_ as it was at the last open; the MIDI thread's
  MidiMessageRing ring_;
  std::unique_ptr<RtMidiIn> input_;
  // Whether the JACK server of the open port went away; false without JACK.
  bool ServerGone() const;
  // Lets go of the watch (see JackServerWatch::Release).
  void ReleaseWatch();

#if TOLVANE_JACK
  // While a JACK port is open: notices the server going away.
  std::unique_ptr<sound_systems::JackServerWatch> watch_;
#endif
  // Set by the MIDI library's error reports: the open in progress failed.
  std::atomic<bool> failed_ = false;
};

}  // namespace tolvane
