#include "ui/window/outcome_report.h"

#include <QStringList>

#include "base/encoding.h"
#include "import/outcome_text.h"
#include "library/instrument_texts.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

QString Joined(const std::vector<std::string>& lines) {
  QStringList joined;
  for (const std::string& line : lines) joined << QString::fromStdString(line);
  return joined.join(QLatin1Char('\n'));
}

// Looped samples that click, as lines under a report; a written export with no other message
// tells them in one of its own.
void AddLoops(ExportReport& report, const std::vector<ClickingLoop>& loops) {
  if (loops.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(loops.size());
  for (const ClickingLoop& loop : loops) lines.push_back(Windows1252ToUtf8(ClickingLoopText(loop)));
  if (!report.detail.isEmpty()) report.detail += QLatin1Char('\n');
  report.detail += Joined(lines);
  if (report.message.isEmpty()) {
    report.message = QString::fromLatin1(texts::kClickingLoopsText).arg(loops.size());
    report.caption = QString::fromLatin1(texts::kClickingLoopsCaption);
  }
}

// Instruments the sampler cannot tell apart, likewise.
void AddClashes(ExportReport& report, const std::vector<std::string>& clashes) {
  if (clashes.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(clashes.size());
  for (const std::string& clash : clashes) lines.push_back(Windows1252ToUtf8(clash));
  if (!report.detail.isEmpty()) report.detail += QLatin1Char('\n');
  report.detail += Joined(lines);
  if (report.message.isEmpty()) {
    report.message = QString::fromLatin1(texts::kNameClashesText);
    report.caption = QString::fromLatin1(texts::kClickingLoopsCaption);
  }
}

// What the sound options found, likewise.
void AddSounds(ExportReport& report, const std::vector<SoundNote>& notes) {
  if (notes.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(notes.size());
  for (const SoundNote& note : notes) lines.push_back(Windows1252ToUtf8(SoundNoteText(note)));
  if (!report.detail.isEmpty()) report.detail += QLatin1Char('\n');
  report.detail += Joined(lines);
  if (report.message.isEmpty()) {
    report.message = QString::fromLatin1(texts::kSoundNotesText).arg(notes.size());
    report.caption = QString::fromLatin1(texts::kClickingLoopsCaption);
  }
}

// What trimming and mono saved, after the written status.
void AddSaving(ExportReport& report, const FitSavings& saved) {
  if (saved.bytes() == 0) return;
  report.status = QString::fromLatin1(texts::kSavedStatus)
                      .arg(report.status, QString::fromStdString(SizeText(saved.bytes())));
}

}  // namespace

void ImportReport::Add(std::string_view path, const ImportOutcome& outcome, std::size_t added) {
  if (outcome.status == ImportStatus::Cancelled) return;
  if (!outcome.imported()) ++(added > 0 ? notWhole_ : notRead_);
  for (const std::string& line : ImportOutcomeLines(outcome, added))
    lines_.push_back(std::string(path) + ": " + line);
}

QString ImportReport::Summary() const {
  QStringList parts;
  if (notWhole_ == 1) parts << QString::fromLatin1(texts::kNotWholeOneStatus);
  if (notWhole_ > 1) parts << QString::fromLatin1(texts::kNotWholeStatus).arg(notWhole_);
  if (notRead_ == 1) parts << QString::fromLatin1(texts::kNotReadOneStatus);
  if (notRead_ > 1) parts << QString::fromLatin1(texts::kNotReadStatus).arg(notRead_);
  return parts.join(QStringLiteral(", "));
}

QString ImportReport::Details() const {
  return Joined(lines_);
}

ExportReport ReportCollectionExport(const ExportResult& result, const QString& file) {
  if (result) {
    ExportReport report{QString::fromLatin1(texts::kCollectionWrittenStatus).arg(file), {}, {}, {}};
    AddSaving(report, result.saved);
    AddLoops(report, result.loops);
    AddSounds(report, result.sounds);
    AddClashes(report, result.clashes);
    return report;
  }
  if (result.error == ExportError::kCancelled)
    return {QString::fromLatin1(texts::kExportCancelledStatus), {}, {}, {}};
  return {{},
          QString::fromLatin1(texts::kExportFailedText),
          file + QStringLiteral(": ") + QString::fromStdString(Windows1252ToUtf8(result.reason)),
          {}};
}

ExportReport ReportSingleExport(const SingleExportResult& result, const QString& folder) {
  if (result.cancelled) return {QString::fromLatin1(texts::kExportCancelledStatus), {}, {}, {}};
  const std::size_t written = result.written.size();
  if (result.ok()) {
    ExportReport report{
        written == 1 ? QString::fromLatin1(texts::kOneFileWrittenStatus).arg(folder)
                     : QString::fromLatin1(texts::kFilesWrittenStatus).arg(written).arg(folder),
        {},
        {},
        {}};
    AddSaving(report, result.saved);
    AddLoops(report, result.loops);
    AddSounds(report, result.sounds);
    AddClashes(report, result.clashes);
    return report;
  }
  if (result.folderRefused()) {
    ExportReport report{{},
                        QString::fromLatin1(texts::kFolderRefusedText)
                            .arg(folder, QString::fromStdString(result.folderError.message())),
                        {},
                        {}};
    if (written > 0) {
      report.status = QString::fromLatin1(texts::kSomeFilesFailedStatus)
                          .arg(written)
                          .arg(result.marked)
                          .arg(folder)
                          .arg(result.marked - written);
      report.message +=
          QLatin1Char(' ') +
          QString::fromLatin1(texts::kFolderRefusedWrittenText).arg(written).arg(result.marked);
    }
    AddLoops(report, result.loops);
    return report;
  }
  if (result.marked == 0)
    return {{},
            QString::fromLatin1(texts::kExportFailedText),
            QString::fromLatin1(texts::kNoSamplesReason),
            {}};
  ExportReport report{
      {}, QString::fromLatin1(texts::kExportFailedText), Joined(result.failures), {}};
  AddLoops(report, result.loops);
  if (written == 0) return report;
  // Some files made it: the message itself says which did not, so that the user need not
  // open the details to learn that most of the export is there.
  const std::size_t failed = result.failures.size();
  report.status = QString::fromLatin1(texts::kSomeFilesFailedStatus)
                      .arg(written)
                      .arg(result.marked)
                      .arg(folder)
                      .arg(failed);
  report.message +=
      QStringLiteral("\n\n") +
      QString::fromLatin1(texts::kSomeFilesFailedText).arg(written).arg(result.marked).arg(folder) +
      QLatin1Char('\n') + QString::fromStdString(result.failures.front());
  if (failed > 1)
    report.message += QLatin1Char('\n') + QString::fromLatin1(texts::kMoreFailures).arg(failed - 1);
  return report;
}

}  // namespace tolvane
