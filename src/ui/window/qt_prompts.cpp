#include "ui/window/qt_prompts.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <utility>

#include "ui/window/window_texts.h"

namespace tolvane {

FolderDialog::FolderDialog(QWidget* parent, const QString& title, const QString& initialFolder,
                           std::function<void(QWidget*)> refuse)
    : QFileDialog(parent, title, initialFolder), refuse_(std::move(refuse)) {
  setFileMode(QFileDialog::Directory);
  setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  setAcceptMode(QFileDialog::AcceptOpen);
}

QString FolderDialog::ChosenFolder() const {
  const QStringList chosen = selectedFiles();
  return chosen.isEmpty() ? QString() : QFileInfo(chosen.front()).absoluteFilePath();
}

void FolderDialog::accept() {
  if (!QFileInfo(ChosenFolder()).isDir()) {
    refuse_(this);
    return;
  }
  QFileDialog::accept();
}

std::optional<QString> QtPrompts::AskSaveFile(const SaveFileRequest& request) {
  QFileDialog dialog(owner_, request.title, request.folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.file.isEmpty()) dialog.selectFile(request.file);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

QStringList QtPrompts::AskOpenFiles(const QString& title, const QStringList& filters,
                                    const QString& initialFolder) {
  QFileDialog dialog(owner_, title, initialFolder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

std::optional<QString> QtPrompts::AskFolder(const QString& title, const QString& initialFolder) {
  FolderDialog dialog(owner_, title, initialFolder, [](QWidget* browser) {
    // Owned by the folder dialog, which stays open behind it.
    QMessageBox::warning(browser, QString::fromLatin1(texts::kInvalidFolderCaption),
                         QString::fromLatin1(texts::kInvalidFolderText));
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.ChosenFolder();
}

void QtPrompts::ShowMessage(const QString& caption, const QString& text, const QString& detail) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner_);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  box.exec();
}

int QtPrompts::ChooseFromMenu(QMenu& menu, const QPoint& globalPosition) {
  const QAction* chosen = menu.exec(globalPosition);
  return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace tolvane
