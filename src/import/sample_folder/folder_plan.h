#pragma once
// How the sample files of one folder become instruments: grouped by what their names share,
// spread over keys by their notes and over velocities by their layers. Plain values in, plain
// values out, so that the rules are tested without files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "import/import_settings.h"
#include "import/sample_folder/sample_name.h"

namespace tolvane {

// One readable sample file of the folder, as the plan needs it.
struct FolderFile {
  std::string stem;                         // the file name without its extension
  SampleName name;                          // SampleName::Parse(stem)
  std::optional<std::uint32_t> ownRootKey;  // from the file's sampler chunk, if any
  std::uint32_t channels = 1;
  std::uint32_t frames = 0;
  std::uint32_t sampleRate = 0;
};

struct PlannedZone {
  std::size_t file = 0;                 // index into the files given
  std::optional<std::size_t> right;     // the right half when `file` is the left one of a pair
  std::optional<std::uint8_t> rootKey;  // from the name or the file; none for a lone file
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint8_t velLow = 0;
  std::uint8_t velHigh = 127;
};

struct PlannedInstrument {
  std::string name;  // UTF-8; empty for files whose names are only notes and layers
  std::vector<PlannedZone> zones;
};

struct FolderPlan {
  std::vector<PlannedInstrument> instruments;
  // Files that are another take of a key and layer already played: only the first is kept.
  std::size_t roundRobinsLeftOut = 0;
  MiddleC middleC = MiddleC::C3;  // the convention the names were read with
};

// The instruments of `files` (all of one folder):
// - files whose stems are equal once note, layer, round robin and channel are taken out form
//   one instrument named after the stem; so do three or more files whose stems differ only in
//   a tag of capitals and digits at one place, of one length and different in every file
//   (a recorder's "Z5O6"), when no two of them play the same key, layer and round robin; a file
//   with neither a note in its name nor a root key of its own is an instrument of its own over
//   every key, named after the whole file name;
// - a key from the name (the MIDI number, else the note under the convention that names with
//   both agree on, else `middleC`), else the file's own root key;
// - left and right halves of equal length and rate, both mono, become one stereo zone; halves
//   that cannot be paired keep their channel in the stem;
// - per layer, each root reaches halfway to its neighbours (an exact middle key goes to the
//   lower root), the lowest down to 0 and the highest up to 127; of equal roots in one layer
//   the lowest round robin (then the first file) plays;
// - layers in order (a layer-less file first) share 1..127: numbers from 17 to 127 are the top
//   velocity of their layer, other numbers and dynamics split it evenly; one layer spans 0..127.
// Instruments come in order of stem, lone files in order of file name.
FolderPlan PlanFolder(std::span<const FolderFile> files, MiddleC middleC);

}  // namespace tolvane
