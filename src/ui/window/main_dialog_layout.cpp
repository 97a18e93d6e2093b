// The dialog's controls as the template places them, their layout as the window grows, and
// the list's columns.

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <array>
#include <optional>

#include "devices/indicator/dialog_units.h"
#include "devices/indicator/opl_emu_led.h"
#include "library/instrument_texts.h"
#include "ui/settings/settings.h"
#include "ui/window/column_measure.h"
#include "ui/window/list_rules.h"
#include "ui/window/main_dialog.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

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
  // Its link is only drawn: a click anywhere on the line is the dialog's (eventFilter).
  status_->setTextInteractionFlags(Qt::NoTextInteraction);
  hint_ = static_cast<QLabel*>(Control(kHintId));
  // The progress of work takes the hint's place while it runs.
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, 1000);
  progressBar_->setFormat(QStringLiteral("%p% - ") + QString::fromLatin1(texts::kCancelHint));
  progressBar_->setGeometry(hint_->geometry());
  progressBar_->hide();
  panel_ = new InstrumentPanel(this);
  panel_->hide();
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

bool MainDialog::RestoreSize() {
  // The settings hold the inner size, the one the window itself is given: a window manager's
  // frame arrives when it likes (or never) and may change, so an outer size could only be
  // turned back into this one by guessing the frame, and a wrong guess grows the window at
  // every start.
  const std::uint32_t width = ReadSettingNumber(kWindowWidthSetting, 0);
  const std::uint32_t height = ReadSettingNumber(kWindowHeightSetting, 0);
  if (width == 0 || height == 0) return false;
  resize(SettingToPixels(width), SettingToPixels(height));
  // A hidden window gets its resize event only when shown; the list must have its size now.
  PlaceControls();
  return true;
}

void MainDialog::SizeForFirstStart() {
  const QScreen* shownOn = screen();
  if (shownOn == nullptr) return;
  // Four fifths of each side, about two thirds of the screen's area: many rows in view, and
  // the desktop still around the window.
  resize(FirstStartSize(shownOn->availableGeometry().size()).expandedTo(minimumSize()));
  PlaceControls();
}

void MainDialog::WidenForColumns(const ColumnWidths& needed) {
  // Room for every column's widest value and a name of this many characters.
  constexpr int kNameCharacters = 25;
  // The window manager's frame is not known before the window is shown; this leaves room for
  // one of usual width.
  constexpr int kFrameAllowance = 16;
  int listWidth = NameColumnWidth(*list_, kNameCharacters) + 2 * list_->frameWidth() +
                  list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
  for (std::size_t column = 1; column < kColumnCount; ++column) listWidth += needed[column];
  const int wanted = width() + listWidth - list_->width();
  const QScreen* shownOn = screen();
  const int room =
      shownOn != nullptr ? shownOn->availableGeometry().width() - kFrameAllowance : wanted;
  const int newWidth = std::max(minimumWidth(), std::min(wanted, room));
  if (newWidth <= width()) return;
  resize(newWidth, height());
  PlaceControls();
}

void MainDialog::resizeEvent(QResizeEvent* /*event*/) {
  PlaceControls();
}

void MainDialog::PlaceControls() {
  const int dW = width() - templateSize_.width();
  const int dH = height() - templateSize_.height();
  for (const Placed& control : placed_)
    control.widget->setGeometry(PlaceControl(control.initial, control.rule, dW, dH));
  // The panel takes the lower part of what the list grew by.
  if (panel_ != nullptr && list_ != nullptr) {
    const int panelHeight = PanelHeight(dH);
    panel_->setVisible(panelHeight > 0);
    if (panelHeight > 0) {
      QRect list = list_->geometry();
      list.setHeight(list.height() - panelHeight);
      list_->setGeometry(list);
      panel_->setGeometry(list.left(), list.bottom() + 1 + 4, list.width(), panelHeight - 4);
    }
  }
  if (progressBar_ != nullptr) progressBar_->setGeometry(hint_->geometry());
}

void MainDialog::SetUpColumns(bool sizeRestored) {
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

  const ColumnWidths needed = NeededColumnWidths(*list_);
  if (!sizeRestored) {
    SizeForFirstStart();
    WidenForColumns(needed);
  }
  ColumnWidths widths = FittedColumnWidths(list_->width() - 2 * list_->frameWidth(), needed);
  std::string stored;
  ReadSettingText(kSoundListWidthsSetting, stored, kSoundListWidthsCapacity, std::nullopt);
  ApplyColumnWidths(stored, widths);
  for (std::size_t column = 0; column < kColumnCount; ++column)
    header->resizeSection(static_cast<int>(column), widths[column]);
  // Sound-Name takes what the window gives beyond the other columns, fitted here rather than
  // stretched by the header, which would squeeze it below its title in a narrow window. A width
  // the user drags is kept for the next start.
  nameNeeded_ = needed[0];
  header->setSectionResizeMode(0, QHeaderView::Fixed);
  FitNameColumn();
  list_->viewport()->installEventFilter(this);
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    if (column == 0) return;
    columnsDragged_ = true;
    FitNameColumn();
  });
}

void MainDialog::FitNameColumn() {
  QHeaderView* header = list_->horizontalHeader();
  int others = 0;
  for (int column = 1; column < static_cast<int>(kColumnCount); ++column)
    others += header->sectionSize(column);
  // A hidden list's viewport gets its size only when shown.
  const int client =
      list_->isVisible() ? list_->viewport()->width() : list_->maximumViewportSize().width();
  const int width = std::max(nameNeeded_, client - others);
  if (header->sectionSize(0) != width) header->resizeSection(0, width);
}

}  // namespace tolvane
