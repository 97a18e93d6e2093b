#include "database/sound_database.h"

#include <algorithm>
#include <utility>

#include "base/text_order.h"

namespace tolvane {
namespace {

// First element whose name is not less than `name`, case-insensitively.
template <typename Node>
auto LowerBoundByName(const std::vector<std::unique_ptr<Node>>& nodes, std::string_view name) {
  return std::lower_bound(nodes.begin(), nodes.end(), name,
                          [](const std::unique_ptr<Node>& node, std::string_view key) {
                            return CompareCaseInsensitive(node->name, key) < 0;
                          });
}

}  // namespace

DatabaseSection& FindOrCreateSection(SoundDatabase& database, std::string_view name) {
  const auto at = LowerBoundByName(database.sections, name);
  if (at != database.sections.end() && CompareCaseInsensitive((*at)->name, name) == 0) return **at;
  auto section = std::make_unique<DatabaseSection>();
  section->name = std::string(name);
  return **database.sections.insert(at, std::move(section));
}

DatabaseEntry* FindEntry(const DatabaseSection& section, std::string_view name) {
  const auto at = LowerBoundByName(section.entries, name);
  if (at != section.entries.end() && CompareCaseInsensitive((*at)->name, name) == 0)
    return at->get();
  return nullptr;
}

DatabaseEntry& FindOrCreateEntry(DatabaseSection& section, std::string_view name) {
  const auto at = LowerBoundByName(section.entries, name);
  if (at != section.entries.end() && CompareCaseInsensitive((*at)->name, name) == 0) return **at;
  auto entry = std::make_unique<DatabaseEntry>();
  entry->name = std::string(name);
  return **section.entries.insert(at, std::move(entry));
}

void SetEntryText(DatabaseSection& section, std::string_view name, std::string_view text) {
  FindOrCreateEntry(section, name).text = std::string(text);
}

}  // namespace tolvane
