#include "ui/window/main_dialog.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <algorithm>

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
#include "ui/window/wait_cursor.h"
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
    : QDialog(nullptr), services_(services), prompts_(prompts) {
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
  singleButton_->setEnabled(false);
  collectionButton_->setEnabled(false);
  setMinimumSize(templateSize_);
  resize(templateSize_);
}

void MainDialog::RestoreSize() {
  // With its native window the dialog knows its frame, where the window system tells it early.
  create();
  const std::uint32_t width = ReadSettingNumber(kWindowWidthSetting, 0);
  const std::uint32_t height = ReadSettingNumber(kWindowHeightSetting, 0);
  if (width == 0 || height == 0) return;
  savedOuterSize_ = QSize(SettingToPixels(width), SettingToPixels(height));
  FitSavedSize();
}

void MainDialog::FitSavedSize() {
  // The settings hold the outer size; the frame's share is known only once the window system
  // has framed the window, so the size is fitted again when that share changes.
  fittedFrameExtra_ = frameGeometry().size() - size();
  resize(savedOuterSize_ - fittedFrameExtra_);
  // A hidden window gets its resize event only when shown; the list must have its size now.
  PlaceControls();
}

bool MainDialog::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  const QEvent::Type type = event->type();
  if (savedOuterSize_.isValid() &&
      (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
      frameGeometry().size() - size() != fittedFrameExtra_)
    FitSavedSize();
  return handled;
}

void MainDialog::resizeEvent(QResizeEvent* /*event*/) {
  PlaceControls();
}

void MainDialog::PlaceControls() {
  const int dW = width() - templateSize_.width();
  const int dH = height() - templateSize_.height();
  for (const Placed& control : placed_)
    control.widget->setGeometry(PlaceControl(control.initial, control.rule, dW, dH));
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

  ColumnWidths widths = DefaultColumnWidths(list_->width() - 2 * list_->frameWidth());
  std::string stored;
  ReadSettingText(kSoundListWidthsSetting, stored, kSoundListWidthsCapacity, std::nullopt);
  ApplyColumnWidths(stored, widths);
  for (std::size_t column = 0; column < kColumnCount; ++column)
    header->resizeSection(static_cast<int>(column), widths[column]);
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
  const std::vector<const Instrument*> checked = model_.CheckedInstruments();
  const CheckedSummary summary = SummarizeChecked(services_.library, checked);
  singleButton_->setEnabled(summary.instruments > 0);
  collectionButton_->setEnabled(summary.instruments > 0 && summary.groups > 1);
  status_->setText(
      QString::fromStdString(StatusText(summary, services_.library.instruments.size())));
  emit StatusUpdated();
}

void MainDialog::ImportDrop(const QStringList& paths) {
  const WaitCursor busy;
  model_.Clear();  // its rows point into the library
  ClearLibrary(services_.library);
  for (const QString& path : paths) {
    // The window is silent about files it cannot take.
    static_cast<void>(
        ImportFile(services_.library, services_.database, QFile::encodeName(path).toStdString()));
  }
  model_.Fill(services_.library);
  if (model_.rowCount() > 0)
    list_->selectionModel()->setCurrentIndex(
        model_.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  UpdateStatus();
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
  const std::vector<const Instrument*> checked = model_.CheckedInstruments();
  const ExportOutcome outcome = RunCollectionExport(checked, *prompts_);
  if (!outcome.ok) ShowExportFailure(outcome.detail);
  return outcome.ok;
}

bool MainDialog::ExportSingleInstruments() {
  const std::vector<const Instrument*> checked = model_.CheckedInstruments();
  const ExportOutcome outcome = RunSingleExport(services_.library, checked, *prompts_);
  if (!outcome.ok) ShowExportFailure(outcome.detail);
  return outcome.ok;
}

void MainDialog::ShowExportFailure(const std::string& detail) {
  prompts_->ShowMessage(QString::fromLatin1(texts::kExportFailedCaption),
                        QString::fromLatin1(texts::kExportFailedText),
                        QString::fromStdString(detail));
}

void MainDialog::SaveDatabase() {
  if (!services_.databasePath.empty())
    static_cast<void>(SaveSoundDatabase(services_.database, services_.databasePath));
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainDialog::dragMoveEvent(QDragMoveEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  ImportDrop(files);
}

void MainDialog::done(int result) {
  const QSize outer = frameGeometry().size();
  WriteSettingNumber(kWindowWidthSetting, static_cast<std::uint32_t>(outer.width()));
  WriteSettingNumber(kWindowHeightSetting, static_cast<std::uint32_t>(outer.height()));
  QDialog::done(result);
}

}  // namespace tolvane
