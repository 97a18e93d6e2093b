// Hydrogen drum kit XML through the kit importer and the export. Samples come from memory for
// any path: a path naming "missing" is not there, one naming "stereo" is a stereo sound, and
// every other a short mono sound whose length follows the path.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/hydrogen/hydrogen_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "memory_files.h"

namespace {

std::uint32_t FramesByPath(const std::string& path) {
  return 16 + static_cast<std::uint32_t>(path.size() % 48);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const fuzz::MemoryFiles files({.frames = FramesByPath, .loops = false});
  Library library;
  Source& source = CreateSource(library, "C:\\Kits\\Fuzzed\\drumkit.xml");
  const ImportOutcome outcome = ImportHydrogenText(library, source, text, 0, files);
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (!outcome.recognised()) std::abort();  // every text is taken as a kit's
  if (library.instruments.size() > 1) std::abort();
  for (const auto& instrument : library.instruments) {
    for (const Zone& zone : instrument->zones) {
      // One key each, from 36; velocities within 1..127.
      if (zone.mapping.keyLow != zone.mapping.keyHigh || zone.mapping.keyLow < 36) std::abort();
      if (zone.mapping.velLow < 1 || zone.mapping.velLow > zone.mapping.velHigh ||
          zone.mapping.velHigh > 127)
        std::abort();
    }
  }

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
