#include "import/import_outcome.h"

#include <algorithm>

namespace tolvane {

void ImportDrops::Add(LeftOut leftOut) {
  if (leftOut.count == 0) return;
  // Decoders' reasons are theirs, not kinds of ours: each reason is a line of its own.
  const auto same = std::find_if(leftOut_.begin(), leftOut_.end(), [&](const LeftOut& e) {
    return e.part == leftOut.part && e.kind == leftOut.kind && e.format == leftOut.format &&
           e.detail == leftOut.detail;
  });
  if (same != leftOut_.end()) {
    same->count += leftOut.count;
    return;
  }
  leftOut_.push_back(std::move(leftOut));
}

void ImportDrops::Add(ImportNote note) {
  if (note.count == 0) return;
  const auto same = std::find_if(notes_.begin(), notes_.end(), [&](const ImportNote& e) {
    return e.kind == note.kind && e.format == note.format;
  });
  if (same != notes_.end()) {
    same->count += note.count;
    return;
  }
  notes_.push_back(std::move(note));
}

void ImportDrops::Drop(PartKind part, LeftOutKind kind, std::size_t count, std::string subject,
                       std::string detail) {
  Add(LeftOut{part, kind, count, std::move(subject), std::move(detail), nullptr});
}

void ImportDrops::Drop(PartKind part, const FormatDamage& kind, std::size_t count,
                       std::string subject, std::string detail) {
  Add(LeftOut{part, LeftOutKind::Format, count, std::move(subject), std::move(detail), &kind});
}

void ImportDrops::Gather(const ImportOutcome& outcome) {
  for (const LeftOut& leftOut : outcome.leftOut) Add(leftOut);
  for (const ImportNote& note : outcome.notes) Add(note);
}

void ImportDrops::Note(NoteKind kind, std::size_t count, std::string subject) {
  Add(ImportNote{kind, count, std::move(subject), notedPart_, nullptr});
}

void ImportDrops::Note(const FormatNote& kind, std::size_t count, std::string subject) {
  Add(ImportNote{NoteKind::Format, count, std::move(subject), notedPart_, &kind});
}

std::size_t ImportDrops::count() const {
  std::size_t total = 0;
  for (const LeftOut& entry : leftOut_) total += entry.count;
  return total;
}

ImportOutcome ImportDrops::Finish(std::string damage) const {
  ImportOutcome outcome = damage.empty() && leftOut_.empty()
                              ? ImportOutcome::Imported()
                              : ImportOutcome::Damaged(std::move(damage));
  outcome.leftOut = leftOut_;
  outcome.notes = notes_;
  return outcome;
}

}  // namespace tolvane
