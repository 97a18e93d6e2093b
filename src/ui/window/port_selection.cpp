#include "ui/window/port_selection.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <memory>
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

// Whether the entry shown before is still there.
bool Refill(QComboBox& selector, PortDevice& device) {
  const QString shown = selector.currentText();
  Fill(selector, device);
  const int entry = selector.findText(shown, Qt::MatchExactly);
  selector.setCurrentIndex(std::max(0, entry));
  return entry >= 0;
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

PortSelection::PortSelection(PortSelector& midiSelector, PortSelector& audioSelector,
                             MidiInputDevice& midi, PortDevice& audio, OplEmuLed& indicator)
    : midiSelector_(midiSelector),
      audioSelector_(audioSelector),
      midi_(midi),
      audio_(audio),
      indicator_(indicator) {
  OplEmuLed* target = &indicator;
  // Shared with the queued calls, which may outlive this object (the indicator drops them).
  auto pending = std::make_shared<std::atomic<bool>>(false);
  midi_.SetFlashCallback([target, pending](std::uint32_t colour, int milliseconds) {
    // Runs on a thread of the MIDI layer: only a queued call may reach the widget. While a flash
    // is on its way, a message needs none of its own: that flash starts later and so lasts past
    // this message's 100 ms too. A busy window thread thus never gathers a queue of flashes.
    if (pending->exchange(true)) return;
    QMetaObject::invokeMethod(
        target,
        [target, pending, colour, milliseconds] {
          pending->store(false);
          target->FlashColour(milliseconds, OplEmuLed::FromBgr(colour));
        },
        Qt::QueuedConnection);
  });
  midiSelector_.SetRefill([this] { RefillMidiPorts(); });
  audioSelector_.SetRefill([this] { RefillAudioPorts(); });
  checkTimer_.setInterval(kCheckMilliseconds);
  QObject::connect(&checkTimer_, &QTimer::timeout, [this] { CheckPorts(); });
  checkTimer_.start();
}

PortSelection::~PortSelection() {
  midiSelector_.SetRefill({});
  audioSelector_.SetRefill({});
  // The monitor is process-wide: it must not call into this window's indicator any more.
  midi_.Close();
  midi_.SetFlashCallback({});
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
  midiOpened_ = midi_.Open(ItemData(midiSelector_, entry));
  if (!midiOpened_) {
    WriteSettingText(kLastMidiPortSetting, "");
    return false;
  }
  indicator_.SetIdleColour(kPortOpenColour);
  WriteSettingText(kLastMidiPortSetting, EntryText(midiSelector_, entry));
  return true;
}

void PortSelection::SelectAudioPort(int entry) {
  audioOpened_ = audio_.Open(ItemData(audioSelector_, entry));
  WriteSettingText(kLastAudioPortSetting, EntryText(audioSelector_, entry));
}

void PortSelection::ChooseMidiPort(int entry) {
  indicator_.SetIdleColour(kNoPortColour);
  SelectMidiPort(entry);
}

void PortSelection::ChooseAudioPort(int entry) {
  SelectAudioPort(entry);
}

void PortSelection::RefillMidiPorts() {
  // An open port that is no longer listed went away with its device.
  if (!Refill(midiSelector_, midi_) && midiOpened_) LetGoOfMidiPort();
}

void PortSelection::RefillAudioPorts() {
  if (!Refill(audioSelector_, audio_) && audioOpened_) LetGoOfAudioPort();
}

void PortSelection::CheckPorts() {
  if (midiOpened_ && !midi_.IsOpen()) LetGoOfMidiPort();
  if (audioOpened_ && !audio_.IsOpen()) LetGoOfAudioPort();
}

// The remembered names stay: the next start, or choosing the port once it is back, reopens it.
void PortSelection::LetGoOfMidiPort() {
  midiOpened_ = false;
  midi_.Close();
  midiSelector_.setCurrentIndex(0);
  indicator_.SetIdleColour(kNoPortColour);
}

void PortSelection::LetGoOfAudioPort() {
  audioOpened_ = false;
  audio_.Close();
  audioSelector_.setCurrentIndex(0);
}

}  // namespace tolvane
