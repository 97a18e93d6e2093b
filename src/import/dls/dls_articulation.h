#pragma once
// A DLS articulation (its connection blocks) as a zone takes it: SoundFont 2 generator amounts
// where DLS uses the same units (timecents, centibels, cents, tenths of a percent, absolute
// cents), so that both bank formats reach the zone through one mapping, ApplyGenerator.

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "import/dls/dls_records.h"

namespace tolvane {

struct DlsZoneArticulation {
  // SoundFont 2 generators and their amounts, for ApplyGenerator in this order.
  std::vector<std::pair<std::uint16_t, std::int16_t>> generators;
  std::int32_t gain = 0;   // centibels, positive louder; the caller adds the wave's own
  std::int32_t pitch = 0;  // cents, added to the region's tuning by the caller
  // Blocks driven by a modulation source (LFO, velocity, controllers, ...), which a zone cannot
  // hold and which are left out. Scaling by key number of the envelope's hold and decay and of
  // the pitch is kept.
  std::size_t modulated = 0;
};

// Starts from the DLS defaults, which equal a fresh zone's (envelope times 0 s, sustain full,
// no filter, centre pan): only what the blocks set is listed. Of a constant set twice the
// last one counts. The volume envelope's delay is left out, as a zone has none.
DlsZoneArticulation ConvertArticulation(std::span<const DlsConnection> connections);

}  // namespace tolvane
