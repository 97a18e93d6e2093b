#include "import/import_file.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "database/sound_database.h"
#include "import/importer.h"
#include "import/sifi_import.h"
#include "import/soundfont_import.h"
#include "import/wave_import.h"
#include "library/library.h"

namespace tolvane {
namespace {

// The importers in the order they are offered a file; the first that takes it ends the chain.
// Each format adds its row here.
constexpr std::array kImporters = {
    Importer{&ImportSoundFont},
    Importer{&ImportSiFi},
    Importer{&ImportWave},
};

// Sizes and offsets in the formats are 32 bits; a larger file cannot be described by them.
constexpr std::uintmax_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

// A regular file that can be opened for reading. Only regular files count: opening a pipe
// would wait for a writer.
bool CanOpenForReading(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) &&
         std::ifstream(path, std::ios::binary).is_open();
}

bool RunImporters(Library& library, Source& source, const ImportView& view) {
  for (const Importer importer : kImporters) {
    if (importer(library, source, view)) return true;
  }
  return false;
}

}  // namespace

bool ImportFile(Library& library, SoundDatabase& database, std::string_view utf8Path) {
  // Paths are bytes here: the file is opened by exactly the name it was dropped with.
  const std::filesystem::path path{std::string(utf8Path)};
  std::optional<MappedFile> file = MappedFile::Open(path);
  if (!file) {
    // A file that opens but cannot be mapped still gets its source, like an empty one.
    if (CanOpenForReading(path)) ImportBytes(library, database, utf8Path, ImportView{});
    return false;
  }
  if (file->size() == 0 || file->size() > kLargestFile) {
    // Nothing an importer could read, but the drop still gets its source.
    ImportBytes(library, database, utf8Path, ImportView{});
    return false;
  }
  const bool taken = ImportBytes(library, database, utf8Path,
                                 ImportView{file->bytes(), file->modifiedTime(), &*file});
  file.reset();  // nothing refers to the mapped bytes any more
  return taken;
}

bool ImportBytes(Library& library, SoundDatabase& database, std::string_view utf8Path,
                 const ImportView& view) {
  Source& source = CreateSource(library, Utf8ToWindows1252(utf8Path));
  source.section = &FindOrCreateSection(database, source.baseName);
  const bool taken = !view.bytes.empty() && RunImporters(library, source, view);
  NumberCollections(source);
  return taken;
}

void NumberCollections(Source& source) {
  std::uint32_t counter = 0;
  for (const auto& group : source.groups) {
    group->collectionNumber = group->instruments.size() >= 2 ? ++counter : 0;
  }
}

}  // namespace tolvane
