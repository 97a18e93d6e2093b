#pragma once
// The names of a database's sections and of a section's entries, in list order.

#include <string>
#include <vector>

#include "database/sound_database.h"

namespace tolvane::testing {

inline std::vector<std::string> SectionNames(const SoundDatabase& database) {
  std::vector<std::string> names;
  for (const auto& section : database.sections) names.push_back(section->name);
  return names;
}

inline std::vector<std::string> EntryNames(const DatabaseSection& section) {
  std::vector<std::string> names;
  for (const auto& entry : section.entries) names.push_back(entry->name);
  return names;
}

}  // namespace tolvane::testing
