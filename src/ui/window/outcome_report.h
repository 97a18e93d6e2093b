#pragma once
// What the window tells after a drop or an export: the files a drop could not import whole, and
// what an export wrote or why it did not. Plain texts; the dialog shows them.

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_commands.h"
#include "import/import_outcome.h"

namespace tolvane {

// The files of one drop that were not imported whole, and the notes on what the others only
// approximate, in drop order.
class ImportReport {
 public:
  // The outcome of the file at `path`, after which `added` instruments came from it. A
  // cancelled import has nothing to tell: its files are for throwing away.
  void Add(std::string_view path, const ImportOutcome& outcome, std::size_t added);

  // Files not imported whole or not read at all; a file with notes only was imported.
  std::size_t count() const { return notWhole_ + notRead_; }
  // "1 file not imported whole, 2 files not read": after the status line's count, and the
  // title of their list; empty when all were imported.
  QString Summary() const;
  // "PATH: REASON" per file not imported whole and "PATH: note: TEXT" per note, with the texts
  // the command-line tool gives.
  QString Details() const;

 private:
  std::size_t notWhole_ = 0;  // some of their instruments came
  std::size_t notRead_ = 0;   // none came: not opened, not recognised, not read, or damaged
  std::vector<std::string> lines_;
};

// What to show after an export: a new status line, or a message box, or neither.
struct ExportReport {
  QString status;   // empty: the status line stays
  QString message;  // empty: no message box
  QString detail;   // shown under the message on request
  QString caption;  // of the message box; empty: the failure caption
};

// After the collection file `file` was written, failed or cancelled.
ExportReport ReportCollectionExport(const ExportResult& result, const QString& file);
// After the single-instrument files of `folder`.
ExportReport ReportSingleExport(const SingleExportResult& result, const QString& folder);

}  // namespace tolvane
