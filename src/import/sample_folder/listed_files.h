#pragma once
// The sound files a dropped folder's listing found, as the sample pool reads them: each by the
// name it was listed under, small files read into a buffer of the reading thread, larger ones
// mapped, and each file's modification time kept for the instruments made of it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "import/instrument_files.h"

namespace tolvane {

class ListedFiles : public InstrumentFiles {
 public:
  // The file at `path`, asked for by `name`.
  void Add(std::string name, std::filesystem::path path);

  // A folder names no texts.
  std::optional<std::string> ReadText(const std::string& /*name*/) const override { return {}; }
  // As InstrumentFiles says; an empty file and one of 4 GiB or more are Damaged, with the
  // reason. Not called twice for one name at once.
  SoundReading ReadSample(const std::string& name) const override;
  // Sizes are not told: a folder's files are mostly alike, and a look at each of thousands
  // would cost more than an order could save. They are read in name order.

  // When the file listed as `name` was last written, seconds since 1970-01-01 UTC, as found when
  // it was read; 0 before.
  std::int64_t ModifiedTime(const std::string& name) const;

 private:
  struct Listed {
    std::filesystem::path path;
    mutable std::int64_t modifiedTime = 0;  // written by ReadSample, on the thread reading it
  };
  const Listed* Find(const std::string& name) const;

  std::map<std::string, Listed, std::less<>> files_;
};

}  // namespace tolvane
