#pragma once
// One multisample <sample> as a zone to be: key and velocity ranges, root, tuning, key tracking
// and gain in the zone's fields, and where its sample starts, stops and loops once the file's
// length is known.

#include "import/bitwig/multisample_records.h"
#include "import/sample_zones.h"
#include "library/zone.h"

namespace tolvane {

// The plan of `sample`, all but its file, name and subject. Its sample keeps the root key the
// record gives and not the file's fine tuning; start, stop and loop frames are rounded, and
// a stop at or before the start marks no end. Reverse playback and alternating loops are
// noted.
SampleZonePlan PlanMultisampleZone(const MultisampleSample& sample);

// The one place a requested gain (dB) becomes the zone's attenuation, 0 dB at most: the importer
// folds a gain above 0 dB into the sample's values (FoldGains).
void ApplyGain(Zone& zone, double gainDb);

}  // namespace tolvane
