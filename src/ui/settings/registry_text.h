#pragma once
// The registry's own export text ("Windows Registry Editor Version 5.00"), which keeps the
// settings on systems without a registry so that people can read and edit them:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Kestrum\Norvadex]
//   "WindowWidth"=dword:00000320
//   "LastMidiPort"="USB MIDI"
//
// Only REG_DWORD ("dword:") and REG_SZ (quoted, with \\ and \" escapes) values are understood.
// Values of other types, damaged values, comments and lines that cannot be read are kept as they
// were, so rewriting a file loses nothing that someone put there. Texts are 8-bit bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

inline constexpr std::string_view kRegistryTextHeader = "Windows Registry Editor Version 5.00";

enum class RegistryEntryKind {
  kNumber,  // "name"=dword:00000320
  kText,    // "name"="text"
  kOther,   // "name"=anything else (another type, or damaged), kept verbatim in `data`
  kLine,    // no value: a comment or a line that cannot be read, kept verbatim in `data`
};

struct RegistryEntry {
  RegistryEntryKind kind = RegistryEntryKind::kLine;
  std::string name;          // value name; "" is the key's default value, written "@"
  std::uint32_t number = 0;  // kNumber
  std::string data;          // kText: the text; kOther: all after "="; kLine: the whole line
};

struct RegistryKey {
  // The full path with its root: "HKEY_CURRENT_USER\SOFTWARE\Kestrum\Norvadex". When `readable`
  // is false this is a damaged key line kept verbatim; such a key is never found, and every line
  // under it is a kLine entry, so nothing is filed under a key it was not meant for.
  std::string name;
  bool readable = true;
  std::vector<RegistryEntry> entries;
};

struct RegistryDocument {
  std::vector<std::string> preamble;  // lines before the first key line, other than the header
  std::vector<RegistryKey> keys;      // file order; readable names unique case-insensitively
};

// The readable key of that name (case-insensitively, as in the registry), or nullptr.
RegistryKey* FindRegistryKey(RegistryDocument& document, std::string_view name);
const RegistryKey* FindRegistryKey(const RegistryDocument& document, std::string_view name);

// FindRegistryKey, appending an empty key of that name when missing.
RegistryKey& FindOrAddRegistryKey(RegistryDocument& document, std::string_view name);

// The value of that name (case-insensitively), or nullptr. kLine entries are not values.
const RegistryEntry* FindRegistryValue(const RegistryKey& key, std::string_view name);

// Stores `value`: it replaces the value of the same name in place, keeping the stored spelling of
// the name, or is appended.
void SetRegistryValue(RegistryKey& key, RegistryEntry value);

// True when `text` can stand inside a key or value line: it holds no line break.
bool FitsOnRegistryLine(std::string_view text);

// Reads a file's bytes. Never fails: what cannot be read is kept as kLine entries or preamble.
RegistryDocument ParseRegistryText(std::span<const std::byte> bytes);

// The file's content: the header, then each key line with its entries, a blank line after each.
// Lines end in LF. Names and texts must satisfy FitsOnRegistryLine.
std::string FormatRegistryText(const RegistryDocument& document);

}  // namespace tolvane
