// Live playing with the export's sound options: the window's sampler plays the current row as the
// export would write it, once the copy analysed beside the window has arrived.

#include <QSignalSpy>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <vector>

#include "audition/wave_encoder.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/audition_link.h"

namespace tolvane {
namespace {

constexpr int kRate = 44100;

// A second of a 440 Hz sine: no root key given (middle C), no loop, steady enough for both.
QString WriteTone(const testing::TestWindow& window, const QString& name) {
  std::vector<std::int16_t> values(kRate);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<std::int16_t>(
        std::lround(16000 * std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / kRate)));
  const auto bytes = EncodeWave16(values, 1, kRate);
  std::ofstream((window.place / name).toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));
  return window.place / name;
}

class LiveSoundTest : public QObject {
  Q_OBJECT

 private slots:
  // Key 69 held for 1.5 s, clicked on the panel (options chosen first) or played from the MIDI
  // input (options chosen while the row is loaded): a loop found keeps the one-second tone past
  // its end; a root key measured at 440 Hz plays it at its own pitch, not 9 semitones up.
  void playsTheRowAsTheExportWouldWriteIt() {
    const struct {
      bool autoLoop, detectRoot;
      int hz;
      bool pastEnd;
    } cases[] = {{false, false, 740, false}, {true, false, 740, true}, {false, true, 440, false}};
    for (const auto& c : cases)
      for (const bool midi : {false, true}) {
        const QByteArray what = QByteArray::number(&c - cases) + (midi ? " midi" : " click");
        testing::TestWindow window;
        MainDialog& dialog = window.Open();
        dialog.ImportDrop({WriteTone(window, QStringLiteral("Tone.wav"))});
        window.Wait();
        AuditionLink link(window.midi, window.audio);
        link.Follow(dialog);
        window.audio.Open(1);
        if (midi && window.midi.Open(1)) link.PlayRow(dialog, 0);
        QSignalSpy made(&dialog.analysedCopy(), &AnalysedCopy::Made);
        if (c.autoLoop) dialog.SetAutoLoop(10);
        dialog.SetDetectRoot(c.detectRoot);
        if (!midi) link.PlayKey(dialog, 69, 100);
        if (c.autoLoop || c.detectRoot) QVERIFY2(made.wait(20000), what);
        const unsigned char noteOn[] = {0x90, 69, 100};
        if (midi) window.midi.message(noteOn);

        std::vector<std::int16_t> stereo(2 * kRate * 3 / 2);
        link.Prepare(kRate);
        link.Render(stereo);
        int rises = 0;  // over 0.4 s, from 0.05 s on
        for (std::size_t i = 2 * kRate / 20; i < 2 * kRate * 9 / 20; i += 2)
          rises += stereo[i] < 0 && stereo[i + 2] >= 0 ? 1 : 0;
        QVERIFY2(std::abs(rises / 0.4 - c.hz) < 10, what + " pitch " + QByteArray::number(rises));
        const bool pastEnd = std::any_of(stereo.begin() + 2 * kRate * 11 / 10, stereo.end(),
                                         [](std::int16_t v) { return std::abs(v) > 1000; });
        QVERIFY2(pastEnd == c.pastEnd, what);
      }
  }

  // Only the newest request is made; after a drop stopped the copy being made, the new current
  // row's follows.
  void aNewerRequestOrADropSupersedesTheCopyBeingMade() {
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.ImportDrop(
        {WriteTone(window, QStringLiteral("A.wav")), WriteTone(window, QStringLiteral("B.wav"))});
    window.Wait();
    QSignalSpy made(&dialog.analysedCopy(), &AnalysedCopy::Made);
    dialog.analysedCopy().Request(*dialog.model().InstrumentAt(0), {10, true});
    dialog.analysedCopy().Request(*dialog.model().InstrumentAt(1), {10, true});
    QVERIFY(made.wait(20000));
    QTest::qWait(200);
    QCOMPARE(made.size(), 1);
    QCOMPARE(made[0][0].value<const Instrument*>(), dialog.model().InstrumentAt(1));

    AuditionLink link(window.midi, window.audio);
    link.Follow(dialog);
    window.midi.Open(1);
    window.audio.Open(1);
    dialog.SetDetectRoot(true);
    link.PlayRow(dialog, 1);
    dialog.ImportDrop({WriteTone(window, QStringLiteral("C.wav"))});
    window.Wait();
    QVERIFY(QTest::qWaitFor(
        [&] { return made.last()[0].value<const Instrument*>() == dialog.model().InstrumentAt(0); },
        20000));
  }
};

}  // namespace
}  // namespace tolvane

QTEST_MAIN(tolvane::LiveSoundTest)
#include "live_sound_test.moc"
