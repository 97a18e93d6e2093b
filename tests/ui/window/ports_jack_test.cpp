// Port selection against the device layer's real MIDI input monitor and audio output stream, on
// a JACK server of the test's own: the remembered ports reopen at start, and a MIDI message
// flashes the indicator.

#include <RtMidi.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "devices/audio_output_stream.h"
#include "devices/indicator/opl_emu_led.h"
#include "devices/midi_input_monitor.h"
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

TEST(PortsOnJack, RememberedPortsReopenAndMessagesFlash) {
  const QTemporaryDir place;
  qputenv("XDG_CONFIG_HOME", place.path().toUtf8());
  RtMidiOut keys(RtMidi::UNIX_JACK, "tolvane-keys");
  keys.openVirtualPort("out");
  MidiInputMonitor& midi = MidiInputMonitor::Instance();
  AudioOutputStream& audio = AudioOutputStream::Instance();
  midi.UseSystem(MidiSystem::kJack);
  audio.UseSystem(AudioSystem::kJack);
  // As remembered by an earlier run, in other letters: the sound card and the keyboard.
  WriteSettingText(kLastAudioPortSetting, "SYSTEM");
  WriteSettingText(kLastMidiPortSetting, "Tolvane-Keys:OUT");

  QComboBox midiSelector, audioSelector;
  OplEmuLed indicator;
  PortSelection(midiSelector, audioSelector, midi, audio, indicator).RestorePorts();
  EXPECT_TRUE(audio.IsOpen());
  EXPECT_EQ(audioSelector.currentText().toStdString(), "system");
  EXPECT_EQ(Setting(kLastAudioPortSetting), "system");
  ASSERT_TRUE(midi.IsOpen());
  EXPECT_EQ(midiSelector.currentText().toStdString(), "tolvane-keys:out");
  EXPECT_EQ(Setting(kLastMidiPortSetting), "tolvane-keys:out");
  EXPECT_EQ(indicator.idleColour(), QColor(Qt::black));

  const std::vector<unsigned char> noteOn = {0x90, 60, 100};
  keys.sendMessage(&noteOn);
  QElapsedTimer clock;
  clock.start();
  while (!indicator.isFlashing() && clock.elapsed() < 5000) QApplication::processEvents();
  EXPECT_TRUE(indicator.isFlashing());
  EXPECT_EQ(indicator.currentColour(), QColor(Qt::blue));
  midi.Close();
  audio.Close();
}

}  // namespace
}  // namespace tolvane

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
