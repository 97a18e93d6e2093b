#include "export/export_set.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace tolvane {
namespace {

constexpr double kExportFullScale = 32768;

}  // namespace

std::unique_ptr<ExportSet> CreateExportSet() {
  return std::make_unique<ExportSet>();
}

void ResetExportSet(ExportSet& set) {
  set.groups.clear();
  set.copies = {};
}

void FreeExportSet(std::unique_ptr<ExportSet> set) {
  set.reset();
}

bool AddInstrumentToExportSet(ExportSet& set, const Instrument& instrument) {
  const SampleGroup* const key = instrument.group;
  if (key == nullptr) return false;
  auto group = std::find_if(set.groups.begin(), set.groups.end(),
                            [key](const ExportGroup& g) { return g.sampleGroup == key; });
  if (group == set.groups.end()) {
    set.groups.push_back(ExportGroup{key, {}, {}});
    group = std::prev(set.groups.end());
  } else if (std::find(group->members.begin(), group->members.end(), &instrument) !=
             group->members.end()) {
    return false;
  }
  group->members.push_back(&instrument);
  return true;
}

const SampleData& WrittenValues(const ExportGroup& group, const Sample& sample) {
  const auto own = group.values.find(&sample);
  return own == group.values.end() ? sample.data : own->second;
}

std::int32_t ExportGroupPeak(const ExportGroup& group) {
  std::int32_t peak = 0;
  for (const Sample* sample : group.sampleGroup->samples) {
    const SampleData& data = WrittenValues(group, *sample);
    const std::size_t count =
        std::min<std::size_t>(data.size(), std::size_t{sample->frames} * sample->channels);
    for (std::size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(std::int32_t{data[i]}));
  }
  return peak;
}

void NormalizeExportSet(ExportSet& set, double dbfs) {
  const double level = kExportFullScale * std::pow(10.0, dbfs / 20);
  for (ExportGroup& group : set.groups) {
    const std::int32_t peak = ExportGroupPeak(group);
    group.gain = peak == 0 ? 1.0 : level / peak;
  }
}

}  // namespace tolvane
