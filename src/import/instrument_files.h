#pragma once
// The files an instrument description names (included text, samples), behind a small interface
// so that tests and the fuzzer give them from memory and archives from their entries. Paths are
// relative to the instrument's folder, with '/' between folders.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "import/sample_files/decoded_sound.h"

namespace tolvane {

class InstrumentFiles {
 public:
  virtual ~InstrumentFiles() = default;
  // The text of a file the instrument names (an SFZ #include, a preset of an archive); nothing
  // when it cannot be read.
  virtual std::optional<std::string> ReadText(const std::string& path) const = 0;
  // A sample decoded whole: CannotOpen for a file that is not there (`missing`) or cannot be
  // opened, NotRecognised or Damaged for one that cannot be read. Called from several threads at
  // once.
  virtual SoundReading ReadSample(const std::string& path) const = 0;
  // The stored size of a sample's file in bytes, to start long decodes first; 0 when it is not
  // known cheaply. Never decides an outcome.
  virtual std::uint64_t SampleSize(const std::string& /*path*/) const { return 0; }
  // Whether `path` names a file, for formats that try several places for a sample (EXS). An
  // absolute path ("/Users/...") counts from the file system's root where the files are on
  // disk. Files that cannot tell say no.
  virtual bool Exists(const std::string& /*path*/) const { return false; }
  // The files below `folder` ("" for the top), nearest first: each level in name order, at most
  // `depth` folders down and `most` entries looked at in all. Files that cannot list say none.
  virtual std::vector<std::string> ListBelow(const std::string& /*folder*/, int /*depth*/,
                                             std::size_t /*most*/) const {
    return {};
  }
  // The files under `folder` ("" for the top, else ending in '/') at any depth, as paths from
  // the top, for formats that name their samples by name alone and leave the folder to be
  // searched (MPC programs). At most kListedFiles of them; empty when they cannot be listed.
  virtual std::vector<std::string> ListFiles(const std::string& /*folder*/) const { return {}; }
};

// Sample files up to this size are read rather than mapped: unmapping thousands of small files
// while every core works makes each unmapping interrupt the other cores (a TLB shootdown), which
// costs more than copying the bytes once into a buffer each thread reuses.
inline constexpr std::uintmax_t kLargestReadFile = 16u << 20;

// The first `size` bytes of the file at `path` in `buffer` (grown as needed, never shrunk);
// false when they cannot be read.
bool ReadSmallFile(const std::filesystem::path& path, std::uintmax_t size,
                   std::vector<std::byte>& buffer);

// How many files ListFiles names at most: a sample searched for by name is not worth walking a
// whole disk for.
inline constexpr std::size_t kListedFiles = 100000;

// Files on disk, found in `folder`. A path whose case does not match the disk (libraries made
// on Windows) is found when exactly one entry of each folder matches it case-insensitively.
class DiskFiles : public InstrumentFiles {
 public:
  explicit DiskFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}
  std::optional<std::string> ReadText(const std::string& path) const override;
  SoundReading ReadSample(const std::string& path) const override;
  // One stat of the path as written: a name whose case differs counts as unknown.
  std::uint64_t SampleSize(const std::string& path) const override;
  bool Exists(const std::string& path) const override { return Find(path).has_value(); }
  // Each folder is listed once: the instrument files of a library search the same tree.
  std::vector<std::string> ListBelow(const std::string& folder, int depth,
                                     std::size_t most) const override;
  // ListBelow, eight folders deep and at most kListedFiles entries: each folder is walked once,
  // its list kept for the programs of an expansion that ask again.
  std::vector<std::string> ListFiles(const std::string& folder) const override;

  // The file `path` names, or nothing. An absolute path is looked for from the root.
  std::optional<std::filesystem::path> Find(const std::string& path) const;

 private:
  // What `path` names, file or folder, or nothing.
  std::optional<std::filesystem::path> Locate(const std::string& path) const;

  std::filesystem::path folder_;
  mutable std::mutex listedMutex_;
  mutable std::map<std::tuple<std::string, int, std::size_t>, std::vector<std::string>> listed_;
};

}  // namespace tolvane
