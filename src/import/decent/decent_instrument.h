#pragma once
// The two halves of importing a preset, apart so that a container plans all of its presets, has
// every sample they play decoded in one pass, and only then builds their instruments.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "import/decent/decent_import.h"
#include "import/decent/decent_samples.h"
#include "import/decent/decent_zone.h"
#include "import/import_outcome.h"

namespace tolvane {

// One preset's zones to be, before its samples are decoded.
struct DecentPresetPlan {
  // Set when the preset is damaged as a whole (its `<groups>` cannot be read): the reason.
  std::string refused;
  ImportDrops drops{PartKind::Zone};  // what planning already left out or noted
  // Each zone's plan with the index of the sample file it plays.
  std::vector<std::pair<DecentZonePlan, std::size_t>> zones;
};

// Plans the preset `text` whose folder in the container is `folder`, adding the files its zones
// play to `samples`.
DecentPresetPlan PlanDecentPreset(std::string_view text, std::string_view folder,
                                  DecentSamples& samples);

// The instrument of `plan` added to `library` and `source`, its zones playing the decoded
// `samples`; the preset's outcome, as ImportDecentPreset tells it.
// REQUIRES: `samples` decoded (DecodeAll), holding every file the plan names.
ImportOutcome BuildDecentInstrument(Library& library, Source& source, const DecentPresetPlan& plan,
                                    const DecentPresetPlace& place, const DecentSamples& samples);

}  // namespace tolvane
