// The window's ways in besides a drop (Add Files..., Add Folder...), and the categories
// suggested for every row at once.

#include <QDir>
#include <QFileInfo>
#include <string>

#include "import/formats.h"
#include "ui/window/main_dialog.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

// "*.sf2 *.sf3 ... *.wav": every file pattern of a format read; folders are added apart.
QString ReadPatterns() {
  QStringList patterns;
  for (const FileFormat& format : FileFormats()) {
    if (!format.read()) continue;
    for (const std::string_view pattern : format.patterns) {
      if (pattern.ends_with('/')) continue;
      const QString text =
          QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
      if (!patterns.contains(text)) patterns << text;
    }
  }
  return patterns.join(QLatin1Char(' '));
}

}  // namespace

void MainDialog::ShowNotice(const QString& text) {
  // After the status update the rows' changes queued, which would otherwise replace it; the
  // next update (a row checked) brings the count back.
  QMetaObject::invokeMethod(
      this, [this, text] { SetStatus(text); }, Qt::QueuedConnection);
}

void MainDialog::AddFiles() {
  if (runner_.Busy()) return;
  const QStringList filters = {QString::fromLatin1(texts::kAddFilesFilter).arg(ReadPatterns()),
                               QString::fromLatin1(texts::kAllFilesFilter)};
  const QStringList files =
      prompts_->AskOpenFiles(QString::fromLatin1(texts::kAddFilesTitle), filters, addFolder_);
  if (files.isEmpty()) return;
  addFolder_ = QFileInfo(files.front()).absolutePath();
  ImportDrop(files);
}

void MainDialog::AddFolder() {
  if (runner_.Busy()) return;
  const std::optional<QString> folder =
      prompts_->AskFolder(QString::fromLatin1(texts::kAddFolderTitle), addFolder_);
  if (!folder || folder->isEmpty()) return;
  addFolder_ = QFileInfo(*folder).absolutePath();
  ImportDrop({QDir::cleanPath(*folder)});
}

void MainDialog::SuggestCategories() {
  if (runner_.Busy()) return;
  std::vector<Instrument*> rows;
  for (int row = 0; row < model_.rowCount(); ++row)
    if (Instrument* instrument = model_.InstrumentAt(row)) rows.push_back(instrument);
  std::vector<CategoryChange> given = tolvane::SuggestCategories(rows);
  if (given.empty()) {
    ShowNotice(QString::fromLatin1(texts::kNothingSuggestedStatus));
    return;
  }
  TellDatabaseProblemOnce();
  suggestions_ = std::move(given);
  for (int row = 0; row < model_.rowCount(); ++row) model_.RowChanged(row);
  // Saved at once, as a category chosen by hand is.
  SaveDatabase();
  ShowNotice(
      QString::fromLatin1(texts::kSuggestedStatus).arg(suggestions_.size()).arg(rows.size()));
}

void MainDialog::UndoSuggestedCategories() {
  if (runner_.Busy() || suggestions_.empty()) return;
  // A row given another category since keeps it.
  std::vector<CategoryChange> undo;
  for (const CategoryChange& change : suggestions_)
    if (change.instrument->category == change.after) undo.push_back(change);
  UndoCategoryChanges(undo);
  suggestions_.clear();
  for (int row = 0; row < model_.rowCount(); ++row) model_.RowChanged(row);
  SaveDatabase();
  ShowNotice(QString::fromLatin1(texts::kUndoneStatus).arg(undo.size()));
}

}  // namespace tolvane
