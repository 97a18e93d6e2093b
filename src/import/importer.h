#pragma once
// The interface every importer offers to ImportFile.

#include <cstddef>
#include <cstdint>
#include <span>

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
};

// True when the importer recognised the file as its own (the chain stops there), even if it
// added nothing; false to let the next importer try.
using Importer = bool (*)(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
