// The window's choices that fit exports to the sampler's memory: chosen through the list's menu,
// remembered for the next start, and the saving told after an export.

#include <QFileInfo>
#include <QTest>
#include <cstdint>
#include <optional>

#include "export/export_size.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/settings/settings.h"
#include "ui/window/item_menu.h"
#include "ui/window/main_dialog.h"
#include "ui/window/outcome_report.h"

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(tolvane::MonoFold)
Q_DECLARE_METATYPE(std::optional<std::uint32_t>)

namespace tolvane {

class FitMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void choicesAreUsedAndRemembered_data() {
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<std::optional<double>>("trim");
    QTest::addColumn<MonoFold>("mono");
    QTest::addColumn<std::optional<std::uint32_t>>("rate");
    const std::optional<double> off;
    const std::optional<double> before(-60.0);
    const std::optional<std::uint32_t> rate(22050);
    QTest::newRow("trim -72") << QStringList{"Export: Trim Silence", "Below -72 dBFS"}
                              << std::optional(-72.0) << MonoFold::kAll << rate;
    QTest::newRow("trim -48") << QStringList{"Export: Trim Silence", "Below -48 dBFS"}
                              << std::optional(-48.0) << MonoFold::kAll << rate;
    QTest::newRow("trim off") << QStringList{"Export: Trim Silence", "Off (samples whole)"} << off
                              << MonoFold::kAll << rate;
    QTest::newRow("mono same") << QStringList{"Export: Mono", "Stereo Samples of Equal Channels"}
                               << before << MonoFold::kSame << rate;
    QTest::newRow("mono off") << QStringList{"Export: Mono", "Off (stereo samples as they are)"}
                              << before << MonoFold::kNone << rate;
    QTest::newRow("rate 32000") << QStringList{"Export: Sample Rate", "At Most 32000 Hz"} << before
                                << MonoFold::kAll << std::optional<std::uint32_t>(32000);
    QTest::newRow("rate off") << QStringList{"Export: Sample Rate",
                                             "Off (each sample at its own rate)"}
                              << before << MonoFold::kAll << std::optional<std::uint32_t>();
  }

  // Each choice starts from every option chosen (trim at -60, mono all, at most 22050 Hz) and
  // leaves the others alone; the next start reads them back.
  void choicesAreUsedAndRemembered() {
    QFETCH(QStringList, path);
    QFETCH(std::optional<double>, trim);
    QFETCH(MonoFold, mono);
    QFETCH(std::optional<std::uint32_t>, rate);
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.SetMono(MonoFold::kAll);
    dialog.SetTrim(-60.0);
    dialog.SetRate(22050);
    window.prompts.menuPath = path;
    dialog.ShowItemMenu(QPoint(1, 1));
    QCOMPARE(dialog.trimDbfs(), trim);
    QCOMPARE(dialog.mono(), mono);
    QCOMPARE(dialog.rate(), rate);
    MainDialog& next = window.Open();
    QCOMPARE(next.trimDbfs(), trim);
    QCOMPARE(next.mono(), mono);
    QCOMPARE(next.rate(), rate);
  }

  void theMenusCheckTheChoiceMade() {
    QMenu menu;
    AddFitMenus(menu, SampleFitting{-60.0, MonoFold::kSame, 44100});
    QCOMPARE(menu.actions().size(), 3);
    const QList<QAction*> trims = menu.actions()[0]->menu()->actions();
    QCOMPARE(trims.size(), 4);
    QCOMPARE(trims[2]->text(), QStringLiteral("Below -60 dBFS"));
    QCOMPARE(trims[2]->data().toInt(), kTrimCommand + 60);
    for (int i = 0; i < trims.size(); ++i) QCOMPARE(trims[i]->isChecked(), i == 2);
    const QList<QAction*> folds = menu.actions()[1]->menu()->actions();
    QCOMPARE(folds.size(), 3);
    for (int i = 0; i < folds.size(); ++i) QCOMPARE(folds[i]->isChecked(), i == 1);
    const QList<QAction*> rates = menu.actions()[2]->menu()->actions();
    QCOMPARE(rates.size(), 6);
    QCOMPARE(rates[2]->text(), QStringLiteral("At Most 44100 Hz"));
    for (int i = 0; i < rates.size(); ++i) QCOMPARE(rates[i]->isChecked(), i == 2);
  }

  // A level stored out of range is taken as the nearest offered by the command line.
  void aStoredLevelOutOfRangeIsClamped() {
    testing::TestWindow window;
    WriteSettingNumber(kTrimExportSetting, 1);
    WriteSettingNumber(kTrimLevelSetting, 200);
    WriteSettingNumber(kMonoExportSetting, 7);
    WriteSettingNumber(kRateExportSetting, 4000);
    MainDialog& dialog = window.Open();
    QCOMPARE(dialog.trimDbfs(), std::optional(-96.0));
    QCOMPARE(dialog.mono(), MonoFold::kNone);
    QCOMPARE(dialog.rate(), std::optional<std::uint32_t>());
  }

  // While an option is on, the status line adds what the exports would write, measured beside
  // the window; an export's own status then stays.
  void theStatusLineTellsTheExportSize() {
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.ImportDrop(window.Files({"a", "b"}, 100));
    window.Wait();
    const QString count = window.Status();
    QVERIFY(count.endsWith(QStringLiteral("MB Samples")));
    ExportOptions options;
    options.trimDbfs = -60.0;
    const ExportSize size = MeasureExport(dialog.model().CheckedInstruments(), options);
    QCOMPARE(size.saved.trimmedSamples, 2u);  // each file's first value is 0

    dialog.SetTrim(-60.0);
    QTRY_COMPARE(window.Status(),
                 QStringLiteral("%1 - export: %2 collection, %3 single files")
                     .arg(count, QString::fromStdString(SizeText(size.collectionBytes)),
                          QString::fromStdString(SizeText(size.singleBytes))));
    window.prompts.saveAnswer = window.place / "out.SLC";
    QVERIFY(dialog.ExportCollection());
    window.Wait();
    QTest::qWait(200);
    QVERIFY2(window.Status().startsWith(QStringLiteral("Collection written: ")),
             qPrintable(window.Status()));
    QCOMPARE(static_cast<std::uint64_t>(QFileInfo(*window.prompts.saveAnswer).size()),
             size.collectionBytes);

    dialog.SetTrim(std::nullopt);
    QTest::qWait(200);
    QCOMPARE(window.Status(), count);
  }

  void theSavingFollowsTheWrittenStatus() {
    ExportResult written;
    QCOMPARE(ReportCollectionExport(written, QStringLiteral("a.SLC")).status,
             QStringLiteral("Collection written: a.SLC"));
    written.saved.trimmedBytes = std::uint64_t{3} << 20;
    written.saved.monoBytes = 1048576 / 2;
    QCOMPARE(ReportCollectionExport(written, QStringLiteral("a.SLC")).status,
             QStringLiteral("Collection written: a.SLC (3.5 MB less sample data)"));
    SingleExportResult single;
    single.marked = 1;
    single.written.emplace_back("d/a.SLI");
    single.saved.monoBytes = 2048;
    QCOMPARE(ReportSingleExport(single, QStringLiteral("d")).status,
             QStringLiteral("1 file written to d (2.0 kB less sample data)"));
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::FitMenuTest)
#include "fit_menu_test.moc"
