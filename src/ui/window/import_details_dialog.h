#pragma once
// The files of a drop that were not imported whole, with their reasons, opened from the status
// line: selectable text and a button that copies all of it, for a bug report or a search.
// Escape and Close end it.

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace tolvane {

class ImportDetailsDialog : public QDialog {
  Q_OBJECT

 public:
  // `details`: one line per file or note (ImportReport::Details); `title`: what they count
  // (ImportReport::Summary).
  ImportDetailsDialog(const QString& details, const QString& title, QWidget* parent);

  QString Text() const;
  // Puts the whole text on the clipboard.
  void Copy() const;

 private:
  QPlainTextEdit* text_;
};

}  // namespace tolvane
