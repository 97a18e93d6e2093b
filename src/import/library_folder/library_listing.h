#pragma once
// What a library folder holds, as the table of formats tells: the instrument files in it (at any
// depth), planned over the library's shared pool or imported alone, and the sound files beside
// them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "import/formats.h"
#include "import/planned_file.h"

namespace tolvane {

struct LibraryFile {
  const FileFormat* format = nullptr;
  std::filesystem::path path;  // on disk
  std::string key;             // from the library's top, '/' between folders (UTF-8)
  // Planned over the library's pool (its format's `planned` names), else imported alone.
  bool planned = false;
  FilePlace place;  // where a planned file's sample paths count from, and its name
  // The sound database's section its instruments' categories are kept in (Windows-1252): the
  // base name a drop of the file, or of the folder that is its instrument, would give.
  std::string section;
};

struct LibraryListing {
  std::vector<LibraryFile> files;       // in order of key
  std::vector<std::string> soundFiles;  // keys of the sound files, in order
  // Keys of the files that come beside instruments and are none (FileFormat::passedOver).
  std::vector<std::string> passedOver;
  std::string failure;  // why the listing stopped part way; empty when whole
};

// Lists the tree under `root`. A folder a format claims as a container (a .dsbundle) is the top
// its files' sample paths count from.
LibraryListing ListLibrary(const std::filesystem::path& root);

// Whether the tree under `folder` holds a file of a format whose files are instruments,
// looking no further than the first.
bool HoldsInstrumentFiles(const std::filesystem::path& folder);

}  // namespace tolvane
