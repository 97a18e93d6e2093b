// Port selection against the device layer's real MIDI input monitor and audio output stream, on
// a JACK server of the test's own: the remembered ports reopen at start, a MIDI message flashes
// the indicator, a port made later appears when the list opens, and both selectors show "None"
// once the server ends.

#include <RtMidi.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <csignal>
#include <memory>

#include "devices/audio_output_stream.h"
#include "devices/indicator/opl_emu_led.h"
#include "devices/midi_input_monitor.h"
#include "devices/sound_systems.h"
#include "tests/devices/jack_server.h"
#include "ui/settings/settings.h"
#include "ui/window/port_selection.h"

namespace tolvane {
namespace {

[[maybe_unused]] const auto& kServer = testing::JackServer::Get();

std::string Setting(std::string_view name) {
  std::string text;
  ReadSettingText(name, text, 100, std::nullopt);
  return text;
}

// Keeps running until `done` or 5 s passed; whether `done`.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000) QApplication::processEvents();
  return done();
}

// A virtual MIDI output port. Its client is never closed: the test ends its server under it.
RtMidiOut& Keys(const char* client) {
  auto keys = std::make_shared<RtMidiOut>(RtMidi::UNIX_JACK, client);
  keys->openVirtualPort("out");
  sound_systems::Abandon(keys);
  return *keys;
}

TEST(PortsOnJack, RememberedPortsReopenFlashFollowTheListAndTheServersEnd) {
  const QTemporaryDir place;
  qputenv("XDG_CONFIG_HOME", place.path().toUtf8());
  RtMidiOut& keys = Keys("tolvane-keys");
  MidiInputMonitor& midi = MidiInputMonitor::Instance();
  AudioOutputStream& audio = AudioOutputStream::Instance();
  midi.UseSystem(MidiSystem::kJack);
  audio.UseSystem(AudioSystem::kJack);
  // As remembered by an earlier run, in other letters: the sound card and the keyboard.
  WriteSettingText(kLastAudioPortSetting, "SYSTEM");
  WriteSettingText(kLastMidiPortSetting, "Tolvane-Keys:OUT");

  PortSelector midiSelector, audioSelector;
  OplEmuLed indicator;
  PortSelection selection(midiSelector, audioSelector, midi, audio, indicator);
  selection.RestorePorts();
  EXPECT_TRUE(audio.IsOpen());
  EXPECT_EQ(audioSelector.currentText().toStdString(), "system");
  EXPECT_EQ(Setting(kLastAudioPortSetting), "system");
  ASSERT_TRUE(midi.IsOpen());
  EXPECT_EQ(midiSelector.currentText().toStdString(), "tolvane-keys:out");
  EXPECT_EQ(Setting(kLastMidiPortSetting), "tolvane-keys:out");
  EXPECT_EQ(indicator.idleColour(), QColor(Qt::black));

  const std::vector<unsigned char> noteOn = {0x90, 60, 100};
  keys.sendMessage(&noteOn);
  EXPECT_TRUE(ProcessEventsUntil([&indicator] { return indicator.isFlashing(); }));
  EXPECT_EQ(indicator.currentColour(), QColor(Qt::blue));

  Keys("tolvane-late");
  midiSelector.showPopup();
  midiSelector.hidePopup();
  EXPECT_GE(midiSelector.findText("tolvane-late:out"), 0);
  EXPECT_EQ(midiSelector.currentText().toStdString(), "tolvane-keys:out");

  testing::JackServer::Get().Signal(SIGKILL);
  EXPECT_TRUE(ProcessEventsUntil(
      [&] { return midiSelector.currentIndex() == 0 && audioSelector.currentIndex() == 0; }));
  EXPECT_FALSE(midi.IsOpen() || audio.IsOpen());
  EXPECT_EQ(indicator.idleColour(), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(Setting(kLastAudioPortSetting), "system");
  EXPECT_EQ(Setting(kLastMidiPortSetting), "tolvane-keys:out");
}

}  // namespace
}  // namespace tolvane
