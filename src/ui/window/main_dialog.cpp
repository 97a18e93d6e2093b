#include "ui/window/main_dialog.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <utility>

#include "analysis/crossfade.h"
#include "import/import_file.h"
#include "ui/settings/settings.h"
#include "ui/window/item_menu.h"
#include "ui/window/list_rules.h"
#include "ui/window/program_icon.h"
#include "ui/window/qt_prompts.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

QStringList LocalFiles(const QMimeData* mime) {
  QStringList files;
  if (mime == nullptr) return files;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile());
  return files;
}

}  // namespace

MainDialog::MainDialog(const WindowServices& services, Prompts* prompts)
    : QDialog(nullptr),
      services_(services),
      prompts_(prompts),
      importFile_([](Library& library, SoundDatabase& database, std::string_view path,
                     WorkProgress* progress, const ImportSettings& settings) {
        return ImportFile(library, database, path, progress, settings);
      }) {
  importSettings_.middleC = ReadSettingNumber(kMiddleCSetting, 3) == 4 ? MiddleC::C4 : MiddleC::C3;
  if (ReadSettingNumber(kSoundFontPresetsSetting, 0) == 1)
    importSettings_.soundFont = SoundFontMode::Presets;
  if (ReadSettingNumber(kSnapLoopsSetting, 0) == 1) exportOptions_.loops = LoopMending::kSnap;
  if (ReadSettingNumber(kNormalizeExportSetting, 0) == 1) {
    const std::uint32_t below = ReadSettingNumber(kNormalizeLevelSetting, 1);
    // A level out of range is taken as the lowest.
    exportOptions_.normalizeDbfs = -std::min<double>(below, -kLowestNormalizeDbfs);
  }
  if (ReadSettingNumber(kAutoLoopSetting, 0) == 1) {
    exportOptions_.sounds.autoLoopCrossfadeMs =
        std::min<double>(ReadSettingNumber(kAutoLoopCrossfadeSetting, 0), kLongestCrossfadeMs);
  }
  exportOptions_.sounds.detectRoot = ReadSettingNumber(kDetectRootSetting, 0) == 1;
  if (ReadSettingNumber(kTrimExportSetting, 0) == 1) {
    const std::uint32_t below = ReadSettingNumber(kTrimLevelSetting, 60);
    exportOptions_.trimDbfs = -std::clamp<double>(below, -kHighestTrimDbfs, -kLowestTrimDbfs);
  }
  const std::uint32_t mono = ReadSettingNumber(kMonoExportSetting, 0);
  if (mono == 1 || mono == 2) exportOptions_.mono = mono == 1 ? MonoFold::kSame : MonoFold::kAll;
  // A rate out of range keeps each sample's.
  if (const std::uint32_t rate = ReadSettingNumber(kRateExportSetting, 0);
      rate >= kLowestExportRate && rate <= kHighestExportRate)
    exportOptions_.rate = rate;
  if (prompts_ == nullptr) {
    ownPrompts_ = std::make_unique<QtPrompts>(this);
    prompts_ = ownPrompts_.get();
  }
  setWindowTitle(QString::fromLatin1(texts::kDialogTitle));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(ProgramIcon());
  CreateControls();
  // The template's combo boxes are the two port selectors.
  ports_ = std::make_unique<PortSelection>(static_cast<PortSelector&>(*midiSelector_),
                                           static_cast<PortSelector&>(*audioSelector_),
                                           services_.midi, services_.audio, *indicator_);
  SetUpColumns(RestoreSize());
  setAcceptDrops(true);
  ports_->RestorePorts();
  model_.SetSortKey(kInitialSortKey);
  Connect();
  list_->setFocus();
  SetStatus(QString::fromLatin1(texts::kStartStatus));
}

MainDialog::~MainDialog() = default;

QWidget* MainDialog::Control(int id) const {
  const auto found = controls_.find(id);
  return found != controls_.end() ? found->second : nullptr;
}

bool MainDialog::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  if (event->type() == QEvent::Paint && !importWhenShown_.isEmpty()) {
    // Queued behind the paint, so that the window is on the screen first.
    QMetaObject::invokeMethod(
        this, [this, paths = std::exchange(importWhenShown_, {})] { ImportDrop(paths); },
        Qt::QueuedConnection);
  }
  return handled;
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::Resize) FitNameColumn();
  if (watched == status_ && statusLinked_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    ShowImportDetails();
  return QDialog::eventFilter(watched, event);
}

void MainDialog::ImportWhenShown(const QStringList& paths) {
  importWhenShown_ = paths;
  if (isVisible()) update();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  // The first Escape during work stops the work; the next one ends the program as ever.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && runner_.Busy() &&
      !runner_.Cancelling()) {
    CancelWork();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainDialog::Connect() {
  connect(static_cast<QPushButton*>(Control(kAllId)), &QPushButton::clicked, this,
          [this] { CheckAll(true); });
  connect(static_cast<QPushButton*>(Control(kNoneId)), &QPushButton::clicked, this,
          [this] { CheckAll(false); });
  connect(singleButton_, &QPushButton::clicked, this, [this] { ExportSingleInstruments(); });
  connect(collectionButton_, &QPushButton::clicked, this, [this] { ExportCollection(); });
  connect(midiSelector_, &QComboBox::activated, this,
          [this](int entry) { ports_->ChooseMidiPort(entry); });
  connect(audioSelector_, &QComboBox::activated, this,
          [this](int entry) { ports_->ChooseAudioPort(entry); });
  connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { model_.ClickColumn(column); });
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { ShowItemMenu(position); });
  connect(&model_, &QAbstractItemModel::dataChanged, this, [this] { RowsChanged(); });
  // The panel shows the current row; a drop clears the library its instrument lives in.
  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            panel_->SetInstrument(model_.InstrumentAt(current.row()));
          });
  connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this,
          [this] { panel_->SetInstrument(nullptr); });
  connect(static_cast<QPushButton*>(Control(kAddFilesId)), &QPushButton::clicked, this,
          [this] { AddFiles(); });
  connect(static_cast<QPushButton*>(Control(kAddFolderId)), &QPushButton::clicked, this,
          [this] { AddFolder(); });
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this,
          [this] { AddFiles(); });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this),
          &QShortcut::activated, this, [this] { AddFolder(); });
  status_->installEventFilter(this);
  connect(&runner_, &WorkRunner::Progressed, this,
          [this](const QString& text, int permille) { ShowProgress(text, permille); });
  connect(&sizeEstimate_, &SizeEstimate::Measured, this,
          [this](quint64 collection, quint64 single) { ShowExportSize(collection, single); });
}

void MainDialog::RowsChanged() {
  // One status update per burst of row changes: it walks every row, so it never runs per row.
  if (updatePending_) return;
  updatePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        updatePending_ = false;
        UpdateStatus();
      },
      Qt::QueuedConnection);
}

void MainDialog::UpdateStatus() {
  // Work may be writing the groups' export marks; the count waits for its end.
  if (runner_.Busy()) return;
  const std::vector<const Instrument*> checked = model_.CheckedInstruments();
  const CheckedSummary summary = SummarizeChecked(services_.library, checked);
  singleButton_->setEnabled(summary.instruments > 0);
  collectionButton_->setEnabled(summary.instruments > 0 && summary.groups > 1);
  countText_ = QString::fromStdString(StatusText(summary, services_.library.instruments.size()));
  SetStatus(countText_, importReport_.Summary());
  showingCount_ = true;
  if (summary.instruments > 0 && exportOptions_.fitting().any())
    sizeEstimate_.Request(checked, exportOptions_);
  status_->setToolTip(importReport_.Details());
  emit StatusUpdated();
}

void MainDialog::ShowExportSize(std::uint64_t collectionBytes, std::uint64_t singleBytes) {
  // A measurement that ends after the line moved on, or the options were turned off, is not told.
  if (!showingCount_ || !exportOptions_.fitting().any()) return;
  SetStatus(QString::fromLatin1(texts::kExportSizeStatus)
                .arg(countText_, QString::fromStdString(SizeText(collectionBytes)),
                     QString::fromStdString(SizeText(singleBytes))),
            importReport_.Summary());
  showingCount_ = true;
}

void MainDialog::SetStatus(const QString& text, const QString& link) {
  showingCount_ = false;
  statusLinked_ = !link.isEmpty();
  if (!statusLinked_) {
    status_->setTextFormat(Qt::PlainText);
    status_->setText(text);
    status_->unsetCursor();
    return;
  }
  // The count of files not imported whole opens their list: drawn as a link, with the hand.
  status_->setTextFormat(Qt::RichText);
  status_->setText(QString::fromLatin1(texts::kStatusLinkFormat)
                       .arg(text.toHtmlEscaped(), link.toHtmlEscaped()));
  status_->setCursor(Qt::PointingHandCursor);
}

void MainDialog::CheckAll(bool checked) {
  model_.SetAllChecked(checked);
}

void MainDialog::ShowItemMenu(const QPoint& viewportPosition) {
  const QModelIndex hit = list_->indexAt(viewportPosition);
  QMenu menu(this);
  if (hit.isValid()) {
    BuildItemMenu(menu, CanUndoSuggestions());
    menu.addSeparator();
  }
  AddMiddleCMenu(menu, importSettings_.middleC == MiddleC::C4);
  AddSoundFontPresetsItem(menu, soundFontPresets());
  AddSnapLoopsItem(menu, snapLoops());
  AddNormalizeMenu(menu, exportOptions_.normalizeDbfs);
  AddAutoLoopMenu(menu, autoLoop());
  AddDetectRootItem(menu, detectRoot());
  AddFitMenus(menu, exportOptions_.fitting());
  const int command =
      prompts_->ChooseFromMenu(menu, list_->viewport()->mapToGlobal(viewportPosition));
  ApplyItemCommand(command, hit.row());
}

void MainDialog::ApplyItemCommand(int command, int clickedRow) {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) rows.push_back(clickedRow);

  if (command == kMiddleC3Command || command == kMiddleC4Command) {
    SetMiddleC(command == kMiddleC4Command ? MiddleC::C4 : MiddleC::C3);
    return;
  }
  if (command == kSoundFontPresetsCommand) {
    SetSoundFontPresets(!soundFontPresets());
    return;
  }
  if (command == kSnapLoopsCommand) {
    SetSnapLoops(!snapLoops());
    return;
  }
  if (command == kDetectRootCommand) {
    SetDetectRoot(!detectRoot());
    return;
  }
  if (command == kAutoLoopOffCommand) {
    SetAutoLoop(std::nullopt);
    return;
  }
  if (const int ms = command - kAutoLoopCommand;
      std::find(std::begin(kAutoLoopCrossfades), std::end(kAutoLoopCrossfades), ms) !=
      std::end(kAutoLoopCrossfades)) {
    SetAutoLoop(ms);
    return;
  }
  if (command == kNormalizeOffCommand) {
    SetNormalize(std::nullopt);
    return;
  }
  if (const int below = command - kNormalizeCommand;
      std::find(std::begin(kNormalizeLevels), std::end(kNormalizeLevels), below) !=
      std::end(kNormalizeLevels)) {
    SetNormalize(-below);
    return;
  }
  if (command == kSuggestCategoriesCommand) {
    SuggestCategories();
    return;
  }
  if (command == kUndoSuggestionsCommand) {
    UndoSuggestedCategories();
    return;
  }
  if (ApplyFitCommand(command)) return;
  if (clickedRow < 0) return;
  if (command == kCheckCommand || command == kUncheckCommand) {
    for (const int row : rows) model_.SetChecked(row, command == kCheckCommand);
    return;
  }
  if (command < kLowestCategoryCommand) return;
  TellDatabaseProblemOnce();
  // The size estimate copies the instruments it measures; the analysed copy reads no category.
  sizeEstimate_.Stop();
  bool changed = false;
  for (const int row : rows) {
    if (Instrument* instrument = model_.InstrumentAt(row)) {
      SetInstrumentCategory(*instrument, static_cast<std::uint32_t>(command));
      model_.RowChanged(row);
      changed = true;
    }
  }
  // Saved at once, so that a crash or a logout does not lose the choice.
  if (changed) SaveDatabase();
}

void MainDialog::SaveDatabase() {
  if (!services_.databasePath.empty())
    static_cast<void>(SaveSoundDatabase(services_.database, services_.databasePath));
}

void MainDialog::TellDatabaseProblemOnce() {
  if (databaseProblem_.isEmpty() || databaseProblemTold_) return;
  databaseProblemTold_ = true;
  prompts_->ShowMessage(QString::fromLatin1(texts::kDatabaseCaption), databaseProblem_, {});
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (!runner_.Busy() && !LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainDialog::dragMoveEvent(QDragMoveEvent* event) {
  if (!runner_.Busy() && !LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty() || runner_.Busy()) return;
  event->acceptProposedAction();
  // Imported from the event loop, so that the drag source is answered at once.
  QMetaObject::invokeMethod(
      this, [this, files] { ImportDrop(files); }, Qt::QueuedConnection);
}

void MainDialog::done(int result) {
  // Work still running is cancelled and waited for: an import's library goes with it, an
  // export leaves no file.
  if (runner_.Busy()) {
    runner_.Abandon();
    SetBusy(false);
  }
  if (columnsDragged_) {
    ColumnWidths widths{};
    for (std::size_t column = 0; column < kColumnCount; ++column)
      widths[column] = list_->horizontalHeader()->sectionSize(static_cast<int>(column));
    WriteSettingText(kSoundListWidthsSetting, FormatColumnWidths(widths));
  }
  WriteSettingNumber(kWindowWidthSetting, static_cast<std::uint32_t>(width()));
  WriteSettingNumber(kWindowHeightSetting, static_cast<std::uint32_t>(height()));
  QDialog::done(result);
}

}  // namespace tolvane
