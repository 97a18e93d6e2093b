#pragma once
// The two port selectors: filled from the device layer, the port and device of the last run
// reopened at start, the user's choices opened and remembered by their text in "LastMidiPort"
// and "LastAudioPort". The activity indicator's idle colour is black while a MIDI port is open.
//
// Only the selectors' `activated` signal (a person's choice) opens anything; selecting an entry
// from the program does not.

#include <QComboBox>

#include "devices/indicator/opl_emu_led.h"
#include "devices/port_device.h"

namespace tolvane {

class PortSelection {
 public:
  // The devices and widgets must outlive this object. Routes the MIDI device's flashes to the
  // indicator, on the indicator's thread.
  PortSelection(QComboBox& midiSelector, QComboBox& audioSelector, MidiInputDevice& midi,
                PortDevice& audio, OplEmuLed& indicator);

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

 private:
  QComboBox& midiSelector_;
  QComboBox& audioSelector_;
  MidiInputDevice& midi_;
  PortDevice& audio_;
  OplEmuLed& indicator_;
};

}  // namespace tolvane
