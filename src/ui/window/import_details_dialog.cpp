#include "ui/window/import_details_dialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/window/window_texts.h"

namespace tolvane {

ImportDetailsDialog::ImportDetailsDialog(const QString& details, const QString& title,
                                         QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit(details, this)) {
  setWindowTitle(title);
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* copy =
      buttons->addButton(QString::fromLatin1(texts::kCopyButton), QDialogButtonBox::ActionRole);
  QPushButton* close =
      buttons->addButton(QString::fromLatin1(texts::kCloseButton), QDialogButtonBox::RejectRole);
  for (QPushButton* button : {copy, close}) button->setAutoDefault(false);
  connect(copy, &QPushButton::clicked, this, [this] { Copy(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(buttons);

  // As wide as the longest line, so that one file stays one line; a line wider than the screen
  // allows is wrapped instead of cut.
  const QFontMetrics metrics = text_->fontMetrics();
  int longest = 0;
  const QStringList lines = details.split(QLatin1Char('\n'));
  for (const QString& line : lines) longest = std::max(longest, metrics.horizontalAdvance(line));
  const int margins = layout->contentsMargins().left() + layout->contentsMargins().right() +
                      2 * text_->frameWidth() +
                      2 * static_cast<int>(text_->document()->documentMargin()) +
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent) + metrics.averageCharWidth();
  QSize size(
      std::max(longest + margins, metrics.averageCharWidth() * 60),
      metrics.lineSpacing() * static_cast<int>(std::clamp<qsizetype>(lines.size() + 4, 8, 30)));
  const QScreen* shownOn = parent != nullptr ? parent->screen() : screen();
  const QSize room = shownOn != nullptr ? shownOn->availableGeometry().size() * 9 / 10 : size;
  text_->setLineWrapMode(size.width() > room.width() ? QPlainTextEdit::WidgetWidth
                                                     : QPlainTextEdit::NoWrap);
  resize(size.boundedTo(room));
}

QString ImportDetailsDialog::Text() const {
  return text_->toPlainText();
}

void ImportDetailsDialog::Copy() const {
  QGuiApplication::clipboard()->setText(Text());
}

}  // namespace tolvane
