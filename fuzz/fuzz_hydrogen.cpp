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
#include "import/sfz/sfz_files.h"
#include "library/library.h"

namespace {

class FuzzFiles : public tolvane::SfzFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  tolvane::SoundReading ReadSample(const std::string& path) const override {
    using namespace tolvane;
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 22050;
    sound.channels = path.find("stereo") != std::string::npos ? 2 : 1;
    sound.frames = 16 + static_cast<std::uint32_t>(path.size() % 48);
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 100);
    return {std::move(sound), {}};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const FuzzFiles files;
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
