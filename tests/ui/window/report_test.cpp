// What the window tells after a single-instrument export: a folder that takes no file is named
// once.

#include <QLabel>
#include <QTest>
#include <system_error>

#include "tests/ui/window/window_test_support.h"
#include "ui/window/outcome_report.h"

namespace tolvane {

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
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
};

}  // namespace tolvane

QTEST_MAIN(tolvane::ReportTest)
#include "report_test.moc"
