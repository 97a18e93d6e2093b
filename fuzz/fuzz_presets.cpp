// Any bytes as a SoundFont bank made one instrument per preset: whatever the importer keeps is
// shown and exported the way the program would, and `info` describes the bank in proportion to
// its size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/importer.h"
#include "import/outcome_text.h"
#include "import/soundfont/soundfont_import.h"
#include "import/soundfont/soundfont_info.h"
#include "library/instrument_texts.h"
#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\fuzzed.sf2");
  ImportView view{std::as_bytes(std::span(data, size)), 0, nullptr};
  view.settings.soundFont = SoundFontMode::Presets;
  const ImportOutcome outcome = ImportSoundFont(library, source, view);
  // A file not taken leaves nothing behind, and damage always has its reason.
  if (!outcome.recognised() && !library.instruments.empty()) std::abort();
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();

  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) {
    if (instrument->zones.empty() || !instrument->program) std::abort();
    for (const Zone& zone : instrument->zones) {
      const Sample& sample = *zone.sample;
      if (sample.data.size() < std::size_t{sample.frames} * sample.channels) std::abort();
    }
    (void)SamplesText(*instrument);
    AddInstrumentToExportSet(*set, *instrument);
  }
  std::vector<std::byte> file;
  SerializeExportSet(*set, file);

  std::ostringstream description;
  std::string damage;
  DescribeSoundFont(view.bytes, "fuzzed.sf2", description, damage);
  if (description.str().size() > 4 * size + 4096) std::abort();
  return 0;
}
