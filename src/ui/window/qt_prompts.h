#pragma once
// The real prompts: Qt's file dialog, a folder dialog that refuses folders that do not exist,
// message boxes and pop-up menus, all owned by the window.

#include <QFileDialog>
#include <QWidget>
#include <functional>

#include "ui/window/prompts.h"

namespace tolvane {

// A folder chooser (Qt's own dialog, not the system's, so that its accept can be checked). A
// typed folder that does not exist calls `refuse` with the dialog and keeps the dialog open.
class FolderDialog : public QFileDialog {
  Q_OBJECT

 public:
  FolderDialog(QWidget* parent, const QString& title, const QString& initialFolder,
               std::function<void(QWidget*)> refuse);

  // The folder the dialog would accept now: the typed or selected one, as an absolute path.
  QString ChosenFolder() const;

 public slots:
  void accept() override;

 private:
  std::function<void(QWidget*)> refuse_;
};

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* owner) : owner_(owner) {}

  std::optional<QString> AskSaveFile(const SaveFileRequest& request) override;
  std::optional<QString> AskFolder(const QString& title, const QString& initialFolder) override;
  QStringList AskOpenFiles(const QString& title, const QStringList& filters,
                           const QString& initialFolder) override;
  void ShowMessage(const QString& caption, const QString& text, const QString& detail) override;
  int ChooseFromMenu(QMenu& menu, const QPoint& globalPosition) override;

 private:
  QWidget* owner_;
};

}  // namespace tolvane
