#pragma once
// The program's one window: the dialog "Tolvane Sound Converter" with the instrument list, the
// export buttons, the port selectors and the status line. Files dropped on it replace the list;
// Escape and the close box end it; Enter does nothing.
//
// Imports and exports run as work on a worker thread (WorkRunner). While one runs, the status
// line shows its progress with a bar in place of the hint, the list and the buttons take no
// input and drops are refused; Escape cancels it (a second Escape ends the program), and ending
// the program cancels it first. The library is replaced on the window thread, in one step,
// once an import has finished.
//
// Each slot is one call of a named operation below, which tests call as well.

#include <QDialog>
#include <QSize>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "database/sound_database.h"
#include "devices/port_device.h"
#include "export/export_commands.h"
#include "import/import_outcome.h"
#include "import/import_settings.h"
#include "library/category_suggestions.h"
#include "library/library.h"
#include "ui/window/analysed_copy.h"
#include "ui/window/dialog_template.h"
#include "ui/window/instrument_list_model.h"
#include "ui/window/instrument_panel.h"
#include "ui/window/list_rules.h"
#include "ui/window/outcome_report.h"
#include "ui/window/port_selection.h"
#include "ui/window/prompts.h"
#include "ui/window/size_estimate.h"
#include "ui/window/work_runner.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class OplEmuLed;

namespace tolvane {

// What the window works on; all of it outlives the window.
struct WindowServices {
  Library& library;
  SoundDatabase& database;
  // Where a category change saves the database at once; empty when it must not be saved (the
  // file there could not be read).
  std::filesystem::path databasePath;
  MidiInputDevice& midi;
  PortDevice& audio;
};

// How the window imports one file of a drop (ImportFile's contract); tests give their own.
using FileImporter = std::function<ImportOutcome(Library&, SoundDatabase&, std::string_view,
                                                 WorkProgress*, const ImportSettings&)>;

// The height the instrument panel takes under the list when the window is `dH` pixels taller than
// its template: two thirds of that, or nothing when it would be too small to read.
inline int PanelHeight(int dH) {
  const int height = dH * 2 / 3;
  return height >= 120 ? height : 0;
}

// The window's size at its first start on a screen of `available` size.
inline QSize FirstStartSize(const QSize& available) {
  return available * 4 / 5;
}

class MainDialog : public QDialog {
  Q_OBJECT

 public:
  // `prompts` answers every question the window asks; without one the window shows Qt's dialogs.
  explicit MainDialog(const WindowServices& services, Prompts* prompts = nullptr);
  ~MainDialog() override;

  // One drop, as work: each file is imported in order into a new library, which then replaces
  // the old one; the list is refilled with every row checked and sorted, its first row
  // selected, and the status line updated, counting the files not imported whole. A cancelled
  // drop leaves the list as it was. Ignored while work runs.
  void ImportDrop(const QStringList& paths);
  // ImportDrop once the window has been painted, so that it shows before a long import.
  void ImportWhenShown(const QStringList& paths);
  // Whether work runs; Escape's first press while it does.
  bool Busy() const { return runner_.Busy(); }
  void CancelWork();
  // Why the sound database could not be read, for people; told once, when the first category
  // is chosen. Empty (as at first) when it could be read or was absent.
  void SetDatabaseProblem(const QString& problem) { databaseProblem_ = problem; }
  // Replaces ImportFile for the drops that follow.
  void SetFileImporter(FileImporter importer) { importFile_ = std::move(importer); }
  // "All" and "None".
  void CheckAll(bool checked);
  // A command of the right-click menu on the selected rows, or on `clickedRow` when none is
  // selected. A category is given to every such instrument and saved in the sound database.
  void ApplyItemCommand(int command, int clickedRow);
  // The right-click at a position of the list's viewport: the menu on a row, elsewhere only the
  // middle-C choice.
  void ShowItemMenu(const QPoint& viewportPosition);
  // How the drops that follow read a folder's sample names; remembered in the settings.
  void SetMiddleC(MiddleC middleC);
  MiddleC middleC() const { return importSettings_.middleC; }
  // Whether the drops that follow make one instrument per SoundFont preset; remembered in the
  // settings.
  void SetSoundFontPresets(bool presets);
  bool soundFontPresets() const { return importSettings_.soundFont == SoundFontMode::Presets; }
  // Whether exports mend loops that click; remembered for the next start.
  void SetSnapLoops(bool snap);
  bool snapLoops() const { return exportOptions_.loops == LoopMending::kSnap; }
  // Whether the exports that follow normalise each group, and to which level in dBFS (nothing:
  // off); remembered in the settings.
  void SetNormalize(std::optional<double> dbfs);
  std::optional<double> normalizeDbfs() const { return exportOptions_.normalizeDbfs; }
  // "Add Files..." and Ctrl+O: the files chosen, as one drop. "Add Folder..." and Ctrl+Shift+O:
  // the folder chosen, as a drop. Nothing happens when nothing is chosen or work runs.
  void AddFiles();
  void AddFolder();
  // "Category > Suggest from Names": every row still without a category (none, or Other) gets
  // the one its name or General MIDI program suggests, saved in the database at once; the
  // status line says how many. "Undo Suggested Categories" takes the last such step back, except
  // for rows given another category since.
  void SuggestCategories();
  void UndoSuggestedCategories();
  bool CanUndoSuggestions() const { return !suggestions_.empty(); }
  // Whether exports seek sustain loops, and with which crossfade; whether they measure root keys
  // not given. Remembered in the settings; SoundOptionsChanged follows a change.
  void SetAutoLoop(std::optional<double> crossfadeMs);
  std::optional<double> autoLoop() const { return exportOptions_.sounds.autoLoopCrossfadeMs; }
  void SetDetectRoot(bool detect);
  bool detectRoot() const { return exportOptions_.sounds.detectRoot; }
  const SoundOptions& soundOptions() const { return exportOptions_.sounds; }
  // Whether the exports that follow trim samples' quiet ends, below which level in dBFS
  // (nothing: off), and how they store stereo samples; remembered in the settings.
  void SetTrim(std::optional<double> dbfs);
  std::optional<double> trimDbfs() const { return exportOptions_.trimDbfs; }
  void SetMono(MonoFold mono);
  MonoFold mono() const { return exportOptions_.mono; }
  // The highest sample rate the exports that follow write (nothing: each sample's own).
  void SetRate(std::optional<std::uint32_t> rate);
  std::optional<std::uint32_t> rate() const { return exportOptions_.rate; }
  // The export buttons: ask, then write as work. False when no work started (nothing chosen,
  // or an error message shown). The outcome is told when the work has finished.
  bool ExportCollection();
  bool ExportSingleInstruments();
  // Recounts the checked rows into the status line and the export buttons. While exports trim
  // or fold samples, the sizes the exports would have follow on the line once measured.
  void UpdateStatus();
  // A click on the status line: when files of the drop the list shows were not imported whole,
  // a dialog of its own lists them with their reasons (as the status line's tip does).
  void ShowImportDetails();

  InstrumentListModel& model() { return model_; }
  QTableView& list() { return *list_; }
  InstrumentPanel& panel() { return *panel_; }
  // The copies live playing makes with the sound options; stopped before a drop replaces the
  // library.
  AnalysedCopy& analysedCopy() { return analysedCopy_; }
  // The control of that id (see ControlId); nullptr for an unknown id.
  QWidget* Control(int id) const;
  // The dialog's size at the template's dialog units for its font.
  QSize TemplateSize() const { return templateSize_; }

 signals:
  // After every status update.
  void StatusUpdated();
  // After an import or export has ended and its outcome was shown.
  void WorkFinished();
  // After SetAutoLoop or SetDetectRoot changed what exports do to the sound.
  void SoundOptionsChanged();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 public slots:
  void done(int result) override;

 private:
  struct Placed {
    QWidget* widget;
    QRect initial;  // at the template size
    ResizeRule rule;
  };

  void CreateControls();
  // False when no size is stored (the first start).
  bool RestoreSize();
  void PlaceControls();
  // At the first start: a share of the screen (FirstStartSize), at least the template's size.
  void SizeForFirstStart();
  // The list's columns; at the first start the window is first widened to show them.
  void SetUpColumns(bool sizeRestored);
  void WidenForColumns(const ColumnWidths& needed);
  // Sound-Name: what the list's width leaves beside the other columns, at least what it needs.
  void FitNameColumn();
  void Connect();
  void RowsChanged();
  void ShowExportFailure(const QString& detail);
  // The trim and mono commands of the menu; false for any other.
  bool ApplyFitCommand(int command);
  void ShowExportSize(std::uint64_t collectionBytes, std::uint64_t singleBytes);
  void SaveDatabase();
  void TellDatabaseProblemOnce();
  void StartWork(const char* title, WorkRunner::Work work, WorkRunner::Finished finished);
  void SetBusy(bool busy);
  void ShowProgress(const QString& text, int permille);
  void FinishImport(Library& imported, ImportReport report, bool cancelled);
  void ShowExportReport(const ExportReport& report);
  // Shows `text` on the status line as it is; `link`, when given, after it in the style of a
  // link, and then a click on the line opens the import's details.
  void SetStatus(const QString& text, const QString& link = {});
  // SetStatus once the updates already queued have run.
  void ShowNotice(const QString& text);

  WindowServices services_;
  std::unique_ptr<Prompts> ownPrompts_;
  Prompts* prompts_;
  InstrumentListModel model_;
  std::map<int, QWidget*> controls_;
  std::vector<Placed> placed_;
  QTableView* list_ = nullptr;
  QComboBox* midiSelector_ = nullptr;
  QComboBox* audioSelector_ = nullptr;
  OplEmuLed* indicator_ = nullptr;
  QPushButton* singleButton_ = nullptr;
  QPushButton* collectionButton_ = nullptr;
  QLabel* status_ = nullptr;
  InstrumentPanel* panel_ = nullptr;
  QLabel* hint_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  std::unique_ptr<PortSelection> ports_;
  QSize templateSize_;
  bool updatePending_ = false;
  bool statusLinked_ = false;  // the status line shows the link to the import's details
  QString databaseProblem_;
  bool databaseProblemTold_ = false;
  bool columnsDragged_ = false;
  int nameNeeded_ = 0;
  QStringList importWhenShown_;
  ImportReport importReport_;                // of the drop the list shows
  std::vector<CategoryChange> suggestions_;  // the last suggestion, into the library shown
  QString addFolder_;                        // where the last Add prompt was answered
  FileImporter importFile_;
  ImportSettings importSettings_;
  ExportOptions exportOptions_;
  WorkRunner runner_;
  QString countText_;          // the status line's count, as UpdateStatus set it
  bool showingCount_ = false;  // the status line shows it still
  // Last: they end before what they read goes.
  AnalysedCopy analysedCopy_;
  SizeEstimate sizeEstimate_;
};

}  // namespace tolvane
