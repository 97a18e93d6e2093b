// What the window tells after a drop and after a single-instrument export: files not read told
// apart from files not imported whole, the status line's link to them, and a folder that takes
// no file named once.

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <optional>
#include <system_error>

#include "tests/ui/window/window_test_support.h"
#include "ui/settings/settings.h"
#include "ui/window/import_details_dialog.h"
#include "ui/window/item_menu.h"
#include "ui/window/main_dialog.h"
#include "ui/window/outcome_report.h"

Q_DECLARE_METATYPE(std::optional<double>)

namespace tolvane {

namespace {

// Pixels of the label drawn in the palette's colour of links.
int LinkPixels(QLabel& label) {
  const QImage image = label.grab().toImage();
  const QRgb link = label.palette().color(QPalette::Link).rgb();
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == link ? 1 : 0;
  return count;
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
  // A file some instruments came from was not imported whole; one none came from was not read,
  // an MP3 (a format known, but not read) among them.
  void filesNotReadAreToldApart() {
    ImportReport report;
    QCOMPARE(report.Summary(), QString());

    report.Add("a.wav", ImportOutcome::Imported(), 1);
    report.Add("b.mp3", ImportOutcome::Unread("an MP3 file (MPEG audio is not read)"), 0);
    QCOMPARE(report.Summary(), QStringLiteral("1 file not read"));
    report.Add("c.sf2", ImportOutcome::Damaged("cut short"), 3);
    report.Add("d.sf2", ImportOutcome::Damaged("cut short"), 0);
    report.Add("e.wav", ImportOutcome::CannotOpen("cannot open file: no such file"), 0);
    QCOMPARE(report.count(), std::size_t{4});
    QCOMPARE(report.Summary(), QStringLiteral("1 file not imported whole, 3 files not read"));
    report.Add("f.sfz", ImportOutcome::Damaged("a sample is missing"), 1);
    QCOMPARE(report.Summary(), QStringLiteral("2 files not imported whole, 3 files not read"));
    QVERIFY(report.Details().startsWith(QStringLiteral("b.mp3: not read: an MP3 file")));
  }

  // The count is drawn as a link, with a pointing hand over the line; without it the line is
  // plain text again (a name with '&' shows as it is; Windows takes no '<' in a file name).
  void statusLinkLooksClickable() {
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    auto* status = static_cast<QLabel*>(dialog.Control(kStatusId));
    dialog.ImportDrop({window.place / "missing.wav"});
    window.Wait();
    QCOMPARE(status->textFormat(), Qt::RichText);
    QCOMPARE(status->text(),
             QStringLiteral("0 Instruments loaded - <a href=\"details\">1 file not read</a>"));
    QCOMPARE(status->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(window.Status(), QStringLiteral("0 Instruments loaded - 1 file not read"));
    QVERIFY(LinkPixels(*status) > 0);

    dialog.ImportDrop(window.Files({"a&b"}, 100));
    window.Wait();
    QCOMPARE(status->textFormat(), Qt::PlainText);
    QCOMPARE(status->text(), QStringLiteral("1 Instruments selected, 0.00MB Samples"));
    QVERIFY(!status->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(LinkPixels(*status), 0);
  }

  // Every file of the export would fail alike: said once, with the system's reason, and with
  // the files written before.
  void folderThatTakesNoFileIsNamedOnce() {
    const QString folder = QStringLiteral("/music/out");
    SingleExportResult result;
    result.marked = 3;
    result.written = {"/music/out/a.SLI"};
    result.folderError = std::make_error_code(std::errc::permission_denied);
    result.failures = {"cannot create files in /music/out: Permission denied"};
    const QString reason = QString::fromStdString(result.folderError.message());
    ExportReport report = ReportSingleExport(result, folder);
    QCOMPARE(report.message, "No file can be created in /music/out: " + reason +
                                 ". 1 of 3 files were written before that.");
    QCOMPARE(report.status, QStringLiteral("1 of 3 files written to /music/out, 2 failed"));
    result.written.clear();
    report = ReportSingleExport(result, folder);
    QCOMPARE(report.message, "No file can be created in /music/out: " + reason + ".");
    QVERIFY(report.status.isEmpty());

    // A folder gone before the export: one message for both files.
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.ImportDrop(window.Files({"a", "b"}, 100));
    window.Wait();
    window.prompts.folderAnswer = window.place / "gone";
    QVERIFY(dialog.ExportSingleInstruments());
    window.Wait();
    QCOMPARE(window.prompts.messages.size(), std::size_t{1});
    QCOMPARE(window.prompts.messages.back().text,
             "No file can be created in " + testing::Native(window.place / "gone") + ": " +
                 QString::fromStdString(
                     std::make_error_code(std::errc::no_such_file_or_directory).message()) +
                 ".");
  }

  // The details window shows each line whole: widened to the longest, or wrapped when no screen
  // is that wide.
  void detailsWidenToTheLongestLineOrWrap() {
    const QString path = QStringLiteral("/media/library/Some Vendor/Instruments/Grand Piano.sfz");
    const QString fitting = path + QStringLiteral(": 12 regions left out, sample missing");
    ImportDetailsDialog fits(fitting + QStringLiteral("\nshort line"), QStringLiteral("t"),
                             nullptr);
    auto* text = fits.findChild<QPlainTextEdit*>();
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(fits.width() > text->fontMetrics().horizontalAdvance(fitting));

    const QString endless = fitting.repeated(12);
    ImportDetailsDialog wraps(endless, QStringLiteral("t"), nullptr);
    QCOMPARE(wraps.findChild<QPlainTextEdit*>()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(wraps.width() <= wraps.screen()->availableGeometry().width());
  }

  // The sound options are chosen from the menu and remembered for the next start, each
  // crossfade offered as it is named; an export that found something says so.
  void soundOptionsAreRememberedAndReported_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<std::optional<double>>("autoLoop");
    QTest::addColumn<bool>("detectRoot");
    QTest::addColumn<int>("checked");  // the submenu's entry checked after it
    QTest::newRow("off") << kAutoLoopOffCommand << std::optional<double>() << false << 0;
    QTest::newRow("plain") << kAutoLoopCommand << std::optional(0.0) << false << 1;
    QTest::newRow("50 ms") << kAutoLoopCommand + 50 << std::optional(50.0) << false << 3;
    QTest::newRow("detect") << kDetectRootCommand << std::optional<double>() << true << 0;
  }
  void soundOptionsAreRememberedAndReported() {
    QFETCH(int, command);
    QFETCH(std::optional<double>, autoLoop);
    QFETCH(bool, detectRoot);
    QFETCH(int, checked);
    testing::TestWindow window;
    window.Open().ApplyItemCommand(command, -1);
    MainDialog& reopened = window.Open();
    QCOMPARE(reopened.autoLoop(), autoLoop);
    QCOMPARE(reopened.detectRoot(), detectRoot);
    QCOMPARE(ReadSettingNumber(kDetectRootSetting, 0), detectRoot ? 1u : 0u);

    QMenu menu;
    AddAutoLoopMenu(menu, reopened.autoLoop());
    AddDetectRootItem(menu, reopened.detectRoot());
    const QList<QAction*> choices = menu.actions()[0]->menu()->actions();
    QCOMPARE(choices.size(), 5);
    for (int i = 0; i < choices.size(); ++i) QCOMPARE(choices[i]->isChecked(), i == checked);
    QCOMPARE(choices[3]->text(), QStringLiteral("On, 50 ms Crossfade"));
    QCOMPARE(menu.actions()[1]->data().toInt(), kDetectRootCommand);
    QCOMPARE(menu.actions()[1]->isChecked(), detectRoot);

    ExportResult written;
    SoundNote found;
    found.instrument = "Pad";
    found.sample = "Pad C4";
    found.loop = {4410, 48510};
    found.seconds = 1;
    found.match = 0.991;
    written.sounds.push_back(found);
    const ExportReport report = ReportCollectionExport(written, QStringLiteral("a.SLC"));
    QCOMPARE(
        report.message,
        QStringLiteral("1 notes on the loops found and the root keys measured (see details)."));
    QCOMPARE(report.detail, QStringLiteral("Pad: sustain loop 4410-48510 found in sample 'Pad C4' "
                                           "(match 0.991, 1.00 s)"));
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::ReportTest)
#include "report_test.moc"
