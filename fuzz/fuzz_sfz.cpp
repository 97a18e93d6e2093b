// SFZ text: the first part of the input (up to a zero byte) is the instrument, the rest the
// text of every file it includes. Samples come from memory: a path naming "missing" is not
// there, one naming "stereo" is a stereo sound, one naming "loop" has a loop. Whatever is
// imported is exported the way the program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/outcome_text.h"
#include "import/sfz/sfz_import.h"
#include "library/library.h"
#include "memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view text = input.substr(0, split);
  const std::string_view included =
      split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
  const fuzz::MemoryFiles files({.included = included});
  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\fuzzed.sfz");
  const ImportOutcome outcome = ImportSfzText(library, source, text, 0, files);
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (!outcome.recognised()) std::abort();  // every text is an SFZ file's
  if (library.instruments.size() > 1) std::abort();

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);
  return 0;
}
