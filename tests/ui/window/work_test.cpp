// The window during long work, offscreen, with an importer that takes as long as the test says:
// progress in the status line, input refused, Escape and the close box, and what the window
// says about a drop or an export once it has ended.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/settings/settings.h"
#include "ui/window/dialog_template.h"
#include "ui/window/item_menu.h"
#include "ui/window/main_dialog.h"
#include "ui/window/outcome_report.h"

namespace tolvane {
namespace {

// Imports as ImportFile does, but first reports a step and holds the work until the test opens
// the gate or the work is cancelled.
struct GatedImporter {
  std::atomic<bool> open{false};
  std::atomic<int> started{0};

  FileImporter Importer() {
    return [this](Library& library, SoundDatabase& database, std::string_view path,
                  WorkProgress* progress, const ImportSettings&) {
      ++started;
      ReportStep(progress, "testing", 1, 4);
      while (!open && !WorkCancelled(progress))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return ImportFile(library, database, path, progress);
    };
  }
};

struct Window : testing::TestWindow {
  GatedImporter gate;

  explicit Window(const QString& databaseProblem = {}) {
    Open();
    dialog->SetDatabaseProblem(databaseProblem);
  }
  // The dialog's work may be waiting at the gate: the dialog ends first.
  ~Window() { dialog.reset(); }
  QStringList Files(const QStringList& names) const { return TestWindow::Files(names, 100); }
  void Drop(const QStringList& names) {
    dialog->ImportDrop(Files(names));
    Wait();
  }
};

}  // namespace

class WorkTest : public QObject {
  Q_OBJECT

 private slots:
  // While the import runs: its progress shows, and no input acts on the list it will bring.
  void progressAndInputDuringImport() {
    Window window;
    window.Drop({"old"});
    window.dialog->SetFileImporter(window.gate.Importer());
    MainDialog& dialog = *window.dialog;
    dialog.show();
    dialog.ImportDrop(window.Files({"a", "b"}));
    QTRY_COMPARE(window.Status(), QStringLiteral("Importing 1 of 2: a.wav - testing 1 of 4"));
    auto* bar = dialog.findChild<QProgressBar*>();
    QVERIFY(bar != nullptr && bar->isVisible() && !dialog.Control(kHintId)->isVisible());
    QCOMPARE(bar->value(), 125);
    for (const int id : {kListId, kAllId, kNoneId, kSingleId, kCollectionId})
      QVERIFY(!dialog.Control(id)->isEnabled());

    QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(kNoneId)), Qt::LeftButton);
    dialog.ImportDrop(window.Files({"other"}));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(window.place / "other.wav")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    QVERIFY(!enter.isAccepted());
    QCOMPARE(window.Names(), QStringList{"old"});  // the list stays whole meanwhile

    window.gate.open = true;
    window.Wait();
    QCOMPARE(window.Names(), (QStringList{"a", "b"}));
    QCOMPARE(dialog.model().CheckedInstruments().size(), std::size_t{2});
    QCOMPARE(window.gate.started.load(), 2);
    QVERIFY(!bar->isVisible() && dialog.Control(kHintId)->isVisible());
    QVERIFY(dialog.Control(kListId)->isEnabled() && dialog.Control(kCollectionId)->isEnabled());
    QCOMPARE(window.Status(), QStringLiteral("2 Instruments selected, 0.00MB Samples"));
  }

  // The middle-C choice reaches the imports of the drops after it and is remembered for the next
  // start; a click off the rows offers only that choice.
  void middleCChoiceIsUsedAndRemembered() {
    Window window;
    MainDialog& dialog = *window.dialog;
    QCOMPARE(dialog.middleC(), MiddleC::C3);
    std::vector<MiddleC> used;
    dialog.SetFileImporter([&used](Library& library, SoundDatabase& database, std::string_view path,
                                   WorkProgress* progress, const ImportSettings& settings) {
      used.push_back(settings.middleC);
      return ImportFile(library, database, path, progress, settings);
    });
    dialog.ImportDrop(window.Files({"a"}));
    window.Wait();
    dialog.ApplyItemCommand(kMiddleC4Command, -1);
    dialog.ImportDrop(window.Files({"b"}));
    window.Wait();
    QCOMPARE(used, (std::vector<MiddleC>{MiddleC::C3, MiddleC::C4}));
    QCOMPARE(ReadSettingNumber(kMiddleCSetting, 0), 4u);
    QCOMPARE(window.Open().middleC(), MiddleC::C4);

    QMenu menu;
    AddMiddleCMenu(menu, true);
    const QList<QAction*> choices = menu.actions()[0]->menu()->actions();
    QCOMPARE(choices.size(), 2);
    QVERIFY(!choices[0]->isChecked() && choices[1]->isChecked());
    QCOMPARE(choices[0]->data().toInt(), kMiddleC3Command);
  }

  // The SoundFont choice reaches the imports of the drops after it and is remembered for the
  // next start, as the middle-C choice is.
  void soundFontChoiceIsUsedAndRemembered() {
    Window window;
    MainDialog& dialog = *window.dialog;
    QVERIFY(!dialog.soundFontPresets());
    std::vector<SoundFontMode> used;
    dialog.SetFileImporter([&used](Library& library, SoundDatabase& database, std::string_view path,
                                   WorkProgress* progress, const ImportSettings& settings) {
      used.push_back(settings.soundFont);
      return ImportFile(library, database, path, progress, settings);
    });
    for (const bool presets : {true, false, true}) {
      dialog.ApplyItemCommand(kSoundFontPresetsCommand, -1);
      QCOMPARE(ReadSettingNumber(kSoundFontPresetsSetting, 7), presets ? 1u : 0u);
      dialog.ImportDrop(window.Files({"a"}));
      window.Wait();
    }
    QCOMPARE(used, (std::vector<SoundFontMode>{SoundFontMode::Presets, SoundFontMode::Instruments,
                                               SoundFontMode::Presets}));
    QVERIFY(window.Open().soundFontPresets());
    QMenu menu;
    AddSoundFontPresetsItem(menu, true);
    QVERIFY(menu.actions()[0]->isChecked());
    QCOMPARE(menu.actions()[0]->data().toInt(), kSoundFontPresetsCommand);
  }

  // The loop option is toggled from the menu, remembered for the next start, and an export
  // that met loops that click names them in a message of its own.
  void snapLoopsChoiceIsRememberedAndLoopsAreReported() {
    Window window;
    MainDialog& dialog = *window.dialog;
    QVERIFY(!dialog.snapLoops());
    dialog.ApplyItemCommand(kSnapLoopsCommand, -1);
    QVERIFY(dialog.snapLoops());
    QCOMPARE(ReadSettingNumber(kSnapLoopsSetting, 0), 1u);
    QVERIFY(window.Open().snapLoops());
    QMenu menu;
    AddSnapLoopsItem(menu, true);
    QVERIFY(menu.actions()[0]->isChecked());
    QCOMPARE(menu.actions()[0]->data().toInt(), kSnapLoopsCommand);

    ExportResult written;
    written.loops.push_back({"Pad", "Pad C4", {100, 525}, {true, true, 20000}, true, {{100, 500}}});
    const ExportReport report = ReportCollectionExport(written, QStringLiteral("a.SLC"));
    QCOMPARE(report.message, QStringLiteral("1 looped samples click where their loop ends."));
    QCOMPARE(report.detail, QStringLiteral("Pad: loop 100-525 of sample 'Pad C4' clicks (a jump "
                                           "of 20000 in value); snapped to 100-500"));
    QVERIFY(!report.status.isEmpty());
    QVERIFY(ReportCollectionExport(ExportResult{}, QStringLiteral("a.SLC")).message.isEmpty());

    // Instruments the sampler cannot tell apart go under the same message's details.
    written.clashes.push_back("2 instruments share SoundID [00000007]: 'Pad' (a), 'Pad' (b)");
    const ExportReport both = ReportCollectionExport(written, QStringLiteral("a.SLC"));
    QCOMPARE(both.message, report.message);
    QVERIFY(
        both.detail.endsWith(QStringLiteral("\n2 instruments share SoundID [00000007]: 'Pad' "
                                            "(a), 'Pad' (b)")));
    written.loops.clear();
    QCOMPARE(ReportCollectionExport(written, QStringLiteral("a.SLC")).message,
             QStringLiteral("The sampler cannot tell some of these instruments apart: they share "
                            "a SoundID or a name."));
  }

  // The normalising choice reaches the exports after it and is remembered for the next start.
  void normalizeChoiceIsUsedAndRemembered() {
    Window window;
    window.Drop({"a", "b"});
    MainDialog& dialog = *window.dialog;
    QCOMPARE(dialog.normalizeDbfs(), std::optional<double>());
    const auto exportedPeak = [&window, &dialog] {
      window.prompts.saveAnswer = window.place / "out.SLC";
      if (!dialog.ExportCollection()) return -1;
      window.Wait();
      Library back;
      SoundDatabase database;
      if (!ImportFile(back, database, window.prompts.saveAnswer->toStdString()).imported())
        return -1;
      int peak = 0;
      for (const auto& sample : back.sources.front()->samples)
        for (const std::int16_t v : sample->data) peak = std::max(peak, std::abs(int{v}));
      return peak;
    };
    QCOMPARE(exportedPeak(), 99 * 97);  // the test's samples as they are
    dialog.ApplyItemCommand(kNormalizeCommand + 1, -1);
    QCOMPARE(dialog.normalizeDbfs(), std::optional(-1.0));
    QCOMPARE(exportedPeak(), 29205);  // 32768 x 10^(-1 / 20)
    QCOMPARE(ReadSettingNumber(kNormalizeExportSetting, 0), 1u);
    QCOMPARE(window.Open().normalizeDbfs(), std::optional(-1.0));

    window.dialog->ApplyItemCommand(kNormalizeCommand + 6, -1);
    QCOMPARE(window.Open().normalizeDbfs(), std::optional(-6.0));
    window.dialog->ApplyItemCommand(kNormalizeOffCommand, -1);
    QCOMPARE(window.Open().normalizeDbfs(), std::optional<double>());

    QMenu menu;
    AddNormalizeMenu(menu, -3.0);
    const QList<QAction*> choices = menu.actions()[0]->menu()->actions();
    QCOMPARE(choices.size(), 5);
    QCOMPARE(choices[3]->text(), QStringLiteral("To -3 dBFS"));
    QCOMPARE(choices[3]->data().toInt(), kNormalizeCommand + 3);
    for (int i = 0; i < choices.size(); ++i) QCOMPARE(choices[i]->isChecked(), i == 3);
  }

  // Escape cancels and the list is as before the drop; a second Escape ends the program.
  void escapeCancelsThenEnds() {
    Window window;
    window.Drop({"old"});
    window.dialog->SetFileImporter(window.gate.Importer());
    MainDialog& dialog = *window.dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy finished(&dialog, &MainDialog::WorkFinished);
    dialog.ImportDrop(window.Files({"a", "b"}));
    QTRY_COMPARE(window.gate.started.load(), 1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    window.Wait();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(window.gate.started.load(), 1);  // the second file was never begun
    QCOMPARE(window.Names(), QStringList{"old"});
    QCOMPARE(window.Status(), QStringLiteral("Import cancelled, the list is as it was"));
    QVERIFY(dialog.Control(kListId)->isEnabled());

    dialog.ImportDrop(window.Files({"c"}));
    QTRY_COMPARE(window.gate.started.load(), 2);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible() && !dialog.Busy());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(window.Names(), QStringList{"old"});
  }

  // The close box during work cancels it, waits for it and ends, saving the size as ever.
  void closeBoxDuringWork() {
    Window window;
    window.dialog->SetFileImporter(window.gate.Importer());
    MainDialog& dialog = *window.dialog;
    dialog.show();
    dialog.ImportDrop(window.Files({"a"}));
    QTRY_COMPARE(window.gate.started.load(), 1);
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible() && !dialog.Busy());
    QCOMPARE(window.dialog->model().rowCount(), 0);
    QCOMPARE(ReadSettingNumber(kWindowWidthSetting, 0), std::uint32_t(dialog.width()));
  }

  // A file that gave nothing is counted as not read, one that gave part of what it holds as not
  // imported whole, each named with its reason in the tip; the counts go with the next drop.
  void notImportedCount() {
    Window window;
    const QStringList files = window.Files({"good"});
    QFile truncated(window.place / "cut.wav");
    QVERIFY(truncated.open(QIODevice::WriteOnly) && truncated.write("RIFF\x10\0\0\0WAVE", 12));
    truncated.close();
    window.dialog->ImportDrop({files.front(), window.place / "cut.wav"});
    window.Wait();
    QCOMPARE(window.Status(),
             QStringLiteral("1 Instruments selected, 0.00MB Samples - 1 file not read"));
    const QString tip = static_cast<QLabel*>(window.dialog->Control(kStatusId))->toolTip();
    QVERIFY2(tip.startsWith(window.place / "cut.wav: ") && !tip.contains('\n'), qPrintable(tip));
    window.dialog->CheckAll(false);
    QTRY_COMPARE(window.Status(), QStringLiteral("1 Instruments loaded - 1 file not read"));

    QFile holed(window.place / "holed.sfz");
    QVERIFY(holed.open(QIODevice::WriteOnly) &&
            holed.write("<region> sample=good.wav\n<region> sample=gone.wav key=9\n") > 0);
    holed.close();
    window.dialog->ImportDrop(
        {window.place / "holed.sfz", window.place / "cut.wav", window.place / "missing.wav"});
    window.Wait();
    QCOMPARE(window.Status(), QStringLiteral("1 Instruments selected, 0.00MB Samples - 1 file "
                                             "not imported whole, 2 files not read"));
    window.Drop({"good"});
    QCOMPARE(window.Status(), QStringLiteral("1 Instruments selected, 0.00MB Samples"));
    QVERIFY(static_cast<QLabel*>(window.dialog->Control(kStatusId))->toolTip().isEmpty());
  }

  // A file dropped from the file manager (Explorer on Windows) comes as a file URL; one named in
  // letters outside ASCII, and outside any ANSI code page, is read from its real path.
  void droppedFileUrlWithWideName() {
    Window window;
    const QStringList files = window.Files({QStringLiteral("Pr\u00fcfung \u00f1 \u97f3")});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(files.front())});
    window.dialog->show();
    // A drop reaches the window that took the drag's entry.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.dialog.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.dialog.get(), &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(window.Names().size(), 1);
    window.Wait();
    QVERIFY2(window.Names().front().startsWith(QStringLiteral("Pr\u00fcfung \u00f1")),
             qPrintable(window.Names().front()));
    QCOMPARE(window.Status(), QStringLiteral("1 Instruments selected, 0.00MB Samples"));
  }

  // A file imported with notes is imported: not counted in the status line, but each note is
  // named in its tip.
  void notesAreToldButNotCounted() {
    Window window;
    window.dialog->SetFileImporter([](Library& library, SoundDatabase& database,
                                      std::string_view path, WorkProgress* progress,
                                      const ImportSettings&) {
      ImportOutcome outcome = ImportFile(library, database, path, progress);
      outcome.notes.push_back({NoteKind::ReleaseTrigger, 2, {}});
      return outcome;
    });
    window.Drop({"good"});
    QCOMPARE(window.Status(), QStringLiteral("1 Instruments selected, 0.00MB Samples"));
    QCOMPARE(static_cast<QLabel*>(window.dialog->Control(kStatusId))->toolTip(),
             window.place / "good.wav: note: 2 regions left out: release triggers cannot be kept");
  }

  // A single-instrument export that wrote some files says in its message which one failed.
  void partlyFailedExport() {
    Window window;
    window.Drop({"a", "b"});
    QDir(window.place / "").mkpath("out/b.SLI");  // a folder where a file should go
    window.prompts.folderAnswer = window.place / "out";
    QVERIFY(window.dialog->ExportSingleInstruments());
    window.Wait();
    QCOMPARE(window.prompts.messages.size(), std::size_t{1});
    const QString text = window.prompts.messages.back().text;
    QVERIFY2(text.startsWith("Unable to Export Instruments (Maybe too complex!)\n\n1 of 2 files "
                             "were written to " +
                             testing::Native(window.place / "out") + ". Not written:\n" +
                             testing::Native(window.place / "out/b.SLI") + ": "),
             qPrintable(text));
    QCOMPARE(window.Status(),
             "1 of 2 files written to " + testing::Native(window.place / "out") + ", 1 failed");
    QVERIFY(QFile::exists(window.place / "out/a.SLI"));
  }

  // An unreadable database is told once, at the first category chosen.
  void unreadableDatabaseToldOnce() {
    Window window(QStringLiteral("cannot read it"));
    window.Drop({"a"});
    window.dialog->ApplyItemCommand(kCheckCommand, 0);
    QVERIFY(window.prompts.messages.empty());
    const int kick = static_cast<int>('K' * 256 + 'C');
    window.dialog->ApplyItemCommand(kick, 0);
    window.dialog->ApplyItemCommand(kick, 0);
    QCOMPARE(window.prompts.messages.size(), std::size_t{1});
    QCOMPARE(window.prompts.messages.front().text, QStringLiteral("cannot read it"));
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::WorkTest)
#include "work_test.moc"
