// The main dialog end to end, offscreen: controls, resizing, drops, the status line, the
// right-click menu, the export buttons with their prompts, and the program's start and end.

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "database/sound_database.h"
#include "devices/indicator/dialog_units.h"
#include "export/export_commands.h"
#include "import/format_lists.h"
#include "import/import_file.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/dialog_template.h"
#include "ui/window/main_dialog.h"
#include "ui/window/program.h"
#include "ui/window/qt_prompts.h"

namespace tolvane {
namespace {

using testing::FakePorts;
using testing::FakePrompts;
using testing::Setting;
using testing::TestPlace;
using testing::WriteWav;

constexpr char kBank[] = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct Window : testing::TestWindow {
  // WAV files named after `names`, dropped together.
  MainDialog& Drop(const QStringList& names, std::uint32_t frames = 1000) {
    if (!dialog) Open();
    dialog->ImportDrop(Files(names, frames));
    Wait();
    return *dialog;
  }
  bool Enabled(int id) const { return dialog->Control(id)->isEnabled(); }
};

void RightClick(QTableView& list, const QPoint& position) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                          list.viewport()->mapToGlobal(position));
  QApplication::sendEvent(list.viewport(), &event);
}

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsAtTemplatePlaces() {
    Window window;
    MainDialog& dialog = window.Open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Tolvane Sound Converter"));
    QVERIFY(
        !(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window.Status(), QStringLiteral("Tolvane Import..."));
    QVERIFY(!window.Enabled(kSingleId) && !window.Enabled(kCollectionId));
    const QList<std::pair<int, QString>> buttons = {{kAllId, "All"},
                                                    {kNoneId, "None"},
                                                    {kSingleId, "Single Instruments"},
                                                    {kCollectionId, "Instrument Collection"}};
    for (const auto& [id, text] : buttons) {
      auto* button = static_cast<QPushButton*>(dialog.Control(id));
      QCOMPARE(button->text(), text);
      QVERIFY(!button->autoDefault() && !button->isDefault());
    }
    QCOMPARE(dialog.Control(kSingleId)->font(), dialog.Control(kCollectionId)->font());
    // The first start takes a share of the screen, which grows the template by dW x dH.
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.minimumSize(), units.Size(284, 243));
    const QSize first = FirstStartSize(dialog.screen()->availableGeometry().size())
                            .expandedTo(units.Size(284, 243));
    QCOMPARE(dialog.height(), first.height());
    QVERIFY(dialog.width() >= first.width());
    const int dW = dialog.width() - units.Size(284, 243).width();
    const int dH = dialog.height() - units.Size(284, 243).height();
    // The instrument panel takes the lower part of what the list grew by.
    const QRect list = units.Rect(8, 44, 268, 140).adjusted(0, 0, dW, dH - PanelHeight(dH));
    QCOMPARE(dialog.Control(kListId)->geometry(), list);
    QVERIFY(PanelHeight(dH) > 0 && !dialog.panel().isHidden());
    QVERIFY(dialog.panel().geometry().top() > list.bottom());
    QVERIFY(dialog.panel().geometry().bottom() < dialog.Control(kStatusId)->geometry().top());
    QCOMPARE(dialog.Control(kExportGroupId)->geometry(),
             units.Rect(120, 200, 156, 28).translated(dW, dH));
    QCOMPARE(dialog.Control(kAddFilesId)->geometry(),
             units.Rect(208, 11, 68, 14).translated(dW, 0));

    QList<int> order;
    const QList<int> focusable = {kMidiSelectorId, kAudioSelectorId, kListId,      kAllId,
                                  kNoneId,         kSingleId,        kCollectionId};
    QWidget* widget = dialog.Control(kMidiSelectorId);
    for (int step = 0; step < 200 && order.size() < focusable.size(); ++step) {
      for (const int id : focusable)
        if (dialog.Control(id) == widget) order << id;
      widget = widget->nextInFocusChain();
    }
    QCOMPARE(order, focusable);
  }

  // Growing widens the list, moves the Select group down, the Export group down and right, the
  // separator, hint and status down and wider, and leaves the selectors and indicator alone.
  void resizeMovesControls() {
    Window window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QMap<int, QRect> before;
    const QList<int> ids = {kListId,        kSelectGroupId, kAllId,          kNoneId,
                            kExportGroupId, kSingleId,      kCollectionId,   kSeparatorId,
                            kHintId,        kStatusId,      kMidiSelectorId, kAudioSelectorId,
                            kIndicatorId};
    for (const int id : ids) before[id] = dialog.Control(id)->geometry();
    const int dH = dialog.height() - dialog.TemplateSize().height();
    dialog.resize(dialog.size() + QSize(100, 60));
    QCoreApplication::processEvents();
    const auto moved = [&](int id, int dx, int dy, int dw, int dh) {
      const QRect was = before[id];
      return dialog.Control(id)->geometry() ==
             QRect(was.x() + dx, was.y() + dy, was.width() + dw, was.height() + dh);
    };
    QVERIFY(moved(kListId, 0, 0, 100, 60 - (PanelHeight(dH + 60) - PanelHeight(dH))));
    for (const int id : {kSelectGroupId, kAllId, kNoneId}) QVERIFY(moved(id, 0, 60, 0, 0));
    for (const int id : {kExportGroupId, kSingleId, kCollectionId})
      QVERIFY(moved(id, 100, 60, 0, 0));
    for (const int id : {kSeparatorId, kHintId, kStatusId}) QVERIFY(moved(id, 0, 60, 100, 0));
    for (const int id : {kMidiSelectorId, kAudioSelectorId, kIndicatorId})
      QVERIFY(moved(id, 0, 0, 0, 0));
    dialog.resize(10, 10);
    QCoreApplication::processEvents();
    QCOMPARE(dialog.size(), dialog.TemplateSize());
  }

  void sizeRestoredAndSaved_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("restored");
    QTest::newRow("saved") << 900 << 700 << true;
    QTest::newRow("none") << 0 << 0 << false;
    QTest::newRow("width 0") << 900 << 0 << false;
    QTest::newRow("height 0") << 0 << 700 << false;
  }
  void sizeRestoredAndSaved() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, restored);
    Window window;
    WriteSettingNumber(kWindowWidthSetting, static_cast<std::uint32_t>(width));
    WriteSettingNumber(kWindowHeightSetting, static_cast<std::uint32_t>(height));
    MainDialog& dialog = window.Open();
    dialog.show();
    QCoreApplication::processEvents();
    if (restored) {
      QCOMPARE(dialog.size(), QSize(width, height));
    } else {
      // A share of the screen, widened for the list's columns if need be.
      const QSize first = FirstStartSize(dialog.screen()->availableGeometry().size())
                              .expandedTo(dialog.TemplateSize());
      QCOMPARE(dialog.height(), first.height());
      QVERIFY(dialog.width() >= first.width());
    }
    // The list's column widths fill the restored size.
    const int client = dialog.list().width() - 2 * dialog.list().frameWidth();
    QHeaderView& header = *dialog.list().horizontalHeader();
    QCOMPARE(header.length(), client);
    dialog.resize(dialog.size() + QSize(7, 5));
    QCoreApplication::processEvents();
    const QSize inner = dialog.size();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(ReadSettingNumber(kWindowWidthSetting, 0), std::uint32_t(inner.width()));
    QCOMPARE(ReadSettingNumber(kWindowHeightSetting, 0), std::uint32_t(inner.height()));
  }

  // At the default size the numeric columns show typical values whole; Sound-Name grows with
  // the window, and a width the user drags comes back at the next start.
  void columnsFitAndAreRemembered() {
    Window window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QCoreApplication::processEvents();
    QHeaderView& header = *dialog.list().horizontalHeader();
    const QFontMetrics metrics = dialog.list().fontMetrics();
    const QStringList typical = {"", "", "99", "120 (118M2S)", "141.20MB", "[FFFFFFFF]"};
    for (int column = 0; column < 6; ++column) {
      const QString title = dialog.model().headerData(column, Qt::Horizontal).toString();
      const int needed = std::max(header.fontMetrics().horizontalAdvance(title),
                                  metrics.horizontalAdvance(typical[column]));
      QVERIFY2(header.sectionSize(column) > needed + 4,
               qPrintable(QStringLiteral("column %1: %2 for %3")
                              .arg(column)
                              .arg(header.sectionSize(column))
                              .arg(needed)));
    }
    const int name = header.sectionSize(0);
    dialog.resize(dialog.size() + QSize(120, 0));
    QCoreApplication::processEvents();
    QCOMPARE(header.sectionSize(0), name + 120);
    QCOMPARE(Setting(kSoundListWidthsSetting), std::string());

    header.resizeSection(4, 150);
    dialog.reject();
    QVERIFY(Setting(kSoundListWidthsSetting).find(";150;") != std::string::npos);
    MainDialog again(WindowServices{window.library, window.database, {}, window.midi, window.audio},
                     &window.prompts);
    QCOMPARE(again.list().horizontalHeader()->sectionSize(4), 150);
  }

  void enterDoesNothingEscapeEnds() {
    Window window;
    MainDialog& dialog = window.Drop({"a", "b"});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    std::vector<std::unique_ptr<QSignalSpy>> clicks;
    for (const int id : {kAllId, kNoneId, kSingleId, kCollectionId})
      clicks.push_back(std::make_unique<QSignalSpy>(static_cast<QPushButton*>(dialog.Control(id)),
                                                    &QPushButton::clicked));
    for (const int id : {kNoneId, kSingleId, kListId, kMidiSelectorId}) {
      dialog.Control(id)->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    }
    QCoreApplication::processEvents();
    QVERIFY(dialog.isVisible());
    for (const auto& spy : clicks) QCOMPARE(spy->count(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  // WAV, SoundFont 2 and SiFi files each add their instruments; a new drop replaces the list.
  void dropReplacesList() {
    Window window;
    MainDialog& dialog = window.Drop({"first"});
    QCOMPARE(window.Names(), QStringList{"first"});

    WriteWav(window.place / "wave.wav", 500);
    WriteWav(window.place / "made.wav", 500);
    Library scratch;
    SoundDatabase scratchDatabase;
    QVERIFY(
        ImportFile(scratch, scratchDatabase, (window.place / "made.wav").toStdString()).imported());
    const std::vector<const Instrument*> rows = {scratch.instruments.front().get()};
    QVERIFY(ExportCollection(rows, window.place.Path("made.SLC")).ok());
    Library bank;
    QVERIFY(ImportFile(bank, scratchDatabase, kBank).recognised());

    dialog.ImportDrop({window.place / "wave.wav", kBank, window.place / "made.SLC"});
    window.Wait();
    const QStringList names = window.Names();
    QCOMPARE(names.size(), int(bank.instruments.size()) + 2);
    QVERIFY(names.contains("wave") && names.contains("made") && !names.contains("first"));
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
      return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(names, sorted);
    QCOMPARE(dialog.model().CheckedInstruments().size(), std::size_t(names.size()));
    QCOMPARE(dialog.list().selectionModel()->selectedRows().size(), 1);
    QCOMPARE(dialog.list().selectionModel()->selectedRows().front().row(), 0);
    QVERIFY(window.Status().startsWith(QString::number(names.size()) + " Instruments selected, "));
  }

  // Local files dropped from a file manager; files no importer takes empty the list.
  void dropEvent() {
    Window window;
    MainDialog& dialog = window.Drop({"old"});
    WriteWav(window.place / "new.wav", 100);
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(window.place / "new.wav"), QUrl("https://example.org/x.wav")});
    const QPoint over = dialog.list().geometry().center();
    QDragEnterEvent enter(over, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(over), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(QTest::qWaitFor([&] { return dialog.Busy(); }));  // imported after the event
    window.Wait();
    QCOMPARE(window.Names(), QStringList{"new"});

    QFile junk(window.place / "junk.txt");
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a sound") > 0);
    junk.close();
    dialog.ImportDrop({window.place / "junk.txt", window.place / "missing.wav"});
    window.Wait();
    QCOMPARE(dialog.model().rowCount(), 0);
    QCOMPARE(window.Status(), QStringLiteral("0 Instruments loaded - 2 files not read"));
    QCOMPARE(static_cast<QLabel*>(dialog.Control(kStatusId))->toolTip(),
             window.place / "junk.txt" + ": not recognised as " +
                 QString::fromStdString(ReadFormatsText()) + "\n" + window.place / "missing.wav" +
                 ": cannot open file: no such file");
  }

  // "Instrument Collection" needs two sample groups; nothing checked disables both buttons.
  void statusAndButtons() {
    Window window;
    window.Drop({"one"}, 786432);
    QCOMPARE(window.Status(), QStringLiteral("1 Instruments selected, 1.50MB Samples"));
    QVERIFY(window.Enabled(kSingleId) && !window.Enabled(kCollectionId));
    MainDialog& dialog = window.Drop({"one", "two"});
    QVERIFY(window.Enabled(kSingleId) && window.Enabled(kCollectionId));
    QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(kNoneId)), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(window.Status(), QStringLiteral("2 Instruments loaded"));
    QVERIFY(!window.Enabled(kSingleId) && !window.Enabled(kCollectionId));
  }

  void oneStatusUpdatePerBurst() {
    Window window;
    QStringList names;
    for (int i = 0; i < 300; ++i) names << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
    MainDialog& dialog = window.Drop(names, 10);
    dialog.model().SetAllChecked(false);
    QCoreApplication::processEvents();
    QSignalSpy updates(&dialog, &MainDialog::StatusUpdated);
    QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(kAllId)), Qt::LeftButton);
    QCOMPARE(updates.count(), 0);  // queued behind the click
    QCoreApplication::processEvents();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(window.Status(), QStringLiteral("300 Instruments selected, 0.00MB Samples"));
  }

  // The menu applies to the whole selection; a category reaches the database file at once.
  void menuOnSelection() {
    Window window;
    MainDialog& dialog = window.Drop({"a", "b", "c", "d", "e"});
    dialog.show();
    QTableView& list = dialog.list();
    list.selectionModel()->select(
        QItemSelection(dialog.model().index(1, 0), dialog.model().index(3, 5)),
        QItemSelectionModel::ClearAndSelect);
    QSignalSpy updates(&dialog, &MainDialog::StatusUpdated);
    window.prompts.menuPath = {"Uncheck"};
    RightClick(list, list.visualRect(dialog.model().index(2, 3)).center());
    QCoreApplication::processEvents();
    QCOMPARE(window.prompts.menusShown, 1);
    QCOMPARE(updates.count(), 1);
    QCOMPARE(window.Status(), QStringLiteral("2 Instruments selected, 0.00MB Samples"));
    for (int row = 0; row < 5; ++row) QCOMPARE(dialog.model().IsChecked(row), row == 0 || row == 4);

    window.prompts.menuPath = {"Category", "Kick", "Techno"};
    const QRect checkBox = list.visualRect(dialog.model().index(1, 0));
    RightClick(list, QPoint(checkBox.left() + 4, checkBox.center().y()));
    SoundDatabase saved;
    QCOMPARE(LoadSoundDatabase(saved, window.place.Path("sounds.INI")), DatabaseLoad::kRead);
    for (const char* name : {"b", "c", "d"}) {
      const DatabaseEntry* entry = FindEntry(FindOrCreateSection(saved, name), name);
      QVERIFY(entry != nullptr && entry->category == 'K' * 256 + 'C');
    }
    QVERIFY(FindEntry(FindOrCreateSection(saved, "a"), "a") == nullptr);
    QCOMPARE(dialog.model().data(dialog.model().index(2, 1)).toString(),
             QStringLiteral("[KC] Techno Kick"));

    list.clearSelection();
    window.prompts.menuPath = {"Category", "FX-Loop"};
    RightClick(list, list.visualRect(dialog.model().index(0, 2)).center());
    QCOMPARE(dialog.model().data(dialog.model().index(0, 1)).toString(),
             QStringLiteral("[x*] FX-Loop"));
    QCOMPARE(dialog.model().data(dialog.model().index(1, 1)).toString(),
             QStringLiteral("[KC] Techno Kick"));

    // Off the rows the menu offers only the middle-C choice: nothing else changes.
    RightClick(list, QPoint(5, list.visualRect(dialog.model().index(4, 0)).bottom() + 20));
    QCOMPARE(window.prompts.menusShown, 4);
    QCOMPARE(dialog.model().data(dialog.model().index(0, 1)).toString(),
             QStringLiteral("[x*] FX-Loop"));
  }

  void exportCollection() {
    Window window;
    MainDialog& dialog = window.Drop({"a", "b"});
    WriteSettingText(kSoundCollectionSetting, "/old/place/last.SLC");
    FakePrompts& prompts = window.prompts;

    prompts.saveAnswer = window.place / "out.SLC";
    QVERIFY(dialog.ExportCollection());
    window.Wait();
    QCOMPARE(window.Status(), "Collection written: " + testing::Native(*prompts.saveAnswer));
    const SaveFileRequest& request = prompts.saveRequests.front();
    QCOMPARE(request.title, QStringLiteral("Select Filename for Sound-Collection..."));
    QCOMPARE(request.filters, (QStringList{"Sound-Collections (*.SLC)", "All Files (*.*)"}));
    QCOMPARE(request.defaultSuffix, QStringLiteral("SLC"));
    QCOMPARE(request.folder, QStringLiteral("/old/place"));
    QCOMPARE(request.file, QStringLiteral("last.SLC"));
    QCOMPARE(QString::fromStdString(Setting(kSoundCollectionSetting)),
             testing::Native(*prompts.saveAnswer));
    Library back;
    SoundDatabase backDatabase;
    QVERIFY(ImportFile(back, backDatabase, prompts.saveAnswer->toStdString()).imported());
    QCOMPARE(back.instruments.size(), std::size_t{2});
    QVERIFY(prompts.messages.empty());

    // A cancelled prompt is no failure: nothing is said.
    WriteSettingText(kSoundCollectionSetting, "plain.SLC");
    prompts.saveAnswer.reset();
    QVERIFY(!dialog.ExportCollection());
    QCOMPARE(prompts.saveRequests.back().folder, QString());
    QCOMPARE(prompts.saveRequests.back().file, QStringLiteral("plain.SLC"));
    QVERIFY(prompts.messages.empty());
    QCOMPARE(Setting(kSoundCollectionSetting), std::string("plain.SLC"));

    prompts.saveAnswer = window.place / "no-such-folder/out.SLC";
    QVERIFY(dialog.ExportCollection());
    window.Wait();
    QCOMPARE(prompts.messages.size(), std::size_t{1});
    QCOMPARE(prompts.messages.back().caption, QStringLiteral("Error!"));
    QCOMPARE(prompts.messages.back().text,
             QStringLiteral("Unable to Export Instruments (Maybe too complex!)"));
    QVERIFY(prompts.messages.back().detail.startsWith(testing::Native(*prompts.saveAnswer) +
                                                      ": cannot create"));
    // Remembered before the write, whatever its outcome.
    QCOMPARE(QString::fromStdString(Setting(kSoundCollectionSetting)),
             testing::Native(*prompts.saveAnswer));
  }

  void exportSingleInstruments() {
    Window window;
    MainDialog& dialog = window.Drop({"a", "b"});
    FakePrompts& prompts = window.prompts;
    QDir(window.place / "").mkdir("out");

    prompts.folderAnswer = window.place / "out";
    QVERIFY(dialog.ExportSingleInstruments());
    window.Wait();
    QCOMPARE(window.Status(), "2 files written to " + testing::Native(*prompts.folderAnswer));
    QCOMPARE(prompts.folderRequests.back(),
             std::make_pair(QStringLiteral("Export Instrument to..."), QDir::currentPath()));
    QCOMPARE(QDir(*prompts.folderAnswer).entryList(QDir::Files), (QStringList{"a.SLI", "b.SLI"}));
    QCOMPARE(QString::fromStdString(Setting(kSoundDirectorySetting)),
             testing::Native(*prompts.folderAnswer));

    prompts.folderAnswer.reset();
    QVERIFY(!dialog.ExportSingleInstruments());
    QCOMPARE(prompts.folderRequests.back().second, testing::Native(window.place / "out"));
    QVERIFY(prompts.messages.empty());

    dialog.CheckAll(false);
    QVERIFY(!dialog.ExportSingleInstruments());
    QCOMPARE(prompts.folderRequests.size(), std::size_t{2});  // nothing checked: not asked
    QCOMPARE(prompts.messages.size(), std::size_t{1});
    QCOMPARE(prompts.messages.back().caption, QStringLiteral("Error!"));
  }

  // The real folder prompt refuses a typed folder that does not exist and stays open (Qt's own
  // dialog also disables its button then; Enter in the name field still asks to accept).
  void folderPromptRefusesMissingFolder() {
    TestPlace place;
    int refused = 0;
    FolderDialog prompt(nullptr, "Export Instrument to...", place / "", [&](QWidget* owner) {
      QCOMPARE(owner, &prompt);
      ++refused;
    });
    prompt.show();
    auto* typed = prompt.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(typed != nullptr);
    typed->setText(place / "not-there");
    QTest::keyClick(typed, Qt::Key_Return);
    QCOMPARE(refused, 1);
    QVERIFY(prompt.isVisible());
    QDir(place / "").mkdir("there");
    typed->setText(place / "there");
    QTest::keyClick(typed, Qt::Key_Return);
    QCOMPARE(refused, 1);
    QCOMPARE(prompt.result(), int(QDialog::Accepted));
    QCOMPARE(prompt.ChosenFolder(), place / "there");
  }

  // Start and end: the database is read before the window and saved after it, the files on
  // the command line are imported, then the ports are closed.
  void programStartAndEnd() {
    TestPlace place;
    WriteWav(place / "kick.wav", 100);
    SoundDatabase remembered;
    SetEntryText(FindOrCreateSection(remembered, "kick"), "kick", "");
    FindOrCreateEntry(FindOrCreateSection(remembered, "kick"), "kick").category = 'K' * 256 + 'H';
    QVERIFY(SaveSoundDatabase(remembered, place.Path("db.INI")));

    FakePorts midi({{"None", 0}, {"Keys", 1}}), audio;
    WriteSettingText(kLastMidiPortSetting, "Keys");
    QString seen;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<MainDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      QTimer::singleShot(0, [&, dialog] {
        QVERIFY(QTest::qWaitFor([dialog] { return dialog->model().rowCount() > 0; }));
        seen = dialog->model().data(dialog->model().index(0, 1)).toString();
        dialog->close();  // the close box
      });
    });
    QCOMPARE(RunWindowProgram({place / "kick.wav"}, midi, audio, place.Path("db.INI")), 0);
    QCOMPARE(seen, QStringLiteral("[KH] HipHop Kick"));
    QVERIFY(!midi.IsOpen());
    QCOMPARE(midi.opens, std::vector<int>{1});
    QVERIFY(testing::FileBytes(place / "db.INI").contains("kick=0;KH;"));
    QVERIFY(ReadSettingNumber(kWindowWidthSetting, 0) > 0);
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::DialogTest)
#include "dialog_test.moc"
