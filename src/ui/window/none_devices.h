#pragma once
// Ports for a build without MIDI and audio support: each selector offers "None" only.

#include "devices/port_device.h"

namespace tolvane {

class NoMidiInput : public MidiInputDevice {
 public:
  std::vector<PortEntry> ListPorts() override { return {{kNoPortName, 0}}; }
  bool Open(int /*itemData*/) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  void SetFlashCallback(FlashCallback /*callback*/) override {}
};

class NoAudioOutput : public PortDevice {
 public:
  std::vector<PortEntry> ListPorts() override { return {{kNoPortName, 0}}; }
  bool Open(int /*itemData*/) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
};

}  // namespace tolvane
