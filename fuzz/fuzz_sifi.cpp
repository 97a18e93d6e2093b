// The SiFi reader on any bytes; what it accepts must write back out and read in again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/importer.h"
#include "import/sifi_import.h"
#include "library/library.h"

namespace {

std::size_t ImportInto(tolvane::Library& library, std::span<const std::byte> bytes) {
  tolvane::Source& source = tolvane::CreateSource(library, "fuzzed.SLC");
  tolvane::ImportSiFi(library, source, tolvane::ImportView{bytes, 0, nullptr});
  return library.instruments.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  Library library;
  if (ImportInto(library, std::as_bytes(std::span(data, size))) == 0) return 0;

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  if (!SerializeExportSet(*set, file)) return 0;

  // Every instrument with samples was written, so every one comes back.
  std::size_t written = 0;
  for (const auto& group : set->groups) written += group.members.size();
  Library again;
  if (ImportInto(again, file) != written) std::abort();
  return 0;
}
