#include "import/archive_path.h"

#include <cctype>
#include <vector>

namespace tolvane {
namespace {

bool HasDriveLetter(std::string_view name) {
  return name.size() >= 2 && name[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(name[0])) != 0;
}

// Appends the parts of `path` to `parts`, ".." taking one back; false when it climbs above
// the root, unless `climbs`: then the ".." is kept (as a leading part only).
bool AddParts(std::vector<std::string_view>& parts, std::string_view path, bool climbs = false) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (climbs) {
        parts.push_back(part);
      } else {
        return false;
      }
      continue;
    }
    parts.push_back(part);
  }
  return true;
}

}  // namespace

std::optional<EntryNameProblem> CheckEntryName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return EntryNameProblem::Empty;
  if (name.front() == '/') return EntryNameProblem::Absolute;
  if (HasDriveLetter(name)) return EntryNameProblem::DriveLetter;
  if (name.find('\\') != std::string_view::npos) return EntryNameProblem::Backslash;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return EntryNameProblem::ParentFolder;
    start = end + 1;
  }
  return std::nullopt;
}

std::string_view EntryNameProblemText(EntryNameProblem problem) {
  switch (problem) {
    case EntryNameProblem::Empty:
      return "an empty name";
    case EntryNameProblem::Absolute:
      return "an absolute path";
    case EntryNameProblem::DriveLetter:
      return "a drive letter";
    case EntryNameProblem::Backslash:
      return "'\\' between folders";
    case EntryNameProblem::ParentFolder:
      return "a '..' part";
  }
  return "a name that cannot be taken";
}

std::optional<std::string> ResolveInside(std::string_view folder, std::string_view path) {
  if (path.empty() || path.front() == '/' || path.front() == '\\' || HasDriveLetter(path))
    return std::nullopt;
  std::vector<std::string_view> parts;
  if (!AddParts(parts, folder) || !AddParts(parts, path) || parts.empty()) return std::nullopt;
  std::string joined;
  for (const std::string_view part : parts) {
    if (!joined.empty()) joined += '/';
    joined += part;
  }
  return joined;
}

std::optional<std::string> JoinPath(std::string_view folder, std::string_view path) {
  if (path.empty() || path.front() == '/' || path.front() == '\\' || HasDriveLetter(path))
    return std::nullopt;
  std::vector<std::string_view> parts;
  AddParts(parts, folder, true);
  AddParts(parts, path, true);
  if (parts.empty() || parts.back() == "..") return std::nullopt;
  std::string joined;
  for (const std::string_view part : parts) {
    if (!joined.empty()) joined += '/';
    joined += part;
  }
  return joined;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerTail) {
  return text.size() >= lowerTail.size() &&
         FoldCase(text.substr(text.size() - lowerTail.size())) == lowerTail;
}

std::string FileStem(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

}  // namespace tolvane
