// The SiFi readers on any bytes: the importer and `tolvane-convert info`, which share the
// bounded group reader. What the importer takes must write back out and read in again whole,
// with the same instruments.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/sifi_info.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/importer.h"
#include "import/outcome_text.h"
#include "import/sifi/sifi_import.h"
#include "library/library.h"

namespace {

struct Imported {
  tolvane::ImportOutcome outcome;
  std::size_t instruments = 0;
};

Imported ImportInto(tolvane::Library& library, std::span<const std::byte> bytes) {
  tolvane::Source& source = tolvane::CreateSource(library, "fuzzed.SLC");
  Imported imported;
  imported.outcome = tolvane::ImportSiFi(library, source, tolvane::ImportView{bytes, 0, nullptr});
  imported.instruments = library.instruments.size();
  return imported;
}

// Counts what info writes without keeping it.
class CountingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const auto bytes = std::as_bytes(std::span(data, size));
  CountingBuffer sink;
  std::ostream out(&sink);
  std::string error;
  (void)cli::DescribeSiFi(bytes, "fuzzed.SLC", out, error);

  Library library;
  const Imported first = ImportInto(library, bytes);
  if (first.outcome.status == ImportStatus::Damaged && OutcomeReason(first.outcome).empty())
    std::abort();
  if (first.instruments == 0) return 0;

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  if (!SerializeExportSet(*set, file)) return 0;

  // Every instrument with samples was written, so every one comes back, and nothing the writer
  // writes reads as damaged.
  std::size_t written = 0;
  for (const auto& group : set->groups) written += group.members.size();
  Library again;
  const Imported second = ImportInto(again, file);
  if (second.instruments != written || !second.outcome.imported()) std::abort();
  return 0;
}
