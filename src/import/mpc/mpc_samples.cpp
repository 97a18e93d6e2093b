#include "import/mpc/mpc_samples.h"

#include <algorithm>
#include <tuple>

#include "import/archive_path.h"
#include "import/instrument_files.h"

namespace tolvane {
namespace {

constexpr std::string_view kWave = ".wav";

std::size_t Depth(std::string_view path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsFolderedSampleName(std::string_view name) {
  return name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos;
}

std::string_view TrimTrailingSpaces(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

void MpcSampleFinder::List() {
  listed_ = true;
  for (std::string& path : files_.ListFiles(searchTop_)) {
    const std::string_view file = FileName(path);
    if (!EndsWithIgnoringCase(file, kWave)) continue;
    const std::string key =
        FoldCase(TrimTrailingSpaces(file.substr(0, file.size() - kWave.size())));
    byName_[key].push_back(std::move(path));
  }
  // The program's own folder first, then the shallowest, then name order.
  for (auto& [key, paths] : byName_) {
    std::sort(paths.begin(), paths.end(), [&](const std::string& a, const std::string& b) {
      const auto rank = [&](const std::string& p) {
        const bool beside = p.starts_with(folder_) && p.find('/', folder_.size()) == p.npos;
        return std::tuple(!beside, Depth(p), std::string_view(p));
      };
      return rank(a) < rank(b);
    });
  }
}

std::optional<std::string> MpcSampleFinder::Find(std::string_view name) {
  if (IsFolderedSampleName(name)) return std::nullopt;
  const std::string_view trimmed = TrimTrailingSpaces(name);
  if (trimmed.empty()) return std::nullopt;
  if (!listed_) List();
  const auto found = byName_.find(FoldCase(trimmed));
  if (found == byName_.end()) return std::nullopt;
  // An exact spelling wins over one whose case differs at the same rank.
  const std::vector<std::string>& paths = found->second;
  const auto exact = std::find_if(paths.begin(), paths.end(), [&](const std::string& p) {
    const std::string_view file = FileName(p);
    return TrimTrailingSpaces(file.substr(0, file.size() - kWave.size())) == trimmed &&
           p.starts_with(folder_) && p.find('/', folder_.size()) == p.npos;
  });
  return exact != paths.end() ? *exact : paths.front();
}

}  // namespace tolvane
