#pragma once
// One multisample <sample> as a zone: key and velocity ranges, root, tuning, key tracking and
// gain in the zone's fields, and the frames and loop its sample is to have once the file's
// length is known.

#include <cstdint>
#include <optional>

#include "import/bitwig/multisample_records.h"
#include "import/sample_files/decoded_sound.h"
#include "library/zone.h"

namespace tolvane {

struct MultisampleZonePlan {
  Zone zone;  // every field but the sample, the stereo flag and the loop flag
};

// The zone fields of `sample`.
MultisampleZonePlan PlanMultisampleZone(const MultisampleSample& sample);

// The one place a requested gain (dB) becomes the zone's attenuation, 0 dB at most: the importer
// folds a gain above 0 dB into the sample's values (FoldGains).
void ApplyGain(Zone& zone, double gainDb);

// What `sample` makes of a decoded file of `frames` frames whose own loop is `fileLoop`.
struct MultisampleCut {
  std::uint32_t start = 0;   // first frame played
  std::uint32_t frames = 0;  // frames the sample keeps: to its sample-stop
  SoundLoop loop;            // inside [0, frames)
  bool looped = false;
};
MultisampleCut CutMultisample(const MultisampleSample& sample, std::uint32_t frames,
                              const std::optional<SoundLoop>& fileLoop);

}  // namespace tolvane
