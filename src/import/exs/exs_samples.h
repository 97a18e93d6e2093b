#pragma once
// Where an EXS instrument's samples are on this machine. The file names them by where they were
// on the Mac it was made on, which is seldom where they are now; each is looked for, in order:
// at its stored URL, at its stored folder and name, beside the instrument, in a "Samples" folder
// beside it, and last by name (in any case) below the folder that holds the instrument's folder,
// nearest first.

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "import/exs/exs_records.h"

namespace tolvane {

class InstrumentFiles;

// How far the search by name looks: folders down, and entries looked at in all.
inline constexpr int kExsSearchDepth = 6;
inline constexpr std::size_t kExsSearchEntries = 50000;

class ExsSampleFinder {
 public:
  // `folder`: the instrument's folder among `files` ("" for their top, else ending in '/').
  // REQUIRES: `file` and `files` outlive the finder.
  ExsSampleFinder(const ExsFile& file, std::string folder, const InstrumentFiles& files);

  // The path among `files` of the sample numbered `index`; nothing when it is nowhere.
  // REQUIRES: index < the file's number of samples.
  std::optional<std::string> Find(std::size_t index);

 private:
  std::optional<std::string> Search(const std::string& name);

  const ExsFile& file_;
  std::string folder_;
  const InstrumentFiles& files_;
  std::map<std::size_t, std::optional<std::string>> found_;
  // File names (case folded) below the search's top, to the nearest path; listed when first
  // needed.
  std::optional<std::map<std::string, std::string>> names_;
};

// The file name of a sample as stored, without any folder a hostile file puts in it.
std::string ExsSampleFileName(const ExsSampleRecord& sample);

}  // namespace tolvane
