#include "export/loop_check.h"

#include <unordered_map>

#include "library/zone.h"

namespace tolvane {
namespace {

std::string Points(LoopPoints loop) {
  return std::to_string(loop.start) + "-" + std::to_string(loop.end);
}

}  // namespace

std::vector<ClickingLoop> CheckExportLoops(ExportSet& set, LoopMending mending) {
  std::vector<ClickingLoop> found;
  for (ExportGroup& group : set.groups) {
    if (group.sampleGroup == nullptr) continue;
    // The first member that plays each sample looped.
    std::unordered_map<const Sample*, const Instrument*> loopedBy;
    for (const Instrument* member : group.members)
      for (const Zone& zone : member->zones)
        if ((zone.mapping.flags & ZoneLoop) != 0 && zone.sample != nullptr)
          loopedBy.try_emplace(zone.sample, member);
    for (const Sample* sample : group.sampleGroup->samples) {
      const auto player = loopedBy.find(sample);
      if (player == loopedBy.end()) continue;
      const LoopPoints loop = ClampLoop(sample->frames, sample->loopStart, sample->loopEnd);
      const LoopJunction junction = CheckLoopJunction(sample->data, sample->channels, loop);
      if (!junction.clicks) continue;
      ClickingLoop& clicking = found.emplace_back();
      clicking.instrument = player->second->name;
      clicking.sample = sample->name;
      clicking.loop = loop;
      clicking.junction = junction;
      clicking.snapAsked = mending == LoopMending::kSnap;
      if (!clicking.snapAsked) continue;
      clicking.snapped = SnapLoop(sample->data, sample->channels, loop);
      if (clicking.snapped) group.loops[sample] = *clicking.snapped;
    }
  }
  return found;
}

std::string ClickingLoopText(const ClickingLoop& loop) {
  std::string text = loop.instrument + ": loop " + Points(loop.loop) + " of sample '" +
                     loop.sample + "' clicks (a jump of " + std::to_string(loop.junction.jump) +
                     (loop.junction.inValue ? " in value)" : " in slope)");
  if (!loop.snapAsked) return text;
  if (loop.snapped) return text + "; snapped to " + Points(*loop.snapped);
  return text + "; no zero crossings within " + std::to_string(kSnapReach) +
         " frames mend it, left as it is";
}

}  // namespace tolvane
