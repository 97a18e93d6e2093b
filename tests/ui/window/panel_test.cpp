// The instrument panel: zones to rectangles, what a point plays, drum labels, the computer keys,
// and the panel drawn for real instruments, offscreen.

#include <QImage>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <memory>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"
#include "library/zone.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/instrument_panel.h"
#include "ui/window/key_map.h"
#include "ui/window/main_dialog.h"

namespace tolvane {
namespace {

struct TestZone {
  int keyLow, keyHigh, velLow, velHigh;
  const char* sample;
  std::uint32_t root;
};

// An instrument of zones over samples of a short ramp, one sample per distinct name.
struct Built {
  explicit Built(std::initializer_list<TestZone> zones) {
    Source& source = CreateSource(library, "/x/test.sfz");
    auto made = CreateInstrument(source, "test", "test", 7);
    for (const TestZone& wanted : zones) {
      std::vector<std::int16_t> values(400);
      for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::int16_t>((static_cast<int>(i % 100) - 50) * 400);
      SampleRequest request;
      request.name = wanted.sample;
      request.sampleRate = 44100;
      request.frames = static_cast<std::uint32_t>(values.size());
      request.rootKey = wanted.root;
      Sample* sample = AddSample(*made, request, SampleData(std::move(values)));
      Zone zone;
      zone.sample = sample;
      zone.mapping.keyLow = static_cast<std::uint8_t>(wanted.keyLow);
      zone.mapping.keyHigh = static_cast<std::uint8_t>(wanted.keyHigh);
      zone.mapping.velLow = static_cast<std::uint8_t>(wanted.velLow);
      zone.mapping.velHigh = static_cast<std::uint8_t>(wanted.velHigh);
      AddZone(*made, zone);
    }
    instrument = &AddInstrument(library, std::move(made));
  }
  Library library;
  Instrument* instrument = nullptr;
};

// Pixels of the image inside `area` that are neither the background nor grey.
int ColouredPixels(const QImage& image, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.saturation() > 40) ++count;
    }
  return count;
}

class PanelTest : public QObject {
  Q_OBJECT

 private slots:
  void zonesBecomeRectanglesOverKeysAndVelocities() {
    const Built piano({{0, 63, 0, 63, "low soft", 48},
                       {0, 63, 64, 127, "low loud", 48},
                       {64, 127, 0, 127, "high", 72}});
    const KeyMap map(*piano.instrument);
    QCOMPARE(map.zones().size(), std::size_t{3});
    QVERIFY(!map.drumKit());
    QVERIFY(map.IsRoot(48) && map.IsRoot(72) && !map.IsRoot(60));
    QVERIFY(map.zones()[0].colour != map.zones()[1].colour);
    QVERIFY(map.zones()[2].tip.startsWith(QStringLiteral("high\nkeys E4-G9, velocities 0-127")));
    QVERIFY(map.zones()[2].tip.contains(QStringLiteral("root C5")));

    // 1 px a key and a velocity step, the keyboard 20 px under the field.
    const KeyMapLayout layout(QRectF(0, 0, 128, 148), 20);
    QCOMPARE(layout.ZoneRect(map.zones()[0]), QRectF(0, 64, 64, 64));
    QCOMPARE(layout.ZoneRect(map.zones()[1]), QRectF(0, 0, 64, 64));
    QCOMPARE(layout.ZoneRect(map.zones()[2]), QRectF(64, 0, 64, 128));
    QCOMPARE(layout.keyboard(), QRectF(0, 128, 128, 20));
  }

  void aPointPlaysItsKeyAtItsVelocity() {
    const Built piano({{0, 63, 0, 63, "low soft", 48},
                       {0, 63, 64, 127, "low loud", 48},
                       {60, 70, 0, 127, "over", 65}});
    const KeyMap map(*piano.instrument);
    const KeyMapLayout layout(QRectF(0, 0, 128, 148), 20);
    const struct {
      QPointF point;
      int key, velocity, zone;
    } cases[] = {
        {{10.5, 100}, 10, 32, 0},      // a soft zone: its middle velocity
        {{10.5, 10}, 10, 96, 1},       // the loud one above it
        {{62.5, 10}, 62, 64, 2},       // where zones overlap, the one drawn last
        {{100.5, 32}, 100, 95, -1},    // no zone: the height's velocity
        {{40.5, 128}, 40, 32, -1},     // the keyboard's back edge, softly
        {{40.5, 147.9}, 40, 127, -1},  // its front, loud
    };
    for (const auto& c : cases) {
      const auto note = layout.NoteAt(map, c.point);
      QVERIFY(note.has_value());
      QCOMPARE(note->key, c.key);
      QCOMPARE(note->velocity, c.velocity);
      QCOMPARE(note->zone, c.zone);
    }
    QVERIFY(!layout.NoteAt(map, QPointF(130, 50)));
    QVERIFY(!layout.NoteAt(map, QPointF(50, 149)));
  }

  void aDrumKitLabelsItsKeys() {
    const Built kit({{36, 36, 0, 127, "Kick", 36},
                     {38, 38, 0, 127, "Snare", 38},
                     {42, 42, 0, 127, "Closed Hat", 42}});
    const KeyMap map(*kit.instrument);
    QVERIFY(map.drumKit());
    QCOMPARE(map.KeyLabel(38), QStringLiteral("Snare"));
    QVERIFY(map.KeyLabel(37).isEmpty());
    QVERIFY(!KeyMap(*Built({{36, 37, 0, 127, "Kick", 36}}).instrument).drumKit());
  }

  void computerKeysPlayTwoOctaves() {
    const struct {
      int qtKey;
      int key;
    } cases[] = {{Qt::Key_Z, 48}, {Qt::Key_S, 49}, {Qt::Key_M, 59},
                 {Qt::Key_Q, 60}, {Qt::Key_2, 61}, {Qt::Key_U, 71}};
    for (const auto& c : cases) QCOMPARE(InstrumentPanel::KeyOfComputerKey(c.qtKey), c.key);
    QVERIFY(!InstrumentPanel::KeyOfComputerKey(Qt::Key_A));
  }

  // A click plays until the button is let go; a click on a zone shows its sample.
  void clicksPressAndReleaseNotes() {
    const Built piano({{0, 63, 0, 127, "low", 48}, {64, 127, 0, 127, "high", 72}});
    InstrumentPanel panel;
    panel.resize(640, 300);
    panel.SetInstrument(piano.instrument);
    QSignalSpy pressed(&panel, &InstrumentPanel::NotePressed);
    QSignalSpy released(&panel, &InstrumentPanel::NoteReleased);
    const KeyMapLayout layout = panel.Layout();
    const QPoint onHigh = layout.ZoneRect(panel.keyMap().zones()[1]).center().toPoint();
    QTest::mousePress(&panel, Qt::LeftButton, {}, onHigh);
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(pressed[0][0].toInt(), *layout.KeyAt(onHigh.x()));
    QCOMPARE(pressed[0][1].toInt(), 64);
    QCOMPARE(panel.chosenZone(), 1);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, onHigh);
    QCOMPARE(released.size(), 1);
    QCOMPARE(released[0][0].toInt(), pressed[0][0].toInt());

    // A double click on the waveform magnifies a loop's junction, only where the zone loops.
    const QPoint onWave(320, 280);
    QTest::mouseDClick(&panel, Qt::LeftButton, {}, onWave);
    QVERIFY(!panel.junctionShown());
    piano.instrument->zones[1].mapping.flags |= ZoneLoop;
    piano.instrument->zones[1].sample->loopStart = 100;
    piano.instrument->zones[1].sample->loopEnd = 300;
    panel.SetInstrument(piano.instrument);
    QTest::mousePress(&panel, Qt::LeftButton, {}, onHigh);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, onHigh);
    const QImage whole = panel.grab().toImage();
    QTest::mouseDClick(&panel, Qt::LeftButton, {}, onWave);
    QVERIFY(panel.junctionShown());
    QVERIFY(panel.grab().toImage() != whole);
    QTest::mouseDClick(&panel, Qt::LeftButton, {}, onWave);
    QVERIFY(!panel.junctionShown());

    // A new row while a key is held lets it go.
    QTest::mousePress(&panel, Qt::LeftButton, {}, layout.KeyColumn(30).center().toPoint());
    QCOMPARE(pressed.size(), 3);
    panel.SetInstrument(nullptr);
    QCOMPARE(released.size(), 3);
  }

  // Drawn for a SoundFont piano, a Hydrogen kit and a built instrument: zones coloured in the
  // key map, the wave drawn under it.
  void drawnForRealInstruments() {
    const char* kBank = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    const char* kKit = "/usr/share/hydrogen/data/drumkits/GMRockKit";
    if (!std::filesystem::exists(kBank) || !std::filesystem::exists(kKit))
      QSKIP("Debian's TimGM6mb or Hydrogen kits are not installed");
    Library library;
    SoundDatabase database;
    ImportFile(library, database, kBank, nullptr, ImportSettings{});
    ImportFile(library, database, kKit, nullptr, ImportSettings{});
    const Built built({{0, 59, 0, 127, "low", 48}, {60, 127, 0, 127, "high", 72}});
    std::vector<const Instrument*> shown = {built.instrument};
    for (const auto& instrument : library.instruments)
      if (instrument->foundName == "Piano 1" || instrument->foundName == "GMRockKit")
        shown.push_back(instrument.get());
    QCOMPARE(shown.size(), std::size_t{3});
    for (const Instrument* instrument : shown) {
      InstrumentPanel panel;
      panel.resize(800, 320);
      panel.SetInstrument(instrument);
      const QImage image = panel.grab().toImage();
      const KeyMapLayout layout = panel.Layout();
      const QString name = QString::fromStdString(instrument->foundName);
      QVERIFY2(ColouredPixels(image, layout.field().toRect()) > 500, qPrintable(name));
      const QRect wave(0, static_cast<int>(layout.keyboard().bottom()) + 4, 800,
                       320 - static_cast<int>(layout.keyboard().bottom()) - 8);
      QVERIFY2(ColouredPixels(image, wave) > 100, qPrintable(name));
      if (instrument->foundName == "GMRockKit") QVERIFY(panel.keyMap().drumKit());
    }
  }

  // The panel follows the list's current row.
  void followsTheCurrentRow() {
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.ImportDrop(window.Files({"a", "b"}, 300));
    window.Wait();
    QCOMPARE(dialog.panel().keyMap().zones().size(), std::size_t{1});
    dialog.list().selectionModel()->setCurrentIndex(dialog.model().index(1, 0),
                                                    QItemSelectionModel::ClearAndSelect);
    QCOMPARE(dialog.panel().keyMap().zones()[0].sample->name, std::string("b"));
  }
};

}  // namespace
}  // namespace tolvane

QTEST_MAIN(tolvane::PanelTest)
#include "panel_test.moc"
