#include "ui/window/import_details_dialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
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
  // One file a line: paths are long, and a wrapped one reads as two.
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);

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

  // Wide enough for the usual path and reason, within the screen.
  const QFontMetrics metrics = text_->fontMetrics();
  QSize size(metrics.averageCharWidth() * 100, metrics.lineSpacing() * 16);
  if (const QScreen* shownOn = parent != nullptr ? parent->screen() : screen())
    size = size.boundedTo(shownOn->availableGeometry().size() * 3 / 4);
  resize(size);
}

QString ImportDetailsDialog::Text() const {
  return text_->toPlainText();
}

void ImportDetailsDialog::Copy() const {
  QGuiApplication::clipboard()->setText(Text());
}

}  // namespace tolvane
