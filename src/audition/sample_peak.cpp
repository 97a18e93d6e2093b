#include "audition/sample_peak.h"

#include <algorithm>
#include <cstdlib>

namespace tolvane {

std::int32_t InstrumentSamplePeak(const Instrument& instrument, std::int32_t enough) {
  std::int32_t peak = 0;
  const Sample* last = nullptr;
  for (const Zone& zone : instrument.zones) {
    if (zone.sample == nullptr || zone.sample == last) continue;
    last = zone.sample;
    for (const std::int16_t value : zone.sample->data) {
      peak = std::max(peak, std::abs(static_cast<std::int32_t>(value)));
      if (peak >= enough) return peak;
    }
  }
  return peak;
}

}  // namespace tolvane
