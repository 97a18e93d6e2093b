// Decent Sampler preset text. Samples come from memory: a path naming "missing" is not there,
// one naming "stereo" is a stereo sound, one naming "loop" has a loop; any other path is a
// short mono sound. Whatever is imported is exported the way the program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/decent/decent_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const fuzz::MemoryFiles files;
  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\fuzzed.dspreset");
  const ImportOutcome outcome =
      ImportDecentPreset(library, source, text, {source.baseName, 0, "Presets/"}, files);
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (!outcome.recognised()) std::abort();  // every text is a preset's
  if (library.instruments.size() > 1) std::abort();

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
