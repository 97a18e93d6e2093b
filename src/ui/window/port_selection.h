#pragma once
// The two port selectors: filled from the device layer, the port and device of the last run
// reopened at start, the user's choices opened and remembered by their text in "LastMidiPort"
// and "LastAudioPort". The activity indicator's idle colour is black while a MIDI port is open.
//
// Only the selectors' `activated` signal (a person's choice) opens anything; selecting an entry
// from the program does not. Each list is filled anew when a person opens it, and a port or
// device that goes away while open is shown as "None" again (its name stays remembered, so the
// next start, or choosing it once it is back, reopens it).

#include <QTimer>

#include "devices/indicator/opl_emu_led.h"
#include "devices/port_device.h"
#include "ui/window/port_selector.h"

namespace tolvane {

class PortSelection {
 public:
  // How often the open port and device are asked whether they are still there.
  static constexpr int kCheckMilliseconds = 500;

  // The devices and widgets must outlive this object. Routes the MIDI device's flashes to the
  // indicator, on the indicator's thread, with at most one flash on its way at a time.
  PortSelection(PortSelector& midiSelector, PortSelector& audioSelector, MidiInputDevice& midi,
                PortDevice& audio, OplEmuLed& indicator);
  PortSelection(const PortSelection&) = delete;
  PortSelection& operator=(const PortSelection&) = delete;
  // Closes the MIDI port and takes the flash route back from the device.
  ~PortSelection();

  // Fills both selectors, then reopens the remembered audio device and MIDI port, audio first.
  // A remembered name is emptied in the settings before its port is opened, so that a run that
  // ends during the open starts the next time with "None".
  void RestorePorts();

  // Opens the MIDI port of the selector's entry: true when it is open. Remembers its text, or ""
  // when nothing could be opened.
  bool SelectMidiPort(int entry);
  // Opens the audio device of the selector's entry and remembers its text, whether or not the
  // device could be opened ("None" is remembered as "None").
  void SelectAudioPort(int entry);

  // A person's choices: the indicator turns light grey before a MIDI port is opened.
  void ChooseMidiPort(int entry);
  void ChooseAudioPort(int entry);

  // Fills a selector's list anew, keeping the entry shown when it is still there; otherwise
  // "None" is shown, and a port opened here is closed. Runs when a person opens the list.
  void RefillMidiPorts();
  void RefillAudioPorts();

  // A port or device opened here that is no longer open (its server or device went away) is
  // closed and shown as "None", and the indicator idles light grey again. Runs on a timer.
  void CheckPorts();

 private:
  // Closes a port or device that went away and shows "None".
  void LetGoOfMidiPort();
  void LetGoOfAudioPort();

  PortSelector& midiSelector_;
  PortSelector& audioSelector_;
  MidiInputDevice& midi_;
  PortDevice& audio_;
  OplEmuLed& indicator_;
  // Whether this selection opened the port or device that is open now.
  bool midiOpened_ = false;
  bool audioOpened_ = false;
  QTimer checkTimer_;
};

}  // namespace tolvane
