#include "import/import_outcome.h"

#include <algorithm>

namespace tolvane {

void ImportDrops::Drop(std::string_view what, std::string_view reason, std::size_t count) {
  if (count == 0) return;
  const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return e.what == what && e.reason == reason;
  });
  if (same != entries_.end()) {
    same->count += count;
    return;
  }
  entries_.push_back({std::string(what), std::string(reason), count});
}

std::size_t ImportDrops::count() const {
  std::size_t total = 0;
  for (const Entry& entry : entries_) total += entry.count;
  return total;
}

ImportOutcome ImportDrops::Finish(std::string_view damage) const {
  if (damage.empty() && entries_.empty()) return ImportOutcome::Imported();
  std::string text(damage);
  for (const Entry& entry : entries_) {
    if (!text.empty()) text += "; ";
    text += std::to_string(entry.count) + ' ' + entry.what + (entry.count == 1 ? "" : "s") +
            " left out: " + entry.reason;
  }
  return ImportOutcome::Damaged(std::move(text));
}

}  // namespace tolvane
