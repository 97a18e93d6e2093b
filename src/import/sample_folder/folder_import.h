#pragma once
// A dropped folder of sample files: each folder in it (the dropped one and every subfolder) that
// holds sound files (WAV, AIFF, FLAC, Ogg Vorbis) is one source, named after the folder, whose
// files become instruments by their names (folder_plan.h). Every file is read and decoded once,
// all of them in parallel (sample_pool.h).

#include <string_view>

#include "import/import_outcome.h"
#include "import/import_settings.h"

namespace tolvane {

struct Library;
struct SoundDatabase;
class WorkProgress;

// Imports the folder at `utf8Path`. NotRecognised when it holds no sound file; Damaged, naming
// each file left out with its reason, when some cannot be read (the others still become
// instruments), or when the folder cannot be listed whole. Round robins that are not played
// are noted in the reason of an outcome that stays Imported. `progress` (may be null) counts
// the files read and may stop the import: a cancelled import ends Cancelled, and its library is
// for throwing away.
ImportOutcome ImportFolder(Library& library, SoundDatabase& database, std::string_view utf8Path,
                           const ImportSettings& settings, WorkProgress* progress = nullptr);

// Whether a file of this name is read as a sample of a folder: by its extension, any case.
bool IsSoundFileName(std::string_view name);

}  // namespace tolvane
