#pragma once
// The program's one window: the dialog "Tolvane Sound Converter" with the instrument list, the
// export buttons, the port selectors and the status line. Files dropped on it replace the list;
// Escape and the close box end it; Enter does nothing.
//
// Each slot is one call of a named operation below, which tests call as well.

#include <QDialog>
#include <QSize>
#include <QStringList>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "database/sound_database.h"
#include "devices/port_device.h"
#include "library/library.h"
#include "ui/window/dialog_template.h"
#include "ui/window/instrument_list_model.h"
#include "ui/window/port_selection.h"
#include "ui/window/prompts.h"

class QComboBox;
class QLabel;
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

class MainDialog : public QDialog {
  Q_OBJECT

 public:
  // `prompts` answers every question the window asks; without one the window shows Qt's dialogs.
  explicit MainDialog(const WindowServices& services, Prompts* prompts = nullptr);
  ~MainDialog() override;

  // One drop: the library is cleared, each file imported in order (what no importer takes adds
  // nothing, silently), the list refilled with every row checked and sorted, its first row
  // selected, and the status line updated.
  void ImportDrop(const QStringList& paths);
  // "All" and "None".
  void CheckAll(bool checked);
  // A command of the right-click menu on the selected rows, or on `clickedRow` when none is
  // selected. A category is given to every such instrument and saved in the sound database.
  void ApplyItemCommand(int command, int clickedRow);
  // The right-click at a position of the list's viewport: the menu, but only on a row.
  void ShowItemMenu(const QPoint& viewportPosition);
  // The export buttons; false (after the error message) when nothing was written.
  bool ExportCollection();
  bool ExportSingleInstruments();
  // Recounts the checked rows into the status line and the export buttons.
  void UpdateStatus();

  InstrumentListModel& model() { return model_; }
  QTableView& list() { return *list_; }
  // The control of that id (see ControlId); nullptr for an unknown id.
  QWidget* Control(int id) const;
  // The dialog's size at the template's dialog units for its font.
  QSize TemplateSize() const { return templateSize_; }

 signals:
  // After every status update.
  void StatusUpdated();

 protected:
  bool event(QEvent* event) override;
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
  void RestoreSize();
  void FitSavedSize();
  void PlaceControls();
  void SetUpColumns();
  void Connect();
  void RowsChanged();
  void ShowExportFailure(const std::string& detail);
  void SaveDatabase();

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
  std::unique_ptr<PortSelection> ports_;
  QSize templateSize_;
  // The outer size restored from the settings, fitted again once the frame's size is known.
  QSize savedOuterSize_;
  QSize fittedFrameExtra_;
  bool updatePending_ = false;
};

}  // namespace tolvane
