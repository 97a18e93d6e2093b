#pragma once
// Instrument files that play sample files share one pool of them: the presets of a bundle, the
// instrument files of a library folder. Each file is planned first, adding the sample files its
// zones play to the pool; the pool decodes them all in one pass; then each file builds its
// instruments. A sample file several of them play is read once and, within one source, stored
// once. A file dropped alone goes the same way with a pool of its own.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "import/import_outcome.h"
#include "import/import_settings.h"

namespace tolvane {

class InstrumentFiles;
class SamplePool;
class WorkProgress;
struct Library;
struct Source;

// Where an instrument file lies among the files of its pool, and what it is called.
struct FilePlace {
  // The name of its instruments (Windows-1252): the file's name without its extension, unless
  // the format names them otherwise.
  std::string name;
  std::int64_t modifiedTime = 0;  // of the file, for its instruments' SoundIDs
  // Where its sample paths count from: `folder` inside its container (a bundle's top, a kit's
  // folder), the container being `root` among the pool's files; each "" for the top, else
  // ending in '/'. Formats whose paths may not climb out of their container keep them there.
  std::string root;
  std::string folder;
  ImportSettings settings;
};

class PlannedFile {
 public:
  virtual ~PlannedFile() = default;
  // Adds the file's instruments to `source`, playing the decoded files of `pool`, and returns
  // the file's outcome.
  // REQUIRES: `pool` decoded.
  virtual ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const = 0;
};

// Plans the instrument file `text` at `place`, adding the sample files it plays to `pool` and
// reading what it includes (an SFZ #include) from `files`, by paths among the pool's files.
using FilePlanner = std::unique_ptr<PlannedFile> (*)(std::string_view text, const FilePlace& place,
                                                     const InstrumentFiles& files,
                                                     SamplePool& pool);

// One file planned, its samples decoded from `files` and its instruments built into `source`.
// `progress` (may be null) hears of each sample decoded and may stop the import: Cancelled
// then, with nothing added.
ImportOutcome ImportPlannedFile(FilePlanner planner, Library& library, Source& source,
                                std::string_view text, const FilePlace& place,
                                const InstrumentFiles& files, WorkProgress* progress);

}  // namespace tolvane
