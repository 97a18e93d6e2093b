#pragma once
// The sample files of every preset of a container, each decoded once however many zones and
// presets play it, all of them in one pass on every core.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "import/sample_files/decoded_sound.h"
#include "library/sample_data.h"

namespace tolvane {

class InstrumentFiles;
class WorkProgress;

// One sample file, decoded once for every zone that plays it.
struct DecentSample {
  std::string path;  // from the top of the container
  SoundReading reading;
  SampleData data;  // the decoded values, shared by every sample made from them
};

class DecentSamples {
 public:
  // The index of the file at `path` (resolved, from the top of the container), added once.
  std::size_t Add(std::string path);

  // Decodes every file added, the largest first (as `files` knows sizes) so that no core is left
  // with a long one while the others wait. `progress` (may be null) counts the files and may
  // stop the work: false then, and some files are not decoded.
  bool DecodeAll(const InstrumentFiles& files, WorkProgress* progress);

  std::size_t size() const { return samples_.size(); }
  const DecentSample& operator[](std::size_t index) const { return samples_[index]; }

 private:
  std::vector<DecentSample> samples_;
  std::map<std::string, std::size_t, std::less<>> byPath_;
};

}  // namespace tolvane
