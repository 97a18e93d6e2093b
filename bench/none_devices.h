#pragma once
// Ports that offer "None" only: the benchmark measures the window, not the sound systems.

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
