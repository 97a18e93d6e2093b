// Files added through the Add buttons and Ctrl+O, and categories suggested for every row at
// once, offscreen.

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "database/sound_database.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/dialog_template.h"
#include "ui/window/main_dialog.h"

namespace tolvane {
namespace {

struct Window : testing::TestWindow {
  int RowOf(const char* name) const {
    for (int row = 0; row < dialog->model().rowCount(); ++row)
      if (dialog->model().InstrumentAt(row)->name == name) return row;
    return -1;
  }
  QString CategoryOf(const char* name) const {
    return dialog->model().data(dialog->model().index(RowOf(name), 1)).toString();
  }
  // The right-click menu on `name`'s row alone, following `path`.
  void Menu(const char* name, const QStringList& path) {
    prompts.menuPath = path;
    QTableView& list = dialog->list();
    list.clearSelection();
    const QPoint at = list.visualRect(dialog->model().index(RowOf(name), 2)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &event);
    QCoreApplication::processEvents();
  }
};

class AdditionsTest : public QObject {
  Q_OBJECT

 private slots:
  void addButtonsAndShortcutActAsADrop() {
    Window window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QStringList files = window.Files({"Kick 1", "Snare 2"}, 800);
    window.prompts.openAnswer = files;
    QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(kAddFilesId)), Qt::LeftButton);
    window.Wait();
    QCOMPARE(dialog.model().rowCount(), 2);
    QCOMPARE(window.prompts.openRequests.size(), std::size_t{1});
    const QStringList& filters = window.prompts.openRequests[0].second;
    QVERIFY(filters[0].contains(QStringLiteral("*.sf2")) && filters[0].contains("*.wav"));
    QVERIFY(!filters[0].contains(QStringLiteral("*.mp3")));  // recognised, not read

    // Nothing chosen: the list stays.
    window.prompts.openAnswer.clear();
    QTest::keyClick(&dialog, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(window.prompts.openRequests.size(), std::size_t{2});
    QCOMPARE(dialog.model().rowCount(), 2);

    // A folder replaces the list as a dropped folder does.
    QDir(window.place / QString()).mkdir(QStringLiteral("kit"));
    testing::WriteWav(window.place / QStringLiteral("kit/Tom.wav"), 500);
    window.prompts.folderAnswer = window.place / QStringLiteral("kit");
    QTest::keyClick(&dialog, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    window.Wait();
    QCOMPARE(dialog.model().rowCount(), 1);
    QCOMPARE(window.prompts.folderRequests.size(), std::size_t{1});
  }

  // Only rows without a category get one; undo takes back only what is still suggested.
  void suggestionsFillTheGapsAndUndoInOneStep() {
    Window window;
    window.Open();
    window.dialog->ImportDrop(window.Files({"Kick 1", "Pad Warm", "Snare Rim", "Take 7"}, 600));
    window.Wait();
    window.Menu("Pad Warm", {"Category", "Kick", "Techno"});
    window.Menu("Take 7", {"Category", "Suggest from Names"});
    QCOMPARE(window.CategoryOf("Kick 1"), QStringLiteral("[K@] Other Kick"));
    QCOMPARE(window.CategoryOf("Snare Rim"), QStringLiteral("[S@] Other Snare"));
    QCOMPARE(window.CategoryOf("Pad Warm"), QStringLiteral("[KC] Techno Kick"));
    QCOMPARE(window.CategoryOf("Take 7"), QStringLiteral("(unknown)"));
    QVERIFY(window.Status().startsWith(QStringLiteral("Categories suggested for 2 of 4")));
    QVERIFY(window.dialog->CanUndoSuggestions());
    SoundDatabase saved;
    QCOMPARE(LoadSoundDatabase(saved, window.place.Path("sounds.INI")), DatabaseLoad::kRead);
    const DatabaseEntry* kick = FindEntry(FindOrCreateSection(saved, "Kick 1"), "Kick 1");
    QVERIFY(kick != nullptr && kick->category == 'K' * 256 + '@');

    // Chosen by hand since: kept through the undo.
    window.Menu("Snare Rim", {"Category", "Snare", "Rock"});
    window.Menu("Take 7", {"Category", "Undo Suggested Categories"});
    QCOMPARE(window.CategoryOf("Kick 1"), QStringLiteral("(unknown)"));
    QCOMPARE(window.CategoryOf("Snare Rim"), QStringLiteral("[SR] Rock Snare"));
    QCOMPARE(window.CategoryOf("Pad Warm"), QStringLiteral("[KC] Techno Kick"));
    QCOMPARE(window.Status(), QStringLiteral("1 suggested categories taken back"));
    QVERIFY(!window.dialog->CanUndoSuggestions());
  }
};

}  // namespace
}  // namespace tolvane

QTEST_MAIN(tolvane::AdditionsTest)
#include "additions_test.moc"
