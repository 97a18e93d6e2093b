#pragma once
// The sample files of a drop's instruments, each read and decoded once however many zones and
// instruments play it, all of them in one pass on every core. Every importer of instruments
// made of sample files (SFZ, Decent Sampler, Bitwig, Hydrogen, folders) plans its zones first,
// adding the files they play, then has the pool decode them, then builds its instruments
// (sample_zones.h).

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_outcome.h"
#include "import/sample_files/decoded_sound.h"
#include "library/sample_data.h"

namespace tolvane {

class InstrumentFiles;
class WorkProgress;

// What the pool tells WorkProgress::Step while it decodes: one step a file.
inline constexpr std::string_view kReadingSamplesStep = "reading samples";

// One sample file, decoded once for every zone that plays it.
struct PooledSample {
  std::string path;      // as given to SamplePool::Add
  SoundReading reading;  // its sound's values are moved to `data`
  SampleData data;       // the decoded values, shared by every sample made from them
};

// Why zones cannot play a file: it was not read, or it has more than two channels. `detail` is
// the file's own reason where the kind names one (SampleUnreadable).
struct UnplayableSample {
  LeftOutKind kind = LeftOutKind::SampleNotFound;
  std::string detail;
};
// Nothing for a file zones can play.
std::optional<UnplayableSample> WhyUnplayable(const PooledSample& sample);

class SamplePool {
 public:
  // The index of the file at `path` (as `files` will be asked for it), added once.
  std::size_t Add(std::string path);

  // Reads and decodes every file added, the largest first (as InstrumentFiles::SampleSize
  // knows them) so that no core is left with a long one while the others wait. `progress` (may
  // be null) hears of each file (kReadingSamplesStep) and is asked before each whether to stop:
  // false then, and the files not begun stay unread.
  // REQUIRES: called once, after every Add.
  bool DecodeAll(const InstrumentFiles& files, WorkProgress* progress);

  std::size_t size() const { return samples_.size(); }
  const PooledSample& operator[](std::size_t index) const { return samples_[index]; }

 private:
  std::vector<PooledSample> samples_;
  std::map<std::string, std::size_t, std::less<>> byPath_;
};

}  // namespace tolvane
