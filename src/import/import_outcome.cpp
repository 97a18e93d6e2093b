#include "import/import_outcome.h"

#include <algorithm>

namespace tolvane {

void ImportDrops::Drop(PartKind part, LeftOutKind kind, std::size_t count, std::string subject,
                       std::string detail) {
  if (count == 0) return;
  // Decoders' reasons are theirs, not kinds of ours: each reason is a line of its own.
  const auto same = std::find_if(leftOut_.begin(), leftOut_.end(), [&](const LeftOut& e) {
    return e.part == part && e.kind == kind && e.detail == detail;
  });
  if (same != leftOut_.end()) {
    same->count += count;
    return;
  }
  leftOut_.push_back({part, kind, count, std::move(subject), std::move(detail)});
}

void ImportDrops::Note(NoteKind kind, std::size_t count, std::string subject) {
  if (count == 0) return;
  const auto same = std::find_if(notes_.begin(), notes_.end(),
                                 [&](const ImportNote& note) { return note.kind == kind; });
  if (same != notes_.end()) {
    same->count += count;
    return;
  }
  notes_.push_back({kind, count, std::move(subject), notedPart_});
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
