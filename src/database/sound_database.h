#pragma once
// The sound database: the category the user gave each instrument, remembered from one run to the
// next. Sections are keyed by a source file's base name, entries by an instrument's imported
// name; both compare case-insensitively and are kept in that order, ascending, without
// duplicates. Texts are 8-bit (Windows-1252 bytes).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

struct DatabaseEntry {
  std::string name;            // the key: an instrument's imported name
  std::uint32_t category = 0;  // CategoryCode: first letter in bits 8..15, second in 0..7
  std::int32_t number = 0;     // carried through unchanged
  std::string text;            // free text, carried through unchanged; empty when none
  // Set when this run gave the entry its category: saving keeps such a category over the one
  // in the file, and takes every other value from the file.
  bool changed = false;
};

struct DatabaseSection {
  std::string name;  // a source's base name
  // Case-insensitive order of name. Entries are heap nodes so that pointers to them stay valid
  // while others are added.
  std::vector<std::unique_ptr<DatabaseEntry>> entries;
};

struct SoundDatabase {
  // Case-insensitive order of name; pointers to sections stay valid for the database's life.
  std::vector<std::unique_ptr<DatabaseSection>> sections;
};

// The section of that name (case-insensitively), created in order if missing.
DatabaseSection& FindOrCreateSection(SoundDatabase& database, std::string_view name);

// The entry of that name (case-insensitively), or nullptr.
DatabaseEntry* FindEntry(const DatabaseSection& section, std::string_view name);

// The entry of that name, created in order (category 0, number 0, no text) if missing.
DatabaseEntry& FindOrCreateEntry(DatabaseSection& section, std::string_view name);

// FindOrCreateEntry, then the entry's text becomes `text`.
void SetEntryText(DatabaseSection& section, std::string_view name, std::string_view text);

// Reads the lines of a database file held in memory into `database` (merging with what it
// holds). Never fails: malformed lines are skipped. Numbers beyond 32 bits are clamped.
void ParseSoundDatabase(SoundDatabase& database, std::span<const std::byte> bytes);

// The file's content for `database`: lines ending in CR LF. Every line written reads back as
// itself: a section or entry whose name would read back as another (or split its line) is left
// out, a category whose letters cannot stand in the line gets an empty letters field, and a text
// is kept on its line and cut where the line would grow too long to be read.
std::string FormatSoundDatabase(const SoundDatabase& database);

// Takes what a database file holds into `database`: every section and entry of the file is
// added, and every entry not marked `changed` takes the file's category, number and text. An
// entry marked `changed` keeps its category and takes the file's number and text.
void MergeSoundDatabase(SoundDatabase& database, std::span<const std::byte> fileBytes);

enum class DatabaseLoad {
  kRead,        // the file was read (an empty file holds an empty database)
  kAbsent,      // there is no file yet
  kUnreadable,  // something is there that cannot be read; it will not be saved over
};

// Loads the file at `path` into `database`; it is left unchanged unless the file was read.
DatabaseLoad LoadSoundDatabase(SoundDatabase& database, const std::filesystem::path& path);

// Saves the database without losing what another program saved to the same file meanwhile:
// under a lock on the file's folder it reads the file again, merges it into `database`
// (MergeSoundDatabase), and replaces the file with the result only after a complete write; then
// no entry is marked `changed` any more. False, with the file as it was, when the file exists
// but cannot be read, or when the new file cannot be written.
bool SaveSoundDatabase(SoundDatabase& database, const std::filesystem::path& path);

// Where the programs keep the database: `programFolder`/"tolvane-sound-converter.INI" (the GUI
// program's path with its extension replaced by "INI"); when that folder is not writable, the
// same file name in the user's data folder under "Tolvane/".
std::filesystem::path SoundDatabasePath(const std::filesystem::path& programFolder);

// SoundDatabasePath for the folder of the running executable.
std::filesystem::path DefaultSoundDatabasePath();

}  // namespace tolvane
