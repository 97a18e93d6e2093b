// The database file: 8-bit text, one section or entry per line, lines ending in CR LF.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "base/atomic_file.h"
#include "base/paths.h"
#include "base/whole_file.h"
#include "database/sound_database.h"

namespace tolvane {
namespace {

// Longer lines are skipped whole when read.
constexpr std::size_t kLongestLine = 1022;
constexpr std::string_view kProgramName = "tolvane-sound-converter";
// A file this large is not a database this program wrote; it is left alone.
constexpr std::size_t kLargestFile = std::size_t{64} << 20;

// Any byte below 0x20 ends a line, so TAB, CR and LF alike split lines.
constexpr bool IsLineBreak(char c) {
  return static_cast<unsigned char>(c) < 0x20;
}

constexpr bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool HasLineBreak(std::string_view text) {
  for (const char c : text)
    if (IsLineBreak(c)) return true;
  return false;
}

// As atoi reads it, but clamped to the 32-bit range instead of overflowing.
std::int32_t ParseNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  using Limits = std::numeric_limits<std::int32_t>;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(Limits::min()) : Limits::max();
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

void ParseLine(SoundDatabase& database, DatabaseSection*& current, std::string_view line) {
  if (line.front() == '[') {
    current = nullptr;
    const auto close = line.find(']');
    if (close != std::string_view::npos && close > 1)
      current = &FindOrCreateSection(database, line.substr(1, close - 1));
    return;
  }
  if (current == nullptr) return;
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return;
  // The entry exists from here on, however malformed the rest is.
  DatabaseEntry& entry = FindOrCreateEntry(*current, line.substr(0, equals));
  const std::string_view afterKey = line.substr(equals + 1);
  const auto firstSemicolon = afterKey.find(';');
  if (firstSemicolon == std::string_view::npos) return;
  entry.number = ParseNumber(afterKey.substr(0, firstSemicolon));
  const std::string_view afterNumber = afterKey.substr(firstSemicolon + 1);
  const auto secondSemicolon = afterNumber.find(';');
  if (secondSemicolon == std::string_view::npos) return;
  if (secondSemicolon >= 2) {
    entry.category = static_cast<std::uint32_t>(static_cast<unsigned char>(afterNumber[0])) << 8 |
                     static_cast<unsigned char>(afterNumber[1]);
  }
  const std::string_view text = afterNumber.substr(secondSemicolon + 1);
  if (!text.empty()) entry.text = std::string(text);
}

// A section is written only under a name that reads back as itself: a line break would split
// the line, and a ']' or an empty name would file its entries under another section or none.
bool IsWritableSectionName(std::string_view name) {
  return !name.empty() && name.size() + 2 <= kLongestLine && !HasLineBreak(name) &&
         name.find(']') == std::string_view::npos;
}

// Likewise for keys: a '=' would read back as a shorter key and overwrite that entry, and a
// leading '[' would read as a section line and misfile every entry after it.
bool IsWritableEntryName(std::string_view name) {
  return !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
         (name.empty() || name.front() != '[');
}

void AppendEntryLine(std::string& out, const DatabaseEntry& entry) {
  if (!IsWritableEntryName(entry.name)) return;
  std::string line = entry.name;
  line += '=';
  line += std::to_string(entry.number);
  line += ';';
  // A letter below 0x20 would split the line (a zero byte most of all) and a ';' would shift
  // the fields, so such a category is written as an empty letters field, which reads back as
  // "no category read" with number and text intact.
  const auto first = static_cast<char>((entry.category >> 8) & 0xFF);
  const auto second = static_cast<char>(entry.category & 0xFF);
  if (!IsLineBreak(first) && !IsLineBreak(second) && first != ';' && second != ';') {
    line += first;
    line += second;
  }
  line += ';';
  if (line.size() > kLongestLine) return;
  // The text is cut where the reader would drop the whole line, category included.
  const std::size_t room = kLongestLine - line.size();
  for (std::size_t i = 0; i < entry.text.size() && i < room; ++i)
    line += IsLineBreak(entry.text[i]) ? ' ' : entry.text[i];
  out += line;
  out += "\r\n";
}

}  // namespace

void ParseSoundDatabase(SoundDatabase& database, std::span<const std::byte> bytes) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  DatabaseSection* current = nullptr;
  std::size_t position = 0;
  while (position < all.size()) {
    std::size_t end = position;
    while (end < all.size() && !IsLineBreak(all[end])) ++end;
    const std::string_view line = all.substr(position, end - position);
    position = end;
    while (position < all.size() && IsLineBreak(all[position])) ++position;
    if (line.empty() || line.size() > kLongestLine) continue;
    ParseLine(database, current, line);
  }
}

std::string FormatSoundDatabase(const SoundDatabase& database) {
  std::string out;
  for (const auto& section : database.sections) {
    // Its entries go too: under the line before they would land in the wrong section.
    if (!IsWritableSectionName(section->name)) continue;
    out += '[';
    out += section->name;
    out += "]\r\n";
    for (const auto& entry : section->entries) AppendEntryLine(out, *entry);
  }
  return out;
}

void MergeSoundDatabase(SoundDatabase& database, std::span<const std::byte> fileBytes) {
  SoundDatabase file;
  ParseSoundDatabase(file, fileBytes);
  for (const auto& fileSection : file.sections) {
    DatabaseSection& section = FindOrCreateSection(database, fileSection->name);
    for (const auto& fileEntry : fileSection->entries) {
      DatabaseEntry& entry = FindOrCreateEntry(section, fileEntry->name);
      if (!entry.changed) entry.category = fileEntry->category;
      entry.number = fileEntry->number;
      entry.text = fileEntry->text;
    }
  }
}

DatabaseLoad LoadSoundDatabase(SoundDatabase& database, const std::filesystem::path& path) {
  const WholeFile file = ReadWholeFile(path, kLargestFile);
  switch (file.state) {
    case FileState::kAbsent:
      return DatabaseLoad::kAbsent;
    case FileState::kUnreadable:
      return DatabaseLoad::kUnreadable;
    case FileState::kRead:
      break;
  }
  ParseSoundDatabase(database, file.bytes);
  return DatabaseLoad::kRead;
}

bool SaveSoundDatabase(SoundDatabase& database, const std::filesystem::path& path) {
  const auto folder = path.parent_path();
  if (!folder.empty()) {
    // The fallback folder under the user's data folder may not exist yet; a failure here shows
    // in the write below.
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  // The window program and the command-line tool share the file; each keeps what the other
  // remembered since it read the file.
  const FolderLock lock(folder.empty() ? std::filesystem::path(".") : folder);
  const WholeFile file = ReadWholeFile(path, kLargestFile);
  if (file.state == FileState::kUnreadable) return false;
  if (file.state == FileState::kRead) MergeSoundDatabase(database, file.bytes);
  if (!WriteFileAtomically(path, FormatSoundDatabase(database))) return false;
  for (const auto& section : database.sections)
    for (const auto& entry : section->entries) entry->changed = false;
  return true;
}

std::filesystem::path SoundDatabasePath(const std::filesystem::path& programFolder) {
  auto beside = ReplaceExtension(programFolder / kProgramName, "INI");
  if (IsFolderWritable(programFolder)) return beside;
  const auto data = UserDataFolder();
  if (data.empty()) return beside;
  return data / "Tolvane" / beside.filename();
}

std::filesystem::path DefaultSoundDatabasePath() {
  return SoundDatabasePath(ProgramPath().parent_path());
}

}  // namespace tolvane
