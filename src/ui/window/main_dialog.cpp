#include "ui/window/main_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "devices/indicator/dialog_units.h"
#include "devices/indicator/opl_emu_led.h"
#include "import/import_file.h"
#include "library/instrument_texts.h"
#include "ui/settings/settings.h"
#include "ui/window/export_prompts.h"
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

// What each column needs to show its title and typical values unclipped ("120 (118M2S)",
// "141.20MB"), with the margins the header and the cells keep on both sides.
ColumnWidths NeededColumnWidths(const QTableView& list) {
  constexpr std::array<const char*, kColumnCount> kTypical = {
      "", "", "99", "120 (118M2S)", "141.20MB", "[FFFFFFFF]"};
  const QHeaderView& header = *list.horizontalHeader();
  const int titleMargin = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
  const int cellMargin = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
  ColumnWidths needed{};
  for (std::size_t column = 0; column < kColumnCount; ++column) {
    const int title =
        header.fontMetrics().horizontalAdvance(QString::fromLatin1(texts::kColumnTitles[column]));
    const int value = list.fontMetrics().horizontalAdvance(QString::fromLatin1(kTypical[column]));
    needed[column] = std::max(title + titleMargin, value + cellMargin);
  }
  return needed;
}

int SettingToPixels(std::uint32_t value) {
  return static_cast<int>(std::min<std::uint32_t>(value, QWIDGETSIZE_MAX));
}

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
  const QString text = control.text != nullptr ? QString::fromLatin1(control.text) : QString();
  switch (control.kind) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kComboBox:
      return new PortSelector(parent);
    case ControlKind::kIndicator:
      return new OplEmuLed(parent);
    case ControlKind::kList: {
      auto* list = new QTableView(parent);
      list->setAccessibleName(text);
      return list;
    }
    case ControlKind::kGroupBox:
      return new QGroupBox(text, parent);
    case ControlKind::kButton: {
      auto* button = new QPushButton(text, parent);
      // Enter presses nothing: no button may become the dialog's default.
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::kSeparator: {
      auto* line = new QFrame(parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
  }
  return nullptr;
}

// The template's widths were made for a narrower font than most; a text that would be clipped at
// the dialog font gets a slightly smaller font instead, so that the layout stays as designed.
void FitText(QWidget* widget, ControlKind kind, const QString& text, int width) {
  if (text.isEmpty() || (kind != ControlKind::kLabel && kind != ControlKind::kButton)) return;
  int room = width;
  if (kind == ControlKind::kButton)
    room -= 2 * (widget->style()->pixelMetric(QStyle::PM_ButtonMargin) +
                 widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
  QFont font = widget->font();
  for (int step = 0; step < 6 && widget->fontMetrics().horizontalAdvance(text) > room; ++step) {
    font.setPointSizeF(font.pointSizeF() * 0.94);
    widget->setFont(font);
  }
}

}  // namespace

MainDialog::MainDialog(const WindowServices& services, Prompts* prompts)
    : QDialog(nullptr),
      services_(services),
      prompts_(prompts),
      importFile_(
          [](Library& library, SoundDatabase& database, std::string_view path,
             WorkProgress* progress) { return ImportFile(library, database, path, progress); }) {
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
  RestoreSize();
  SetUpColumns();
  setAcceptDrops(true);
  ports_->RestorePorts();
  model_.SetSortKey(kInitialSortKey);
  Connect();
  list_->setFocus();
  status_->setText(QString::fromLatin1(texts::kStartStatus));
}

MainDialog::~MainDialog() = default;

QWidget* MainDialog::Control(int id) const {
  const auto found = controls_.find(id);
  return found != controls_.end() ? found->second : nullptr;
}

void MainDialog::CreateControls() {
  const DialogUnits units(font());
  templateSize_ = units.Size(kDialogWidthUnits, kDialogHeightUnits);
  QWidget* previous = nullptr;
  for (const ControlTemplate& control : DialogControls()) {
    QWidget* widget = CreateControl(control, this);
    QRect rect = units.Rect(control.x, control.y, control.width, control.height);
    // A combo box's template height is that of its list; the box itself is one line high.
    if (control.kind == ControlKind::kComboBox) rect.setHeight(widget->sizeHint().height());
    widget->setGeometry(rect);
    if (control.text != nullptr)
      FitText(widget, control.kind, QString::fromLatin1(control.text), rect.width());
    placed_.push_back({widget, rect, control.rule});
    if (control.id != kNoId) controls_[control.id] = widget;
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
      if (previous != nullptr) setTabOrder(previous, widget);
      previous = widget;
    }
  }
  list_ = static_cast<QTableView*>(Control(kListId));
  midiSelector_ = static_cast<QComboBox*>(Control(kMidiSelectorId));
  audioSelector_ = static_cast<QComboBox*>(Control(kAudioSelectorId));
  indicator_ = static_cast<OplEmuLed*>(Control(kIndicatorId));
  singleButton_ = static_cast<QPushButton*>(Control(kSingleId));
  collectionButton_ = static_cast<QPushButton*>(Control(kCollectionId));
  status_ = static_cast<QLabel*>(Control(kStatusId));
  hint_ = static_cast<QLabel*>(Control(kHintId));
  // The progress of work takes the hint's place while it runs.
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, 1000);
  progressBar_->setFormat(QStringLiteral("%p% - ") + QString::fromLatin1(texts::kCancelHint));
  progressBar_->setGeometry(hint_->geometry());
  progressBar_->hide();
  // The two export buttons side by side read as a pair only at one font size.
  if (singleButton_->font().pointSizeF() < collectionButton_->font().pointSizeF())
    collectionButton_->setFont(singleButton_->font());
  else
    singleButton_->setFont(collectionButton_->font());
  singleButton_->setEnabled(false);
  collectionButton_->setEnabled(false);
  setMinimumSize(templateSize_);
  resize(templateSize_);
}

void MainDialog::RestoreSize() {
  // The settings hold the inner size, the one the window itself is given: a window manager's
  // frame arrives when it likes (or never) and may change, so an outer size could only be
  // turned back into this one by guessing the frame, and a wrong guess grows the window at
  // every start.
  const std::uint32_t width = ReadSettingNumber(kWindowWidthSetting, 0);
  const std::uint32_t height = ReadSettingNumber(kWindowHeightSetting, 0);
  if (width == 0 || height == 0) return;
  resize(SettingToPixels(width), SettingToPixels(height));
  // A hidden window gets its resize event only when shown; the list must have its size now.
  PlaceControls();
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

void MainDialog::resizeEvent(QResizeEvent* /*event*/) {
  PlaceControls();
}

void MainDialog::PlaceControls() {
  const int dW = width() - templateSize_.width();
  const int dH = height() - templateSize_.height();
  for (const Placed& control : placed_)
    control.widget->setGeometry(PlaceControl(control.initial, control.rule, dW, dH));
  if (progressBar_ != nullptr) progressBar_->setGeometry(hint_->geometry());
}

void MainDialog::SetUpColumns() {
  list_->setModel(&model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(false);
  list_->setWordWrap(false);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->setAcceptDrops(false);
  list_->viewport()->setAcceptDrops(false);
  list_->verticalHeader()->hide();
  // Rows as high as a line of text with its check box, all alike, so that no row is measured.
  const int checkBox = list_->style()->pixelMetric(QStyle::PM_IndicatorHeight);
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(std::max(list_->fontMetrics().height(), checkBox) +
                                                 4);
  QHeaderView* header = list_->horizontalHeader();
  header->setSortIndicatorShown(false);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  ColumnWidths widths =
      FittedColumnWidths(list_->width() - 2 * list_->frameWidth(), NeededColumnWidths(*list_));
  std::string stored;
  ReadSettingText(kSoundListWidthsSetting, stored, kSoundListWidthsCapacity, std::nullopt);
  ApplyColumnWidths(stored, widths);
  for (std::size_t column = 0; column < kColumnCount; ++column)
    header->resizeSection(static_cast<int>(column), widths[column]);
  // Sound-Name takes what the window gives beyond the other columns; a width the user drags is
  // kept for the next start.
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    if (column != 0) columnsDragged_ = true;
  });
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
  connect(&runner_, &WorkRunner::Progressed, this,
          [this](const QString& text, int permille) { ShowProgress(text, permille); });
}

void MainDialog::ShowProgress(const QString& text, int permille) {
  status_->setText(text);
  progressBar_->setValue(permille);
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
  status_->setText(
      QString::fromStdString(StatusText(summary, services_.library.instruments.size())) +
      importReport_.StatusSuffix());
  status_->setToolTip(importReport_.Details());
  emit StatusUpdated();
}

namespace {

// What a drop's work builds apart from what the window shows.
struct DropWork {
  Library library;
  ImportReport report;
};

}  // namespace

void MainDialog::ImportDrop(const QStringList& paths) {
  if (runner_.Busy()) return;
  std::vector<std::pair<std::string, std::string>> files;  // path, name shown
  for (const QString& path : paths)
    files.emplace_back(QFile::encodeName(path).toStdString(),
                       QFileInfo(path).fileName().toStdString());
  auto drop = std::make_shared<DropWork>();
  StartWork(
      texts::kImportingTitle,
      [drop, files = std::move(files), &database = services_.database,
       importFile = importFile_](RunnerProgress& progress) {
        for (std::size_t i = 0; i < files.size() && !progress.Cancelled(); ++i) {
          progress.SetItem(files[i].second, i, files.size());
          const std::size_t before = drop->library.instruments.size();
          const ImportOutcome outcome =
              importFile(drop->library, database, files[i].first, &progress);
          drop->report.Add(files[i].first, outcome, drop->library.instruments.size() - before);
        }
      },
      [this, drop](bool cancelled) {
        FinishImport(drop->library, std::move(drop->report), cancelled);
      });
}

void MainDialog::FinishImport(Library& imported, ImportReport report, bool cancelled) {
  if (cancelled) {
    // What was imported goes with the work; the list keeps the library it shows.
    UpdateStatus();
    status_->setText(QString::fromLatin1(texts::kImportCancelledStatus));
    return;
  }
  model_.Clear();  // its rows point into the library
  ClearLibrary(services_.library);
  services_.library.sources = std::move(imported.sources);
  services_.library.instruments = std::move(imported.instruments);
  importReport_ = std::move(report);
  model_.Fill(services_.library);
  if (model_.rowCount() > 0)
    list_->selectionModel()->setCurrentIndex(
        model_.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  UpdateStatus();
}

void MainDialog::StartWork(const char* title, WorkRunner::Work work,
                           WorkRunner::Finished finished) {
  SetBusy(true);
  runner_.Start(QString::fromLatin1(title), std::move(work),
                [this, finished = std::move(finished)](bool cancelled) {
                  SetBusy(false);
                  finished(cancelled);
                  emit WorkFinished();
                });
}

void MainDialog::SetBusy(bool busy) {
  // No input made during the work may act on what comes after it.
  for (QWidget* control : {Control(kListId), Control(kAllId), Control(kNoneId)})
    control->setEnabled(!busy);
  if (busy) {
    singleButton_->setEnabled(false);
    collectionButton_->setEnabled(false);
    progressBar_->setValue(0);
  } else {
    UpdateStatus();
  }
  progressBar_->setVisible(busy);
  hint_->setVisible(!busy);
  if (busy) {
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
  } else {
    QApplication::restoreOverrideCursor();
    list_->setFocus();
  }
}

void MainDialog::CancelWork() {
  runner_.Cancel();
  if (runner_.Busy()) status_->setText(QString::fromLatin1(texts::kCancellingStatus));
}

void MainDialog::CheckAll(bool checked) {
  model_.SetAllChecked(checked);
}

void MainDialog::ShowItemMenu(const QPoint& viewportPosition) {
  const QModelIndex hit = list_->indexAt(viewportPosition);
  if (!hit.isValid()) return;
  QMenu menu(this);
  BuildItemMenu(menu);
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

  if (command == kCheckCommand || command == kUncheckCommand) {
    for (const int row : rows) model_.SetChecked(row, command == kCheckCommand);
    return;
  }
  if (command < kLowestCategoryCommand) return;
  TellDatabaseProblemOnce();
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

bool MainDialog::ExportCollection() {
  if (runner_.Busy()) return false;
  std::vector<const Instrument*> checked = model_.CheckedInstruments();
  const std::optional<QString> file = AskCollectionFile(*prompts_);
  if (!file) return false;
  auto result = std::make_shared<ExportResult>();
  StartWork(
      texts::kExportingTitle,
      [result, checked = std::move(checked), path = PathOf(*file),
       name = QFileInfo(*file).fileName().toStdString()](RunnerProgress& progress) {
        progress.SetItem(name, 0, 1);
        *result = tolvane::ExportCollection(checked, path, &progress);
      },
      [this, result, file = *file](bool /*cancelled*/) {
        ShowExportReport(ReportCollectionExport(*result, file));
      });
  return true;
}

bool MainDialog::ExportSingleInstruments() {
  if (runner_.Busy()) return false;
  std::vector<const Instrument*> checked = model_.CheckedInstruments();
  if (checked.empty()) {
    ShowExportFailure(QString::fromLatin1(texts::kNothingCheckedReason));
    return false;
  }
  const std::optional<QString> folder = AskExportFolder(*prompts_);
  if (!folder) return false;
  auto result = std::make_shared<SingleExportResult>();
  StartWork(
      texts::kExportingTitle,
      [result, checked = std::move(checked), path = PathOf(*folder),
       &library = services_.library](RunnerProgress& progress) {
        *result = tolvane::ExportSingleInstruments(library, checked, path, &progress);
      },
      [this, result, folder = *folder](bool /*cancelled*/) {
        ShowExportReport(ReportSingleExport(*result, folder));
      });
  return true;
}

void MainDialog::ShowExportReport(const ExportReport& report) {
  if (!report.status.isEmpty()) status_->setText(report.status);
  if (!report.message.isEmpty())
    prompts_->ShowMessage(QString::fromLatin1(texts::kExportFailedCaption), report.message,
                          report.detail);
}

void MainDialog::ShowExportFailure(const QString& detail) {
  prompts_->ShowMessage(QString::fromLatin1(texts::kExportFailedCaption),
                        QString::fromLatin1(texts::kExportFailedText), detail);
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
