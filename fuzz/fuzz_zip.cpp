// A zip archive's bytes: every entry it lists is unpacked through the folder view (all cores
// at once, as an import does), then the archive is imported as a Bitwig multisample and what
// came of it exported the way the program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "base/all_cores.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/bitwig/multisample_import.h"
#include "import/outcome_text.h"
#include "import/zip/zip_files.h"
#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const ZipOpening opening = ZipArchive::Open(bytes);
  if (!opening.archive && opening.refusal.empty()) std::abort();
  if (opening.archive) {
    const ZipArchive& archive = *opening.archive;
    for (const RefusedEntry& refused : archive.refused())
      if (!CheckEntryName(refused.name)) std::abort();  // refused for no reason
    const ZipFiles files(archive, "");
    ForEachOnAllCores(archive.entries().size(), [&](std::size_t i) {
      const ZipEntry& entry = archive.entries()[i];
      if (CheckEntryName(entry.name)) std::abort();  // a refused name listed
      const ZipRead read = archive.Read(entry);
      if (read.problem ? !read.bytes.empty() : read.bytes.size() != entry.size) std::abort();
      files.ReadSample(entry.name);
      return true;
    });
  }

  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\fuzzed.multisample");
  const ImportOutcome outcome = ImportMultisampleArchive(library, source, bytes, 0);
  if (!outcome.recognised()) std::abort();  // a .multisample file is the importer's
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (library.instruments.size() > 1) std::abort();
  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
