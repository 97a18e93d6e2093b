#pragma once
// How an MPC layer finds its sample: programs name a WAV file by its name alone (SampleName,
// without folder or extension), and the device looks beside the program, then through the
// folders of the expansion. Names are compared ignoring case and trailing spaces, as packs
// made on other systems need.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

class InstrumentFiles;

// Whether a sample name could point into another folder ('/', '\' or a zero byte in it): such
// a name is refused rather than followed.
bool IsFolderedSampleName(std::string_view name);

// `name` without the spaces it ends in.
std::string_view TrimTrailingSpaces(std::string_view name);

class MpcSampleFinder {
 public:
  // `folder`: the program's folder among `files` ("" for the top, else ending in '/');
  // `searchTop`: the folder whose tree is searched when the sample is not beside the program,
  // the expansion's top or the program's own folder.
  // REQUIRES: `files` outlives the finder.
  MpcSampleFinder(const InstrumentFiles& files, std::string folder, std::string searchTop)
      : files_(files), folder_(std::move(folder)), searchTop_(std::move(searchTop)) {}

  // The path among `files` (as they list it, so that every program names a file alike) of the
  // WAV file `name` names, ignoring case and trailing spaces: beside the program first, spelt
  // exactly before spelt otherwise, else the shallowest below `searchTop` (the first in name
  // order among equals). Nothing when there is none. The tree is listed once, on the first
  // call.
  std::optional<std::string> Find(std::string_view name);

 private:
  void List();

  const InstrumentFiles& files_;
  std::string folder_;
  std::string searchTop_;
  bool listed_ = false;
  // The WAV files below `searchTop_` by their name, case folded and trimmed; best first.
  std::map<std::string, std::vector<std::string>, std::less<>> byName_;
};

}  // namespace tolvane
