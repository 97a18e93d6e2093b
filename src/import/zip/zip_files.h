#pragma once
// The files of a zip archive as an instrument inside it sees them: texts and decoded samples by
// a path relative to the instrument's folder in the archive.

#include <string>

#include "import/instrument_files.h"
#include "import/zip/zip_archive.h"

namespace tolvane {

// Paths may use '/' or '\' between folders and ".." to climb towards the archive's root, never
// above it. A name whose case does not match is found when exactly one entry matches it
// ignoring case.
class ZipFiles : public InstrumentFiles {
 public:
  // `folder`: the folder of the archive the paths start from, "" for its root.
  // REQUIRES: `archive` outlives this object.
  ZipFiles(const ZipArchive& archive, std::string folder)
      : archive_(archive), folder_(std::move(folder)) {}

  // Nothing for a path not in the archive, an entry that cannot be unpacked, or one of more
  // than 64 MiB.
  std::optional<std::string> ReadText(const std::string& path) const override;
  // CannotOpen with `missing` for a path not in the archive; CannotOpen, not missing, for one
  // that climbs out of it; Damaged, with the reason, for an entry that cannot be unpacked; else
  // as ReadSound reads the unpacked bytes. Unpacks and decodes in the calling thread.
  SoundReading ReadSample(const std::string& path) const override;
  // The unpacked size the archive claims for the entry; 0 when it is not there.
  std::uint64_t SampleSize(const std::string& path) const override;
  // The entries whose names start with the folder of the archive `folder` names.
  std::vector<std::string> ListFiles(const std::string& folder) const override;

  // The entry `path` names, or null.
  const ZipEntry* Find(const std::string& path) const;

 private:
  const ZipArchive& archive_;
  std::string folder_;
};

// The folder part of an entry name ("Presets" for "Presets/Piano.dspreset", "" at the root).
std::string EntryFolder(const std::string& name);

}  // namespace tolvane
