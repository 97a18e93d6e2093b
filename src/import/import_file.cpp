#include "import/import_file.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "database/sound_database.h"
#include "import/importer.h"
#include "import/soundfont_import.h"
#include "import/wave_import.h"
#include "library/library.h"

namespace tolvane {
namespace {

// The importers in the order they are offered a file; the first that takes it ends the chain.
// Each format adds its row here.
constexpr std::array kImporters = {
    Importer{&ImportSoundFont},
    // ImportSiFi: instrument and collection files.
    Importer{&ImportWave},
};

// Sizes and offsets in the formats are 32 bits; a larger file cannot be described by them.
constexpr std::uintmax_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

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
  if (!file) return false;

  Source& source = CreateSource(library, Utf8ToWindows1252(utf8Path));
  source.section = &FindOrCreateSection(database, source.baseName);

  bool taken = false;
  if (file->size() > 0 && file->size() <= kLargestFile) {
    const ImportView view{file->bytes(), file->modifiedTime(), &*file};
    taken = RunImporters(library, source, view);
  }
  file.reset();  // nothing refers to the mapped bytes any more

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
