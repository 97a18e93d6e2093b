#pragma once
// Paths inside an instrument's own folder or archive: entry names checked before they are
// trusted, and relative paths resolved without leaving the root.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// Why an archive's entry name is not taken: a name that would point outside the archive when
// unpacked by a careless tool, or that can only be meant for one system.
enum class EntryNameProblem : std::uint8_t {
  Empty,         // no name, or a part with a zero byte in it
  Absolute,      // begins with '/'
  DriveLetter,   // "C:" and the like
  Backslash,     // folders separated by '\', which unpackers read differently
  ParentFolder,  // a ".." part
};

// Nothing when `name` is a plain relative name ("Samples/C4.wav"; a trailing '/' marks a
// folder). Checked in the order of the enum.
std::optional<EntryNameProblem> CheckEntryName(std::string_view name);

// The words for people ("has a '..' part").
std::string_view EntryNameProblemText(EntryNameProblem problem);

// `path` (folders separated by '/' or '\') taken relative to `folder` (a normal path, "" for
// the root), as a normal path: no empty, "." or ".." parts, '/' between folders. Nothing when
// it climbs above the root or is absolute ("/x", "C:x"), or names no file.
std::optional<std::string> ResolveInside(std::string_view folder, std::string_view path);

// The same for files whose paths may climb out of their folder, as an SFZ instrument's do:
// ".." parts above the root are kept in front ("../Samples/a.wav"). Nothing when `path` is
// absolute or names no file.
std::optional<std::string> JoinPath(std::string_view folder, std::string_view path);

// `text` in lower case, ASCII letters only: how names match when their case differs.
std::string FoldCase(std::string_view text);

// Whether `text` ends in `lowerTail` (given in lower case), whatever the case of `text`: how
// files are told by their extension (".sfz", ".dspreset").
bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerTail);

// The file name of `path` ('/' between folders) without its extension: an instrument's or a
// sample's name.
std::string FileStem(std::string_view path);

}  // namespace tolvane
