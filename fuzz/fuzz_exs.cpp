// Logic EXS24 / Sampler instrument bytes. Samples come from memory: a path naming "missing" is
// not there, any other a short mono sound. Whatever is imported is exported the way the program
// would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/exs/exs_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "memory_files.h"

namespace {

std::uint32_t FramesByPath(const std::string& path) {
  return 64 + static_cast<std::uint32_t>(path.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const fuzz::MemoryFiles files({.frames = FramesByPath});
  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\Piano.exs");
  FilePlace place;
  place.name = "Piano";
  place.folder = "Instruments/";
  const ImportOutcome outcome = ImportExsBytes(library, source, bytes, place, files);
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (!outcome.recognised() && !library.instruments.empty()) std::abort();
  if (library.instruments.size() > 1) std::abort();
  for (const auto& instrument : library.instruments) {
    for (const Zone& zone : instrument->zones) {
      const Sample& sample = *zone.sample;
      if (sample.frames == 0 || sample.loopEnd > sample.frames) std::abort();
      if (zone.mapping.keyLow > zone.mapping.keyHigh || zone.mapping.velLow > zone.mapping.velHigh)
        std::abort();
      if (zone.mapping.startOffset < 0 ||
          static_cast<std::uint32_t>(zone.mapping.startOffset / 2) >= sample.frames)
        std::abort();
    }
  }
  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
