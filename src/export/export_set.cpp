#include "export/export_set.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tolvane {

std::unique_ptr<ExportSet> CreateExportSet() {
  return std::make_unique<ExportSet>();
}

void ResetExportSet(ExportSet& set) {
  set.groups.clear();
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

}  // namespace tolvane
