#pragma once
// One SFZ region's opcodes as a zone: key and velocity ranges, tuning, volume, pan, offset,
// amplitude envelope and low-pass filter in the units of the zone's SoundFont-style fields, and
// what its sample and loop are to be.

#include <optional>
#include <string>

#include "import/sample_files/decoded_sound.h"
#include "import/sfz/sfz_regions.h"
#include "library/zone.h"

namespace tolvane {

struct SfzZonePlan {
  Zone zone;                      // every field but the sample, the stereo flag and the loop flag
  std::string samplePath;         // default_path and sample joined, folders separated by '/'
  std::optional<SoundLoop> loop;  // loop_start/loop_end (end past the loop's last frame)
  std::optional<bool> looped;     // loop_mode; nothing: as the sample has a loop or not
  double gainDb = 0;              // volume; above 0 the zone's attenuation stays 0 (see FoldGains)
};

// Nothing for a region without a sample. The region's control opcodes give the sample folder
// and the key offsets.
std::optional<SfzZonePlan> PlanSfzZone(const SfzRegion& region);

}  // namespace tolvane
