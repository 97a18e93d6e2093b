#pragma once
// Everything the window asks a person, behind one small interface: the collection file prompt,
// the export folder prompt, the files to add, message boxes and the list's right-click menu. The
// window talks to this interface only; QtPrompts shows the real dialogs, tests answer with a fake.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

class QMenu;

namespace tolvane {

struct SaveFileRequest {
  QString title;
  QStringList filters;    // the first one is chosen at first
  QString defaultSuffix;  // appended to a name typed without one
  QString folder;         // initial folder; empty for the dialog's own choice
  QString file;           // initial file name
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  // The file name the user confirmed (replacing a file is not asked about), or nothing.
  virtual std::optional<QString> AskSaveFile(const SaveFileRequest& request) = 0;
  // An existing folder the user confirmed, or nothing. A typed folder that does not exist is
  // refused with "Invalid Directory!" and the prompt stays open.
  virtual std::optional<QString> AskFolder(const QString& title, const QString& initialFolder) = 0;
  // The existing files the user chose to open (several at once), or none.
  virtual QStringList AskOpenFiles(const QString& title, const QStringList& filters,
                                   const QString& initialFolder) = 0;
  // A message with an OK button; `detail` (may be empty) is shown on request.
  virtual void ShowMessage(const QString& caption, const QString& text, const QString& detail) = 0;
  // Shows the menu at a screen position; the chosen action's data as an int, or 0.
  virtual int ChooseFromMenu(QMenu& menu, const QPoint& globalPosition) = 0;
};

}  // namespace tolvane
