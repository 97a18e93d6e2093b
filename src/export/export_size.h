#pragma once
// What an export will take before it is written: the files' sizes with the export's options, for
// choosing options that fit the sampler's memory.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/work_progress.h"
#include "export/export_commands.h"

namespace tolvane {

struct ExportSize {
  // The collection file of the instruments; 0 when it cannot be written, `collectionProblem`
  // then telling why (as the export's reason would, Windows-1252).
  std::uint64_t collectionBytes = 0;
  std::string collectionProblem;
  // The single-instrument files of their groups, together; groups that cannot be written
  // alone are counted in `singleFailures`, not in the bytes.
  std::uint64_t singleBytes = 0;
  std::size_t singleFiles = 0;
  std::size_t singleFailures = 0;
  FitSavings saved;  // by the options, in the collection
  bool cancelled = false;
};

// Lays the exports of `checked` out as ExportCollection and ExportSingleInstruments would with
// `options`, without writing a byte (loops checked, samples fitted, groups split alike). Groups'
// export marks are left alone, so that work on another thread may measure while the window
// reads them. `progress` (may be null) may cancel between groups.
ExportSize MeasureExport(std::span<const Instrument* const> checked, const ExportOptions& options,
                         const WorkProgress* progress = nullptr);

}  // namespace tolvane
