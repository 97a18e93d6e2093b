#include "import/exs/exs_samples.h"

#include <utility>
#include <vector>

#include "import/archive_path.h"
#include "import/instrument_files.h"

namespace tolvane {
namespace {

std::string LastPart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The folder that holds `folder` ("a/b/" gives "a/"); the top stays the top.
std::string ParentFolder(std::string folder) {
  if (folder.ends_with('/')) folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

}  // namespace

std::string ExsSampleFileName(const ExsSampleRecord& sample) {
  return LastPart(sample.FileName());
}

ExsSampleFinder::ExsSampleFinder(const ExsFile& file, std::string folder,
                                 const InstrumentFiles& files)
    : file_(file), folder_(std::move(folder)), files_(files) {}

std::optional<std::string> ExsSampleFinder::Find(std::size_t index) {
  if (const auto known = found_.find(index); known != found_.end()) return known->second;
  const ExsSampleRecord& sample = file_.samples[index];
  const std::string name = ExsSampleFileName(sample);
  std::optional<std::string> found;
  std::vector<std::string> candidates;
  if (!name.empty() && name != "." && name != "..") {
    // The reference chunks are taken to follow the samples' order: a URL counts only where it
    // names the sample's file.
    if (index < file_.sampleUrls.size()) {
      const std::optional<std::string> url = FileUrlPath(file_.sampleUrls[index]);
      if (url && FoldCase(LastPart(*url)) == FoldCase(name)) candidates.push_back(*url);
    }
    if (!sample.folder.empty()) {
      const std::string stored = sample.folder + '/' + name;
      if (stored.starts_with('/')) {
        candidates.push_back(stored);
      } else if (auto joined = JoinPath(folder_, stored)) {
        candidates.push_back(std::move(*joined));
      }
    }
    candidates.push_back(folder_ + name);
    candidates.push_back(folder_ + "Samples/" + name);
    for (const std::string& candidate : candidates) {
      if (files_.Exists(candidate)) {
        found = candidate;
        break;
      }
    }
    if (!found) found = Search(name);
  }
  found_.emplace(index, found);
  return found;
}

std::optional<std::string> ExsSampleFinder::Search(const std::string& name) {
  if (!names_) {
    names_.emplace();
    for (std::string& path :
         files_.ListBelow(ParentFolder(folder_), kExsSearchDepth, kExsSearchEntries))
      names_->try_emplace(FoldCase(LastPart(path)), std::move(path));
  }
  const auto found = names_->find(FoldCase(name));
  if (found == names_->end()) return std::nullopt;
  return found->second;
}

}  // namespace tolvane
