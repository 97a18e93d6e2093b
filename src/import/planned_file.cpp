#include "import/planned_file.h"

#include "import/sample_pool.h"

namespace tolvane {

ImportOutcome ImportPlannedFile(FilePlanner planner, Library& library, Source& source,
                                std::string_view text, const FilePlace& place,
                                const InstrumentFiles& files, WorkProgress* progress) {
  SamplePool pool;
  const std::unique_ptr<PlannedFile> planned = planner(text, place, files, pool);
  if (!pool.DecodeAll(files, progress)) return ImportOutcome::Cancelled();
  return planned->Build(library, source, pool);
}

}  // namespace tolvane
