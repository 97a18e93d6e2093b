#pragma once
// The last step every sample-file importer takes for a zone: the sample filed in the instrument
// (or found there, shared), and the zone pointed at it.

#include <optional>

#include "import/import_outcome.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {

// `zone` playing the sample `request` files (stereo when it has two channels, looped or not);
// nothing, with `why` set, when the instrument cannot keep the sample.
std::optional<Zone> ZoneOnSample(Instrument& instrument, const SampleRequest& request,
                                 SampleData data, Zone zone, bool looped, LeftOutKind& why);

}  // namespace tolvane
