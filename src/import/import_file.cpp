#include "import/import_file.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "database/sound_database.h"
#include "import/bitwig/multisample_import.h"
#include "import/decent/decent_import.h"
#include "import/dls/dls_import.h"
#include "import/hydrogen/hydrogen_import.h"
#include "import/importer.h"
#include "import/sample_files/sample_file_import.h"
#include "import/sample_folder/folder_import.h"
#include "import/sfz/sfz_import.h"
#include "import/sifi/sifi_import.h"
#include "import/soundfont/soundfont_import.h"
#include "import/wave/wave_import.h"
#include "library/library.h"

namespace tolvane {
namespace {

// The importers in the order they are offered a file; the first that takes it ends the chain.
// Each format adds its row here.
constexpr std::array kImporters = {
    Importer{&ImportSoundFont}, Importer{&ImportDls},           Importer{&ImportSiFi},
    Importer{&ImportWave},      Importer{&ImportSampleFile},    Importer{&ImportSfz},
    Importer{&ImportDecent},    Importer{&ImportDecentLibrary}, Importer{&ImportMultisample},
    Importer{&ImportHydrogen},
};

// The file that makes a dropped folder a Hydrogen drum kit.
constexpr std::string_view kKitFile = "drumkit.xml";

// Sizes and offsets in the formats are 32 bits; a larger file cannot be described by them.
constexpr std::uintmax_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

// A regular file that can be opened for reading. Only regular files count: opening a pipe
// would wait for a writer.
bool CanOpenForReading(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) &&
         std::ifstream(path, std::ios::binary).is_open();
}

ImportOutcome RunImporters(Library& library, Source& source, const ImportView& view) {
  ImportOutcome refused;
  for (const Importer importer : kImporters) {
    ImportOutcome outcome = importer(library, source, view);
    if (outcome.recognised()) return outcome;
    // The first importer with something to say about the file says it.
    if (refused.reason.empty()) refused = std::move(outcome);
  }
  return refused;
}

// Why a file that MappedFile could not open was not opened, as far as the system tells.
std::string WhyNotOpened(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return "cannot open file: no such file";
  if (std::filesystem::is_directory(status)) return "cannot open file: it is a folder";
  if (!std::filesystem::is_regular_file(status)) return "cannot open file: not a regular file";
  return "cannot open file";
}

}  // namespace

ImportOutcome ImportFile(Library& library, SoundDatabase& database, std::string_view utf8Path,
                         WorkProgress* progress, const ImportSettings& settings) {
  // The file is opened by exactly the name it was dropped with.
  const std::filesystem::path path = PathFromUtf8(utf8Path);
  if (std::error_code error; std::filesystem::is_directory(path, error)) {
    // A bundle's presets are its instruments, not its loose samples.
    if (IsDecentBundleName(utf8Path))
      return ImportDecentBundle(library, database, utf8Path, progress);
    // A folder that describes its own instrument is that instrument, not loose samples.
    if (IsMultisampleFolder(path))
      return ImportMultisampleFolder(library, database, utf8Path, progress);
    // A Hydrogen kit's folder is its drumkit.xml, not a folder of loose samples.
    if (const auto kit = path / kKitFile; std::filesystem::is_regular_file(kit, error))
      return ImportFile(library, database, PathToUtf8(kit), progress, settings);
    return ImportFolder(library, database, utf8Path, settings, progress);
  }
  std::optional<MappedFile> file = MappedFile::Open(path);
  if (!file) {
    if (!CanOpenForReading(path)) return ImportOutcome::CannotOpen(WhyNotOpened(path));
    // A file that opens but cannot be mapped still gets its source, like an empty one.
    ImportBytes(library, database, utf8Path, ImportView{});
    return ImportOutcome::CannotOpen("cannot read file: it opens but cannot be mapped");
  }
  if (file->size() > kLargestFile) {
    // Nothing an importer could read, but the drop still gets its source.
    ImportBytes(library, database, utf8Path, ImportView{});
    return ImportOutcome::NotRecognised("files of 4 GiB or more are not read");
  }
  ImportOutcome outcome =
      ImportBytes(library, database, utf8Path,
                  ImportView{file->bytes(), file->modifiedTime(), &*file, progress});
  file.reset();  // nothing refers to the mapped bytes any more
  return outcome;
}

ImportOutcome ImportBytes(Library& library, SoundDatabase& database, std::string_view utf8Path,
                          const ImportView& view) {
  Source& source = CreateSource(library, Utf8ToWindows1252(utf8Path));
  source.section = &FindOrCreateSection(database, source.baseName);
  ImportOutcome outcome = view.bytes.empty() ? ImportOutcome::NotRecognised("empty file")
                                             : RunImporters(library, source, view);
  NumberCollections(source);
  return outcome;
}

void NumberCollections(Source& source) {
  std::uint32_t counter = 0;
  for (const auto& group : source.groups) {
    group->collectionNumber = group->instruments.size() >= 2 ? ++counter : 0;
  }
}

}  // namespace tolvane
