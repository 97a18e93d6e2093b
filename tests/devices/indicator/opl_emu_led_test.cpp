// The activity indicator: idle colour, flashes and their single timer, painting, and a flood of
// flashes posted from another thread.
#include "devices/indicator/opl_emu_led.h"

#include <malloc.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <atomic>
#include <thread>

namespace {

const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kBlack(Qt::black);
const QColor kBlue = OplEmuLed::FromBgr(0xFF0000);
const QColor kRed = OplEmuLed::FromBgr(0x0000FF);

}  // namespace

class OplEmuLedTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsIdleGreyAndPaintsItsColourInsideABorder() {
    OplEmuLed led;
    QCOMPARE(led.objectName(), QStringLiteral("OplEmuLed"));
    QCOMPARE(led.metaObject()->className(), "OplEmuLed");
    QCOMPARE(led.currentColour(), kGrey);
    led.SetIdleColour(kBlack);  // idle: shown at once
    QCOMPARE(led.currentColour(), kBlack);
    led.resize(led.sizeHint());
    QVERIFY(led.width() > 4 && led.height() > 4);
    led.FlashColour(1000, kBlue);
    const QImage image = led.grab().toImage();
    QCOMPARE(image.pixelColor(led.width() / 2, led.height() / 2), QColor(0, 0, 0xFF));
    QCOMPARE(image.pixelColor(0, 0), led.palette().color(QPalette::WindowText));
  }

  void ASecondFlashExtendsTheFirst() {
    OplEmuLed led;
    led.FlashColour(200, kBlue);
    QTest::qWait(100);
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    led.FlashColour(200, kRed);
    QCOMPARE(led.currentColour(), kRed);
    QTRY_VERIFY_WITH_TIMEOUT(!led.isFlashing(), 2000);
    QVERIFY(sinceSecond.elapsed() >= 200);
    QCOMPARE(led.currentColour(), kGrey);
  }

  void DurationZeroStaysLitAndIdleColourWaitsForTheFlashToEnd() {
    OplEmuLed led;
    led.FlashColour(0, kBlue);
    led.SetIdleColour(kBlack);
    QTest::qWait(150);
    QCOMPARE(led.currentColour(), kBlue);
    // Flashing again without a colour keeps it and (re)starts the timer.
    led.FlashAgain(50);
    QCOMPARE(led.currentColour(), kBlue);
    QTRY_COMPARE_WITH_TIMEOUT(led.currentColour(), kBlack, 2000);
    QVERIFY(!led.isFlashing());
    led.FlashAgain(0, kRed);
    QTest::qWait(150);
    QCOMPARE(led.currentColour(), kRed);
  }

  void ThousandsOfFlashesFromAnotherThreadLeaveNothingBehind() {
    OplEmuLed led;
    const auto children = led.children().size();
    std::size_t used[3] = {};
    for (std::size_t& after : used) {
      std::atomic<int> shown = 0;
      std::thread poster([&] {
        for (int i = 0; i < 1000; ++i) {
          QMetaObject::invokeMethod(
              &led, [&] { led.FlashColour(100, kBlue), ++shown; }, Qt::QueuedConnection);
        }
      });
      poster.join();
      QTRY_COMPARE_WITH_TIMEOUT(shown.load(), 1000, 5000);
      QTRY_VERIFY_WITH_TIMEOUT(!led.isFlashing(), 2000);
#ifdef __GLIBC__
      after = mallinfo2().uordblks;
#else
      after = 0;  // no count of the heap's use outside glibc: only the children are checked
#endif
    }
    QCOMPARE(led.children().size(), children);
    // After a first round has warmed the event queue up, later rounds take nothing for good.
    QVERIFY(used[2] <= used[1] + std::size_t{64} * 1024);
  }
};

QTEST_MAIN(OplEmuLedTest)
#include "opl_emu_led_test.moc"
