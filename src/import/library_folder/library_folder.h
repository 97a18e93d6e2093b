#pragma once
// A dropped folder whose tree holds instrument files (SFZ, Decent Sampler presets, Bitwig
// multisamples, Hydrogen kits, SoundFont and DLS banks, SiFi files, ...): every instrument of
// every such file, at any depth, each named after its file, and not the sound files they play
// as loose samples.

#include <filesystem>
#include <string_view>

#include "import/import_outcome.h"
#include "import/import_settings.h"

namespace tolvane {

struct Library;
struct SoundDatabase;
class WorkProgress;

// Whether `folder` is a library folder: its tree holds a file of a format of instruments.
bool HoldsInstrumentFiles(const std::filesystem::path& folder);

// Imports the library folder at `utf8Path`. Files that play sample files (SFZ, presets,
// multisamples, kits) are one source named after the folder and share its samples: each file is
// read and decoded once and, within an export group, stored once; their categories are kept as
// a drop of each file keeps them. An .sfz that another .sfz of the folder #includes is part of
// that instrument. Other instrument files (banks, archives) are imported as if dropped alone,
// each its own source. Sound files no instrument plays are passed over and counted in a note.
// Damaged, naming each file and what was left out, when a file is damaged (the others are still
// imported). `progress` (may be null) hears of the files and samples and may stop the import
// (Cancelled).
ImportOutcome ImportLibraryFolder(Library& library, SoundDatabase& database,
                                  std::string_view utf8Path, const ImportSettings& settings,
                                  WorkProgress* progress);

}  // namespace tolvane
