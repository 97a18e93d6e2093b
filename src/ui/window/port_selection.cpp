#include "ui/window/port_selection.h"

#include <QMetaObject>
#include <string>

#include "ui/settings/settings.h"

namespace tolvane {
namespace {

// The stock brushes the indicator idles in.
const QColor kPortOpenColour(Qt::black);
const QColor kNoPortColour(0xC0, 0xC0, 0xC0);

void Fill(QComboBox& selector, PortDevice& device) {
  selector.clear();
  for (const PortEntry& entry : device.ListPorts())
    selector.addItem(QString::fromStdString(entry.name), entry.itemData);
}

int ItemData(const QComboBox& selector, int entry) {
  return selector.itemData(entry).toInt();
}

std::string EntryText(const QComboBox& selector, int entry) {
  return selector.itemText(entry).toStdString();
}

// The remembered text of `setting`, emptied in the store, and the selector's entry of that text
// (case ignored): -1 when nothing is remembered or no entry matches.
int TakeRemembered(const QComboBox& selector, std::string_view setting, std::size_t capacity) {
  std::string remembered;
  ReadSettingText(setting, remembered, capacity, "");
  if (remembered.empty()) return -1;
  WriteSettingText(setting, "");
  const QString name = QString::fromStdString(remembered);
  for (int entry = 0; entry < selector.count(); ++entry)
    if (selector.itemText(entry).compare(name, Qt::CaseInsensitive) == 0) return entry;
  return -1;
}

}  // namespace

PortSelection::PortSelection(QComboBox& midiSelector, QComboBox& audioSelector,
                             MidiInputDevice& midi, PortDevice& audio, OplEmuLed& indicator)
    : midiSelector_(midiSelector),
      audioSelector_(audioSelector),
      midi_(midi),
      audio_(audio),
      indicator_(indicator) {
  OplEmuLed* target = &indicator;
  midi_.SetFlashCallback([target](std::uint32_t colour, int milliseconds) {
    // Runs on a thread of the MIDI layer: only a queued call may reach the widget.
    QMetaObject::invokeMethod(
        target,
        [target, colour, milliseconds] {
          target->FlashColour(milliseconds, OplEmuLed::FromBgr(colour));
        },
        Qt::QueuedConnection);
  });
}

void PortSelection::RestorePorts() {
  Fill(midiSelector_, midi_);
  Fill(audioSelector_, audio_);

  const int audioEntry =
      TakeRemembered(audioSelector_, kLastAudioPortSetting, kLastAudioPortCapacity);
  if (audioEntry >= 0) SelectAudioPort(audioEntry);
  audioSelector_.setCurrentIndex(audioEntry >= 0 ? audioEntry : 0);

  const int midiEntry = TakeRemembered(midiSelector_, kLastMidiPortSetting, kLastMidiPortCapacity);
  const bool midiOpen = midiEntry >= 0 && SelectMidiPort(midiEntry);
  midiSelector_.setCurrentIndex(midiOpen ? midiEntry : 0);
}

bool PortSelection::SelectMidiPort(int entry) {
  if (!midi_.Open(ItemData(midiSelector_, entry))) {
    WriteSettingText(kLastMidiPortSetting, "");
    return false;
  }
  indicator_.SetIdleColour(kPortOpenColour);
  WriteSettingText(kLastMidiPortSetting, EntryText(midiSelector_, entry));
  return true;
}

void PortSelection::SelectAudioPort(int entry) {
  audio_.Open(ItemData(audioSelector_, entry));
  WriteSettingText(kLastAudioPortSetting, EntryText(audioSelector_, entry));
}

void PortSelection::ChooseMidiPort(int entry) {
  indicator_.SetIdleColour(kNoPortColour);
  SelectMidiPort(entry);
}

void PortSelection::ChooseAudioPort(int entry) {
  SelectAudioPort(entry);
}

}  // namespace tolvane
