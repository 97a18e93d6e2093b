#pragma once
// The top level of a SoundFont bank: its lists, walked for the chunks the importer reads.

#include <string>

#include "import/chunk_walker.h"

namespace tolvane {

// Walks the bank's top-level lists ("INFO", "sdta", "pdta") of `context.base`, a file that
// starts with a RIFF "sfbk" header, recording their chunks in `context`. The damage, for people,
// when the lists do not end exactly at the RIFF end; empty when they do.
std::string WalkBank(ChunkWalkContext& context);

}  // namespace tolvane
