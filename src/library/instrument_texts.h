#pragma once
// The texts the instrument list shows for an instrument, and its row order. Shared by every
// front end so that the window and the command-line tool show the same thing.

#include <cstddef>
#include <cstdint>
#include <string>

#include "library/library.h"

namespace tolvane {

// "Coll": the group's collection number, or "---" without group or collection.
std::string CollectionText(const Instrument& instrument);

// "Samples": the group's sample count, then the zones by kind: '3 (3M)', '12 (10M2S)', '0 ()'.
std::string SamplesText(const Instrument& instrument);

// "Size": '999 B', '1.5 kB', '0.9 MB' (tenths truncated; only the low 32 bits count).
std::string SizeText(std::uint64_t sampleBytes);

// "SoundID": "[%08X]".
std::string SoundIdText(std::uint32_t soundId);

// A SoundFont preset's bank and program, "128:0"; "---" for an instrument that is no preset.
std::string ProgramText(const Instrument& instrument);

// The list's columns, numbered from 1 as sort keys count them.
enum ListColumn : int {
  kColumnSoundName = 1,
  kColumnCategory = 2,
  kColumnColl = 3,
  kColumnSamples = 4,
  kColumnSize = 5,
  kColumnSoundId = 6,
};
inline constexpr std::size_t kColumnCount = 6;

// Orders two rows by the column `sortKey` names; a negative key sorts descending, any other key
// leaves rows equal.
int CompareRows(const Instrument& a, const Instrument& b, int sortKey);

inline constexpr int kInitialSortKey = kColumnSoundName;

}  // namespace tolvane
