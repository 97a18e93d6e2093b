// MPC programs (.xpm text), and expansions (.xpn archives) for input that starts as a zip
// archive does. A program's samples come from memory: a few files listed at the top and below
// it, "stereo" ones stereo, "loop" ones looped. Whatever is imported is exported the way the
// program would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/mpc/mpc_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "memory_files.h"

namespace {

// The memory files, listed: what a program can find by name.
class ListedFiles : public tolvane::fuzz::MemoryFiles {
 public:
  ListedFiles() : MemoryFiles({.frames = FramesByPath}) {}
  std::uint64_t SampleSize(const std::string& path) const override {
    return path == "Expansion.xml" ? 1 : 0;
  }
  std::vector<std::string> ListFiles(const std::string& /*folder*/) const override {
    return {"a.wav",    "Kick.WAV",       "Samples/snare .wav",
            "loop.wav", "stereo pad.wav", "Deep/er/loop stereo.wav"};
  }

 private:
  static std::uint32_t FramesByPath(const std::string& path) {
    return 64 + static_cast<std::uint32_t>(path.size());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Library library;
  ImportOutcome outcome;
  if (text.starts_with("PK")) {
    Source& source = CreateSource(library, "C:\\Drop\\Expansion.xpn");
    outcome = ImportMpcExpansion(library, source, bytes, 0);
  } else {
    const ListedFiles files;
    Source& source = CreateSource(library, "C:\\Drop\\Program.xpm");
    outcome = ImportMpcProgramText(library, source, text, 0, files);
    if (library.instruments.size() > 1) std::abort();  // one program, one instrument
  }
  if (!outcome.recognised()) std::abort();  // every input is an MPC file's
  if (outcome.status == ImportStatus::Damaged && OutcomeReason(outcome).empty() &&
      outcome.leftOut.empty())
    std::abort();
  for (const auto& instrument : library.instruments) {
    for (const Zone& zone : instrument->zones) {
      const Sample& sample = *zone.sample;
      if (sample.frames == 0 || sample.loopEnd > sample.frames) std::abort();
      if (zone.mapping.keyLow > zone.mapping.keyHigh || zone.mapping.keyHigh > 127) std::abort();
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
