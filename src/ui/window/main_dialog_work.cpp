// The dialog's long work: a drop's import and the two exports, run by the WorkRunner while the
// window shows their progress, and what the window tells when they end.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <memory>
#include <optional>
#include <utility>

#include "ui/window/export_prompts.h"
#include "ui/window/import_details_dialog.h"
#include "ui/window/main_dialog.h"
#include "ui/window/window_texts.h"

namespace tolvane {

void MainDialog::ShowProgress(const QString& text, int permille) {
  SetStatus(text);
  progressBar_->setValue(permille);
}

namespace {

// The path as ImportFile takes it: UTF-8 that it widens again on Windows, where the local 8-bit
// encoding (the ANSI code page) cannot hold most names; the file system's own bytes elsewhere.
std::string ImportPath(const QString& path) {
#ifdef _WIN32
  return path.toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

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
    files.emplace_back(ImportPath(path), QFileInfo(path).fileName().toStdString());
  auto drop = std::make_shared<DropWork>();
  StartWork(
      texts::kImportingTitle,
      [drop, files = std::move(files), &database = services_.database, importFile = importFile_,
       settings = importSettings_](RunnerProgress& progress) {
        for (std::size_t i = 0; i < files.size() && !progress.Cancelled(); ++i) {
          progress.SetItem(files[i].second, i, files.size());
          const std::size_t before = drop->library.instruments.size();
          const ImportOutcome outcome =
              importFile(drop->library, database, files[i].first, &progress, settings);
          drop->report.Add(files[i].first, outcome, drop->library.instruments.size() - before);
          if (outcome.status == ImportStatus::Cancelled) break;
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
    SetStatus(QString::fromLatin1(texts::kImportCancelledStatus));
    return;
  }
  // They read the library.
  sizeEstimate_.Stop();
  analysedCopy_.Stop();
  model_.Clear();  // its rows point into the library
  suggestions_.clear();
  services_.library = std::move(imported);
  importReport_ = std::move(report);
  model_.Fill(services_.library);
  if (model_.rowCount() > 0)
    list_->selectionModel()->setCurrentIndex(
        model_.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  UpdateStatus();
}

void MainDialog::ShowImportDetails() {
  if (runner_.Busy() || importReport_.count() == 0) return;
  auto* details = new ImportDetailsDialog(importReport_.Details(), importReport_.Summary(), this);
  details->setAttribute(Qt::WA_DeleteOnClose);
  // Window-modal and not waited for: the window's work and tests go on while it is open.
  details->open();
}

void MainDialog::StartWork(const char* title, WorkRunner::Work work,
                           WorkRunner::Finished finished) {
  // A measurement lays out what an export writes: never beside one.
  sizeEstimate_.Stop();
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
  if (runner_.Busy()) SetStatus(QString::fromLatin1(texts::kCancellingStatus));
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
       name = QFileInfo(*file).fileName().toStdString(),
       options = exportOptions_](RunnerProgress& progress) {
        progress.SetItem(name, 0, 1);
        *result = tolvane::ExportCollection(checked, path, &progress, options);
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
      [result, checked = std::move(checked), path = PathOf(*folder), &library = services_.library,
       options = exportOptions_](RunnerProgress& progress) {
        *result = tolvane::ExportSingleInstruments(library, checked, path, &progress, options);
      },
      [this, result, folder = *folder](bool /*cancelled*/) {
        ShowExportReport(ReportSingleExport(*result, folder));
      });
  return true;
}

void MainDialog::ShowExportReport(const ExportReport& report) {
  if (!report.status.isEmpty()) SetStatus(report.status);
  if (!report.message.isEmpty())
    prompts_->ShowMessage(report.caption.isEmpty()
                              ? QString::fromLatin1(texts::kExportFailedCaption)
                              : report.caption,
                          report.message, report.detail);
}

void MainDialog::ShowExportFailure(const QString& detail) {
  prompts_->ShowMessage(QString::fromLatin1(texts::kExportFailedCaption),
                        QString::fromLatin1(texts::kExportFailedText), detail);
}
}  // namespace tolvane
