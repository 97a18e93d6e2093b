#pragma once
// The interface every importer offers to ImportFile.

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/work_progress.h"
#include "import/import_outcome.h"
#include "import/import_settings.h"

namespace tolvane {

class MappedFile;
struct Library;
struct Source;

// One mapped file as the importers see it.
struct ImportView {
  std::span<const std::byte> bytes;  // the whole file, read-only
  std::int64_t modifiedTime = 0;     // last write, seconds since 1970-01-01 UTC
  // The mapping behind `bytes`, for releasing pages whose data was copied; may be null.
  const MappedFile* file = nullptr;
  // Told of the steps of long work (the streams of a compressed bank); asked whether to stop.
  // May be null.
  WorkProgress* progress = nullptr;
  // The user's choices for what an import makes of its files.
  ImportSettings settings{};
};

// NotRecognised (nothing created) lets the next importer try; Imported or Damaged end the chain.
// A damaged file keeps in the library what was read before the damage, whole instruments only.
using Importer = ImportOutcome (*)(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
