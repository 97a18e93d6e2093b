#pragma once
// One MPC layer as a zone to be: the instrument's keys (a keygroup's range, a pad's note), the
// layer's velocities, root, tuning, level and pan of the three stages, the amplifier envelope
// and low-pass filter, and where its sample starts, ends and loops.

#include <optional>

#include "import/mpc/mpc_records.h"
#include "import/sample_zones.h"

namespace tolvane {

// Where the layer plays: keys `keyLow` to `keyHigh`; a drum pad's note as `padNote`, which is
// then also its root (pads play their samples untransposed).
struct MpcKeys {
  int keyLow = 0;
  int keyHigh = 127;
  std::optional<int> padNote;
};

// The plan of `layer`, all but its file, name and subject. What it cannot keep is noted: reverse
// playback with the zone, a filter other than low-pass and a slice played whole into `drops`.
SampleZonePlan PlanMpcZone(const MpcProgram& program, const MpcInstrument& instrument,
                           const MpcLayer& layer, const MpcKeys& keys, ImportDrops& drops);

// A normalised MPC time (0..1) in seconds: 1 ms at 0, 100 s at 1, exponential between.
double MpcSeconds(double value);

// A normalised cutoff (0..1) in hertz.
double MpcCutoffHz(double value);

}  // namespace tolvane
