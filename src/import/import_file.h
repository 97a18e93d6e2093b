#pragma once
// ImportFile: one dropped file, from its path to the instruments it holds.

#include <string_view>

#include "import/import_outcome.h"
#include "import/import_settings.h"

namespace tolvane {

struct Library;
struct Source;
struct SoundDatabase;
struct ImportView;
class WorkProgress;

// Opens the file at `utf8Path`, gives it a Source (path and names in Windows-1252, so that
// database keys and sound identifiers match the original platform) with its database section,
// and offers its bytes to the importers in order until one recognises it; that importer's
// outcome is the result. A file that cannot be opened adds nothing (CannotOpen). A file that
// opens but cannot be mapped (CannotOpen), an empty file, a file of 4 GiB or more and a file no
// importer recognises (NotRecognised, with the first importer's reason that has one) leave an
// empty Source. `progress` (may be null) hears of the steps of a long import and may stop it:
// a cancelled import ends Cancelled, and its library is for throwing away. A folder is imported
// as its sound files, grouped into instruments by their names (ImportFolder, with `settings`),
// unless it holds a multisample.xml (then it is that multisample, ImportMultisampleFolder) or a
// drumkit.xml (then it is that Hydrogen drum kit).
ImportOutcome ImportFile(Library& library, SoundDatabase& database, std::string_view utf8Path,
                         WorkProgress* progress = nullptr, const ImportSettings& settings = {});

// What ImportFile does once the file is mapped: the Source and its section, the importer chain
// over `view`, the collection numbers. For callers that already hold the bytes. An empty view
// leaves an empty Source and is not recognised.
ImportOutcome ImportBytes(Library& library, SoundDatabase& database, std::string_view utf8Path,
                          const ImportView& view);

// Numbers the source's sample groups shared by two or more instruments 1, 2, 3 ... in list
// order; every other group gets 0.
void NumberCollections(Source& source);

}  // namespace tolvane
