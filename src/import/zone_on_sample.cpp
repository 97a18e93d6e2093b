#include "import/zone_on_sample.h"

#include <utility>

#include "library/zone.h"

namespace tolvane {

std::optional<Zone> ZoneOnSample(Instrument& instrument, const SampleRequest& request,
                                 SampleData data, Zone zone, bool looped, LeftOutKind& why) {
  Sample* const added = AddSample(instrument, request, std::move(data));
  if (added == nullptr) {
    why = LeftOutKind::SampleNotKept;
    return std::nullopt;
  }
  SetZoneSample(zone, added);
  if (request.channels == 2) zone.mapping.flags |= ZoneStereo;
  ApplyGenerator(zone, kGenSampleModes, looped ? 1 : 0);
  return zone;
}

}  // namespace tolvane
