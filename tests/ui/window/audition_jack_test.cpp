// Live audition on the test's JACK server: a note from a virtual MIDI keyboard plays the current
// row's instrument through the real audio output stream, and a recorder client captures what
// the offline render of the same note holds.

#include <RtMidi.h>
#include <jack/jack.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <vector>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "audition/wave_encoder.h"
#include "database/sound_database.h"
#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "library/library.h"
#include "tests/devices/jack_recorder.h"
#include "tests/devices/jack_server.h"
#include "ui/window/audition_link.h"
#include "ui/window/dialog_template.h"
#include "ui/window/instrument_panel.h"
#include "ui/window/main_dialog.h"

namespace tolvane {
namespace {

[[maybe_unused]] const auto& kServer = testing::JackServer::Get();

constexpr std::size_t kCaptureFrames = std::size_t{64} * 1024;

// As the user picks a port: the entry becomes current, then is activated.
void Choose(MainDialog& dialog, int selectorId, const char* part) {
  auto* selector = qobject_cast<QComboBox*>(dialog.Control(selectorId));
  ASSERT_NE(selector, nullptr);
  const int entry = selector->findText(part, Qt::MatchContains);
  ASSERT_GT(entry, 0) << part;
  selector->setCurrentIndex(entry);
  emit selector->activated(entry);
}

void WaitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 10000) QApplication::processEvents();
}

std::size_t FirstSound(const std::vector<float>& frames, std::size_t from) {
  for (std::size_t i = 2 * from; i < frames.size(); ++i)
    if (frames[i] != 0) return i / 2;
  return frames.size() / 2;
}

// Half a second of a wobbling tone in `place`, played at its root key so every frame counts.
QString WriteTone(const QTemporaryDir& place, std::vector<std::int16_t>& values) {
  values.assign(22050, 0);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<std::int16_t>((i * 7919) % 20000) - 10000;
  const QString wav = place.filePath("Tone.wav");
  const auto bytes = EncodeWave16(values, 1, 44100);
  if (!bytes) return {};
  std::ofstream(wav.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));
  return wav;
}

// Whether the capture, from the first sound past the ramp on, holds the offline render of `note`.
void ExpectTheNote(const std::vector<float>& capture, const Instrument& instrument, RenderNote note,
                   std::size_t length) {
  RenderSettings settings;
  settings.notes = {note};
  const RenderedNotes offline = RenderNotes(MakePlayable(instrument), settings);
  std::vector<float> expected;
  for (const std::int16_t v : offline.frames) expected.push_back(static_cast<float>(v) / 32768);
  // The ramp first, then silence until the note.
  const std::size_t start = FirstSound(capture, 0);
  const std::size_t live = FirstSound(capture, start + 4 * 1024);
  const std::size_t rendered = FirstSound(expected, 0);
  ASSERT_LT(live + length, kCaptureFrames) << "the note came too late";
  for (std::size_t k = 0; k < length; ++k) {
    ASSERT_EQ(capture[2 * (live + k)], expected[2 * (rendered + k)]) << k;
    ASSERT_EQ(capture[2 * (live + k) + 1], expected[2 * (rendered + k) + 1]) << k;
  }
}

// A key clicked on the panel plays on the output with no MIDI port open.
TEST(AuditionOnJack, AKeyClickedOnThePanelPlaysWithoutAMidiPort) {
  const QTemporaryDir place;
  qputenv("XDG_CONFIG_HOME", place.path().toUtf8());
  std::vector<std::int16_t> values;
  const QString wav = WriteTone(place, values);
  ASSERT_FALSE(wav.isEmpty());
  MidiInputMonitor& midi = MidiInputMonitor::Instance();
  AudioOutputStream& audio = AudioOutputStream::Instance();
  midi.UseSystem(MidiSystem::kJack);
  audio.UseSystem(AudioSystem::kJack);
  testing::JackRecorder recorder("tolvane-clicks", kCaptureFrames);

  Library library;
  SoundDatabase database;
  AuditionLink audition(midi, audio);
  int velocity = 0;
  {
    MainDialog dialog({library, database, {}, midi, audio});
    audition.Follow(dialog);
    dialog.resize(1000, 800);
    dialog.show();
    dialog.ImportDrop({wav});
    WaitFor([&] { return !dialog.Busy() && !library.instruments.empty(); });
    ASSERT_EQ(library.instruments.size(), 1U);
    recorder.Arm();
    Choose(dialog, kAudioSelectorId, "tolvane-clicks");
    ASSERT_TRUE(audio.IsOpen() && !midi.IsOpen());
    WaitFor([&] { return recorder.recorded() > 8 * 1024; });
    InstrumentPanel& panel = dialog.panel();
    ASSERT_FALSE(panel.isHidden());
    const KeyMapLayout layout = panel.Layout();
    const QPointF at(layout.KeyColumn(60).center().x(), layout.keyboard().center().y());
    const std::optional<PlayedNote> note = layout.NoteAt(panel.keyMap(), at);
    ASSERT_TRUE(note && note->key == 60);
    velocity = note->velocity;
    QMouseEvent press(QEvent::MouseButtonPress, at, panel.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &press);
    WaitFor([&] { return recorder.recorded() == kCaptureFrames; });
    QMouseEvent release(QEvent::MouseButtonRelease, at, panel.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &release);
    audio.Close();
  }
  const std::vector<float> capture = recorder.Take();
  ASSERT_EQ(capture.size(), 2 * kCaptureFrames);
  ExpectTheNote(capture, *library.instruments[0], {60, static_cast<std::uint8_t>(velocity)},
                values.size());
}

TEST(AuditionOnJack, ANoteFromTheKeyboardPlaysWhatRenderWrites) {
  const QTemporaryDir place;
  qputenv("XDG_CONFIG_HOME", place.path().toUtf8());
  // Half a second of a wobbling tone, played at its root key so every frame counts.
  std::vector<std::int16_t> values(22050);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<std::int16_t>((i * 7919) % 20000) - 10000;
  const QString wav = place.filePath("Tone.wav");
  const auto bytes = EncodeWave16(values, 1, 44100);
  ASSERT_TRUE(bytes);
  std::ofstream(wav.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));

  RtMidiOut keys(RtMidi::UNIX_JACK, "tolvane-audition-keys");
  keys.openVirtualPort("out");
  MidiInputMonitor& midi = MidiInputMonitor::Instance();
  AudioOutputStream& audio = AudioOutputStream::Instance();
  midi.UseSystem(MidiSystem::kJack);
  audio.UseSystem(AudioSystem::kJack);
  testing::JackRecorder recorder("tolvane-listener", kCaptureFrames);

  Library library;
  SoundDatabase database;
  AuditionLink audition(midi, audio);
  {
    MainDialog dialog({library, database, {}, midi, audio});
    audition.Follow(dialog);
    dialog.ImportDrop({wav});
    // The import runs on a worker; the library is the window's once it is done.
    WaitFor([&] { return !dialog.Busy() && !library.instruments.empty(); });
    ASSERT_EQ(library.instruments.size(), 1U);
    // The row became current while no port was open: choosing the ports makes it heard.
    Choose(dialog, kMidiSelectorId, "tolvane-audition-keys");
    recorder.Arm();
    Choose(dialog, kAudioSelectorId, "tolvane-listener");
    ASSERT_TRUE(midi.IsOpen() && audio.IsOpen());
    // Past the ramp, then the note.
    WaitFor([&] { return recorder.recorded() > 8 * 1024; });
    const std::vector<unsigned char> noteOn = {0x90, 60, 100};
    keys.sendMessage(&noteOn);
    WaitFor([&] { return recorder.recorded() == kCaptureFrames; });
    midi.Close();
    audio.Close();
  }
  const std::vector<float> capture = recorder.Take();
  ASSERT_EQ(capture.size(), 2 * kCaptureFrames);

  RenderSettings settings;
  settings.notes = {{60, 100}};
  const RenderedNotes offline = RenderNotes(MakePlayable(*library.instruments[0]), settings);
  std::vector<float> expected;
  for (const std::int16_t v : offline.frames) expected.push_back(static_cast<float>(v) / 32768);

  // The ramp first, then silence until the note.
  const std::size_t start = FirstSound(capture, 0);
  const std::size_t live = FirstSound(capture, start + 4 * 1024);
  const std::size_t rendered = FirstSound(expected, 0);
  ASSERT_LT(live + values.size(), kCaptureFrames) << "the note came too late";
  for (std::size_t k = 0; k < values.size(); ++k) {
    ASSERT_EQ(capture[2 * (live + k)], expected[2 * (rendered + k)]) << k;
    ASSERT_EQ(capture[2 * (live + k) + 1], expected[2 * (rendered + k) + 1]) << k;
  }
}

}  // namespace
}  // namespace tolvane
