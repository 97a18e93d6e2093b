#include "import/soundfont/soundfont_instrument_zones.h"

#include <algorithm>
#include <string>

#include "import/soundfont/soundfont_outcome.h"

namespace tolvane {

const std::vector<InstrumentZone>& InstrumentZones::Of(std::size_t index) {
  // The last record only closes the bag range of the one before it.
  if (index + 1 >= read_.size()) return none_;
  if (!read_[index]) Read(index, read_[index].emplace());
  return *read_[index];
}

void InstrumentZones::Read(std::size_t index, std::vector<InstrumentZone>& zones) {
  const auto bags = records_.BagsOf(index);
  if (!bags) return;
  const std::size_t endBag = std::min({bags->end, records_.bagCount(), bagsLeft_.bound()});
  if (bags->end > records_.bagCount())
    drops_.Drop(PartKind::Zone, kBagOutside,
                bags->end - std::max(bags->first, records_.bagCount()));
  GeneratorValues global;
  for (std::size_t bag = bagsLeft_.Next(bags->first); bag < endBag; bag = bagsLeft_.Next(bag + 1)) {
    bagsLeft_.Take(bag);
    std::optional<InstrumentZone> zone = ReadBag(bag);
    if (!zone) continue;
    if (zone->sampleIds.empty()) {
      // Only the first zone can be the global one; a later zone without sample plays nothing.
      if (bag == bags->first) global = zone->values;
      continue;
    }
    zones.push_back(std::move(*zone));
  }
  for (InstrumentZone& zone : zones) zone.values = GeneratorValues::Layered(global, zone.values);
}

std::optional<InstrumentZone> InstrumentZones::ReadBag(std::size_t bag) {
  const auto generators = records_.GeneratorsOf(bag);
  if (!generators) {
    drops_.Drop(PartKind::Zone, kGeneratorsOutside);
    return std::nullopt;
  }
  InstrumentZone zone;
  samples_.StartBag();
  const std::size_t endGenerator = std::min(generators->end, generatorsLeft_.bound());
  for (std::size_t g = generatorsLeft_.Next(generators->first); g < endGenerator;
       g = generatorsLeft_.Next(g + 1)) {
    generatorsLeft_.Take(g);
    const auto generator = records_.Generator(g);
    if (!generator) {
      drops_.Drop(PartKind::Zone, kGeneratorsOutside);
      return std::nullopt;
    }
    if (generator->number != kGenSampleId) {
      zone.values.Set(generator->number, generator->amount);
      continue;
    }
    // Checked here, once, so that a zone played by many presets is counted once.
    if (const auto why = samples_.Plan(generator->amount)) {
      drops_.Drop(PartKind::Zone, *why->kind, 1, {}, std::string(why->detail));
      return std::nullopt;
    }
    zone.sampleIds.push_back(generator->amount);
  }
  return zone;
}

}  // namespace tolvane
