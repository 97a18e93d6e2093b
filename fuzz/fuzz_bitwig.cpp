// multisample.xml text. Samples come from memory: a path naming "missing" is not there, one
// naming "stereo" is a stereo sound, one naming "loop" has a loop. Whatever is imported is
// exported the way the program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/bitwig/multisample_import.h"
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
    sound.frames = 64 + static_cast<std::uint32_t>(path.size());
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 100);
    if (path.find("loop") != std::string::npos) sound.markers.loop = SoundLoop{8, 40};
    return {std::move(sound), {}};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const FuzzFiles files;
  Library library;
  Source& source = CreateSource(library, "C:\\Drop\\multisample.xml");
  const ImportOutcome outcome = ImportMultisampleText(library, source, text, 0, files);
  if (!outcome.recognised()) std::abort();  // every text is a multisample's
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty()) std::abort();
  if (library.instruments.size() > 1) std::abort();
  for (const auto& instrument : library.instruments) {
    for (const Zone& zone : instrument->zones) {
      const Sample& sample = *zone.sample;
      if (sample.frames == 0 || sample.loopEnd > sample.frames) std::abort();
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
