// Any bytes dropped as a file: every importer of the chain gets its chance, then whatever was
// imported is shown and exported the way the program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/import_file.h"
#include "import/importer.h"
#include "import/outcome_text.h"
#include "library/instrument_texts.h"
#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  SoundDatabase database;
  Library library;
  const ImportView view{std::as_bytes(std::span(data, size)), 0, nullptr};
  const ImportOutcome outcome = ImportBytes(library, database, "C:\\Drop\\fuzzed.bin", view);
  // A file no importer recognised leaves nothing behind, and damage always has its reason.
  if (outcome.status == ImportStatus::NotRecognised && !library.instruments.empty()) std::abort();
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (outcome.status == ImportStatus::CannotOpen) std::abort();

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) {
    (void)SamplesText(*instrument);
    (void)SizeText(GetInstrumentStats(*instrument).sampleBytes);
    AddInstrumentToExportSet(*set, *instrument);
  }
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
