#pragma once
// Categories suggested for instruments nobody gave one: from a General MIDI program where the
// instrument has one (a SoundFont preset, a DLS instrument), else from the words of its name
// ("Kick", "Closed HH", "Caisse claire", "Bass Lead", "Drum Loop"). A suggestion never replaces
// a category the user chose.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "library/library.h"

namespace tolvane {

// The category `name` and `program` suggest; 0 when neither says anything. A program names its
// General MIDI family, except in bank 128, the drum kits', where the name decides (else
// Percussion).
std::uint32_t SuggestCategory(std::string_view name, std::optional<ProgramNumber> program);

// Whether an instrument still waits for a category: none, or "Other" as every new one starts.
bool AwaitsCategory(std::uint32_t category);

// A category given by SuggestCategories, and the one it replaced, so that it can be taken back.
struct CategoryChange {
  Instrument* instrument = nullptr;
  std::uint32_t before = 0;
  std::uint32_t after = 0;
};

// Gives every instrument of `instruments` that awaits a category the one its whole name and
// program suggest, remembered in the sound database as a chosen one is. Returns what it gave.
std::vector<CategoryChange> SuggestCategories(std::span<Instrument* const> instruments);

// Takes back what SuggestCategories gave, in the sound database too.
void UndoCategoryChanges(std::span<const CategoryChange> changes);

}  // namespace tolvane
