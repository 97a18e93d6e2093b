#include "export/export_size.h"

#include <algorithm>
#include <vector>

#include "export/sifi_layout.h"

namespace tolvane {
namespace {

// The length of the file the set would be, after the export's own steps; nothing when it cannot
// be laid out (`reason` then says why).
std::uint64_t LaidOutLength(ExportSet& set, const ExportOptions& options, FitSavings& saved,
                            std::string& reason) {
  CheckExportLoops(set, options.loops);
  saved = FitExportSet(set, options.fitting(), FitWork::kMeasure);
  sifi_writing::FileLayout layout;
  const ExportResult result = sifi_writing::LayOutFile(set, layout);
  if (!result) {
    reason = result.reason;
    return 0;
  }
  return layout.length;
}

}  // namespace

ExportSize MeasureExport(std::span<const Instrument* const> checked, const ExportOptions& options,
                         const WorkProgress* progress) {
  ExportSize size;
  auto set = CreateExportSet();
  for (const Instrument* instrument : checked) AddInstrumentToExportSet(*set, *instrument);
  size.collectionBytes = LaidOutLength(*set, options, size.saved, size.collectionProblem);

  // Each group that holds a checked instrument is one file; the order they come in does not
  // change the sum.
  std::vector<const SampleGroup*> groups;
  for (const Instrument* instrument : checked)
    if (instrument->group != nullptr &&
        std::find(groups.begin(), groups.end(), instrument->group) == groups.end())
      groups.push_back(instrument->group);
  for (const SampleGroup* group : groups) {
    if (WorkCancelled(progress)) {
      size.cancelled = true;
      break;
    }
    ResetExportSet(*set);
    for (const Instrument* instrument : group->instruments)
      AddInstrumentToExportSet(*set, *instrument);
    FitSavings saved;
    std::string reason;
    const std::uint64_t length = LaidOutLength(*set, options, saved, reason);
    if (length == 0) {
      ++size.singleFailures;
      continue;
    }
    size.singleBytes += length;
    ++size.singleFiles;
  }
  FreeExportSet(std::move(set));
  return size;
}

}  // namespace tolvane
