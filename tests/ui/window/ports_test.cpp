// Port selection against fake devices: what a start reopens, what a person's choice opens, and
// what the settings remember.

#include <QComboBox>
#include <QTest>
#include <thread>

#include "devices/indicator/opl_emu_led.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/dialog_template.h"
#include "ui/window/main_dialog.h"
#include "ui/window/port_selection.h"

namespace tolvane {
namespace {

using testing::FakePorts;
using testing::Setting;

const QColor kGrey(0xC0, 0xC0, 0xC0);

struct Ports {
  FakePorts midi{{{"None", 0}, {"USB MIDI", 1}, {"Synth In", 3}}};
  FakePorts audio{{{"None", 0}, {"Speakers", 1}, {"Headphones", 2}}};
  PortSelector midiSelector, audioSelector;
  OplEmuLed indicator;
  PortSelection selection{midiSelector, audioSelector, midi, audio, indicator};
};

// Counts the queued calls that reach an object.
class QueuedCallCounter : public QObject {
 public:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::MetaCall) ++count;
    return false;
  }
  int count = 0;
};

}  // namespace

class PortsTest : public QObject {
  Q_OBJECT

 private slots:
  void restorePorts_data() {
    QTest::addColumn<QString>("lastAudio");
    QTest::addColumn<QString>("lastMidi");
    QTest::addColumn<int>("audioFailing");  // item data of a device that fails to open
    QTest::addColumn<QList<int>>("audioOpens");
    QTest::addColumn<QList<int>>("midiOpens");
    QTest::addColumn<int>("audioShown");
    QTest::addColumn<int>("midiShown");
    QTest::addColumn<QString>("audioKept");
    QTest::addColumn<QString>("midiKept");
    QTest::newRow("first start") << ""
                                 << "" << 0 << QList<int>{} << QList<int>{} << 0 << 0 << ""
                                 << "";
    QTest::newRow("both reopened, case ignored")
        << "headphones"
        << "usb midi" << 0 << QList<int>{2} << QList<int>{1} << 2 << 1 << "Headphones"
        << "USB MIDI";
    QTest::newRow("audio None stays None")
        << "None"
        << "" << 0 << QList<int>{0} << QList<int>{} << 0 << 0 << "None"
        << "";
    QTest::newRow("gone ports") << "Old Card"
                                << "Old Keys" << 0 << QList<int>{} << QList<int>{} << 0 << 0 << ""
                                << "";
    QTest::newRow("failing opens")
        << "Speakers"
        << "Synth In" << 1 << QList<int>{1} << QList<int>{3} << 1 << 0 << "Speakers"
        << "";
  }
  void restorePorts() {
    QFETCH(QString, lastAudio);
    QFETCH(QString, lastMidi);
    QFETCH(int, audioFailing);
    QFETCH(QList<int>, audioOpens);
    QFETCH(QList<int>, midiOpens);
    QFETCH(int, audioShown);
    QFETCH(int, midiShown);
    QFETCH(QString, audioKept);
    QFETCH(QString, midiKept);
    const testing::TestPlace place;
    WriteSettingText(kLastAudioPortSetting, lastAudio.toStdString());
    WriteSettingText(kLastMidiPortSetting, lastMidi.toStdString());
    Ports ports;
    ports.audio.failing = {audioFailing};
    ports.midi.failing = {3};
    ports.selection.RestorePorts();
    QCOMPARE(ports.audioSelector.count(), 3);
    QCOMPARE(ports.midiSelector.itemData(2).toInt(), 3);
    QCOMPARE(QList<int>(ports.audio.opens.begin(), ports.audio.opens.end()), audioOpens);
    QCOMPARE(QList<int>(ports.midi.opens.begin(), ports.midi.opens.end()), midiOpens);
    QCOMPARE(ports.audioSelector.currentIndex(), audioShown);
    QCOMPARE(ports.midiSelector.currentIndex(), midiShown);
    QCOMPARE(QString::fromStdString(Setting(kLastAudioPortSetting)), audioKept);
    QCOMPARE(QString::fromStdString(Setting(kLastMidiPortSetting)), midiKept);
    QCOMPARE(ports.indicator.idleColour(), ports.midi.IsOpen() ? QColor(Qt::black) : kGrey);
  }

  // A run that ends while the remembered port opens must start the next time with "None".
  void rememberedNameEmptiedDuringOpen() {
    const testing::TestPlace place;
    WriteSettingText(kLastMidiPortSetting, "USB MIDI");
    struct Watching : FakePorts {
      using FakePorts::FakePorts;
      bool Open(int itemData) override {
        seen = Setting(kLastMidiPortSetting);
        return FakePorts::Open(itemData);
      }
      std::string seen = "?";
    } midi({{"None", 0}, {"USB MIDI", 1}});
    FakePorts audio;
    PortSelector midiSelector, audioSelector;
    OplEmuLed indicator;
    PortSelection(midiSelector, audioSelector, midi, audio, indicator).RestorePorts();
    QCOMPARE(midi.seen, std::string());
    QCOMPARE(Setting(kLastMidiPortSetting), std::string("USB MIDI"));
  }

  // Only a person's choice (the selectors' `activated`) opens a port; the program's own
  // selection does not.
  void userChoicesInTheWindow() {
    const testing::TestPlace place;
    Library library;
    SoundDatabase database;
    FakePorts midi({{"None", 0}, {"USB MIDI", 1}, {"Broken", 2}});
    FakePorts audio({{"None", 0}, {"Speakers", 1}});
    midi.failing = {2};
    testing::FakePrompts prompts;
    MainDialog dialog({library, database, {}, midi, audio}, &prompts);
    auto* midiSelector = static_cast<PortSelector*>(dialog.Control(kMidiSelectorId));
    auto* audioSelector = static_cast<PortSelector*>(dialog.Control(kAudioSelectorId));
    auto* indicator = static_cast<OplEmuLed*>(dialog.Control(kIndicatorId));

    midiSelector->setCurrentIndex(1);
    audioSelector->setCurrentIndex(1);
    QVERIFY(midi.opens.empty() && audio.opens.empty());

    emit midiSelector->activated(1);
    QCOMPARE(midi.openItem(), 1);
    QCOMPARE(indicator->idleColour(), QColor(Qt::black));
    QCOMPARE(Setting(kLastMidiPortSetting), std::string("USB MIDI"));

    // MIDI flashes come from another thread and reach the indicator on its own.
    std::thread([&midi] { midi.flash(0xFF0000, 100); }).join();
    QTRY_VERIFY(indicator->isFlashing());
    QCOMPARE(indicator->currentColour(), QColor(Qt::blue));

    midiSelector->setCurrentIndex(2);
    emit midiSelector->activated(2);
    QVERIFY(!midi.IsOpen());
    QCOMPARE(indicator->idleColour(), kGrey);
    QCOMPARE(Setting(kLastMidiPortSetting), std::string());
    QCOMPARE(midiSelector->currentIndex(), 2);

    emit audioSelector->activated(1);
    QCOMPARE(audio.openItem(), 1);
    emit audioSelector->activated(0);
    QVERIFY(!audio.IsOpen());
    QCOMPARE(Setting(kLastAudioPortSetting), std::string("None"));

    // Opening a list fills it anew: a keyboard plugged in after the start appears.
    midi.SetEntries({{"None", 0}, {"USB MIDI", 1}, {"Broken", 2}, {"New Keys", 4}});
    midiSelector->showPopup();
    midiSelector->hidePopup();
    QCOMPARE(midiSelector->count(), 4);
    QCOMPARE(midiSelector->itemText(3), QStringLiteral("New Keys"));
    QCOMPARE(midiSelector->currentText(), QStringLiteral("Broken"));
    emit midiSelector->activated(3);
    QCOMPARE(midi.openItem(), 4);
  }

  // A port or device that goes away while open shows "None" (by the selection's own timer), the
  // indicator idles grey, and the remembered names stay for the next start.
  void gonePortsShowNone() {
    const testing::TestPlace place;
    WriteSettingText(kLastAudioPortSetting, "Speakers");
    WriteSettingText(kLastMidiPortSetting, "USB MIDI");
    Ports ports;
    ports.selection.RestorePorts();
    QVERIFY(ports.midi.IsOpen() && ports.audio.IsOpen());
    ports.selection.CheckPorts();
    QCOMPARE(ports.midiSelector.currentIndex(), 1);

    ports.midi.Vanish();
    ports.audio.Vanish();
    QTRY_COMPARE(ports.midiSelector.currentIndex(), 0);
    QCOMPARE(ports.audioSelector.currentIndex(), 0);
    QCOMPARE(ports.indicator.idleColour(), kGrey);
    QCOMPARE(ports.midi.openItem(), 0);  // closed
    QCOMPARE(ports.audio.openItem(), 0);
    QCOMPARE(Setting(kLastMidiPortSetting), std::string("USB MIDI"));
    QCOMPARE(Setting(kLastAudioPortSetting), std::string("Speakers"));

    // Back again: choosing it reopens it. An entry that is gone when the list opens gives "None".
    ports.selection.ChooseMidiPort(1);
    QVERIFY(ports.midi.IsOpen());
    ports.audioSelector.setCurrentIndex(2);
    ports.selection.ChooseAudioPort(2);
    ports.audio.SetEntries({{"None", 0}, {"Speakers", 1}});
    ports.audioSelector.showPopup();
    ports.audioSelector.hidePopup();
    QCOMPARE(ports.audioSelector.count(), 2);
    QCOMPARE(ports.audioSelector.currentIndex(), 0);
    QCOMPARE(ports.audio.openItem(), 0);
    QCOMPARE(Setting(kLastAudioPortSetting), std::string("Headphones"));
  }

  // Messages that come while the window thread is busy leave one flash on its way, not one each;
  // the next message after it is shown queues again. The port is closed and the flash route
  // taken back when the selection goes.
  void flashesWhileTheWindowIsBusy() {
    const testing::TestPlace place;
    const auto ports = std::make_unique<Ports>();
    QueuedCallCounter queued;
    ports->indicator.installEventFilter(&queued);
    const FlashCallback flash = ports->midi.flash;
    std::thread([&flash] {
      for (int i = 0; i < 100000; ++i) flash(0xFF0000, 100);
    }).join();
    QCoreApplication::processEvents();
    QCOMPARE(queued.count, 1);
    QVERIFY(ports->indicator.isFlashing());
    std::thread([&flash] { flash(0xFF0000, 100); }).join();
    QCoreApplication::processEvents();
    QCOMPARE(queued.count, 2);

    FakePorts midi({{"None", 0}, {"USB MIDI", 1}});
    FakePorts audio;
    {
      PortSelection selection(ports->midiSelector, ports->audioSelector, midi, audio,
                              ports->indicator);
      QVERIFY(midi.flash);
      QVERIFY(midi.Open(1));
    }
    QVERIFY(!midi.IsOpen());
    QVERIFY(!midi.flash);
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::PortsTest)
#include "ports_test.moc"
