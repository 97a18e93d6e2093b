#include "ui/settings/registry_text.h"

#include <optional>
#include <utility>

#include "base/text_order.h"

namespace tolvane {
namespace {

constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kNumberPrefix = "dword:";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  return line;
}

std::string_view WithoutReturn(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

struct Quoted {
  std::string text;
  std::size_t end = 0;  // just after the closing quote
};

// The quoted text starting at `line[start]` == '"'. Only \\ and \" are escapes; anything else
// after a backslash means the line was not written by us or regedit.
std::optional<Quoted> ReadQuoted(std::string_view line, std::size_t start) {
  Quoted quoted;
  for (std::size_t i = start + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      quoted.end = i + 1;
      return quoted;
    }
    if (c == '\\') {
      if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"')) return std::nullopt;
      quoted.text += line[++i];
    } else {
      quoted.text += c;
    }
  }
  return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const unsigned char folded = FoldAsciiCase(static_cast<unsigned char>(c));
  if (folded >= 'a' && folded <= 'f') return folded - 'a' + 10;
  return -1;
}

// One to eight hex digits, as regedit accepts them; nothing else.
std::optional<std::uint32_t> ReadNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         CompareCaseInsensitive(text.substr(0, prefix.size()), prefix) == 0;
}

// A value line: `"name"=data` or `@=data`. Nothing when the line does not start that way.
std::optional<RegistryEntry> ReadValueLine(std::string_view line) {
  RegistryEntry entry;
  std::size_t at = 0;
  if (line.starts_with('@')) {
    at = 1;
  } else if (line.starts_with('"')) {
    auto name = ReadQuoted(line, 0);
    if (!name) return std::nullopt;
    entry.name = std::move(name->text);
    at = name->end;
  } else {
    return std::nullopt;
  }
  if (at >= line.size() || line[at] != '=') return std::nullopt;
  const std::string_view data = line.substr(at + 1);

  entry.kind = RegistryEntryKind::kOther;
  entry.data = data;
  if (data.starts_with('"')) {
    auto text = ReadQuoted(data, 0);
    if (text && text->end == data.size()) {
      entry.kind = RegistryEntryKind::kText;
      entry.data = std::move(text->text);
    }
  } else if (StartsWithFolded(data, kNumberPrefix)) {
    if (const auto number = ReadNumber(data.substr(kNumberPrefix.size()))) {
      entry.kind = RegistryEntryKind::kNumber;
      entry.number = *number;
      entry.data.clear();
    }
  }
  return entry;
}

// The name inside a key line "[...]"; nothing for anything else, including deletions "[-...]".
std::optional<std::string_view> ReadKeyLine(std::string_view line) {
  if (line.size() < 3 || line.front() != '[' || line.back() != ']' || line[1] == '-')
    return std::nullopt;
  return line.substr(1, line.size() - 2);
}

class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return position_ > text_.size(); }
  std::string_view Peek() const { return text_.substr(position_, Stop() - position_); }
  std::string_view Next() {
    const std::string_view line = Peek();
    position_ = Stop() + 1;
    return line;
  }

 private:
  std::size_t Stop() const {
    const std::size_t end = text_.find('\n', position_);
    return end == std::string_view::npos ? text_.size() : end;
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace

RegistryKey* FindRegistryKey(RegistryDocument& document, std::string_view name) {
  for (RegistryKey& key : document.keys) {
    if (key.readable && CompareCaseInsensitive(key.name, name) == 0) return &key;
  }
  return nullptr;
}

const RegistryKey* FindRegistryKey(const RegistryDocument& document, std::string_view name) {
  for (const RegistryKey& key : document.keys) {
    if (key.readable && CompareCaseInsensitive(key.name, name) == 0) return &key;
  }
  return nullptr;
}

RegistryKey& FindOrAddRegistryKey(RegistryDocument& document, std::string_view name) {
  if (RegistryKey* const key = FindRegistryKey(document, name)) return *key;
  document.keys.push_back(RegistryKey{std::string(name), true, {}});
  return document.keys.back();
}

const RegistryEntry* FindRegistryValue(const RegistryKey& key, std::string_view name) {
  for (const RegistryEntry& entry : key.entries) {
    if (entry.kind != RegistryEntryKind::kLine && CompareCaseInsensitive(entry.name, name) == 0)
      return &entry;
  }
  return nullptr;
}

void SetRegistryValue(RegistryKey& key, RegistryEntry value) {
  for (RegistryEntry& entry : key.entries) {
    if (entry.kind != RegistryEntryKind::kLine &&
        CompareCaseInsensitive(entry.name, value.name) == 0) {
      value.name = std::move(entry.name);
      entry = std::move(value);
      return;
    }
  }
  key.entries.push_back(std::move(value));
}

bool FitsOnRegistryLine(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

RegistryDocument ParseRegistryText(std::span<const std::byte> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());

  RegistryDocument document;
  RegistryKey* current = nullptr;  // where the next entries go; nullptr before the first key
  bool seenContent = false;
  LineReader reader(text);
  while (!reader.AtEnd()) {
    const std::string_view raw = WithoutReturn(reader.Next());
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;
    if (!seenContent) {
      seenContent = true;
      if (line == kRegistryTextHeader || line == kOldHeader) continue;
    }
    if (line.starts_with('[')) {
      const auto name = ReadKeyLine(line);
      if (name) {
        current = &FindOrAddRegistryKey(document, *name);
      } else {
        document.keys.push_back(RegistryKey{std::string(raw), false, {}});
        current = &document.keys.back();
      }
      continue;
    }
    if (current == nullptr) {
      document.preamble.emplace_back(raw);
      continue;
    }
    std::optional<RegistryEntry> value;
    if (current->readable) value = ReadValueLine(line);
    if (!value) {
      current->entries.push_back(RegistryEntry{RegistryEntryKind::kLine, {}, 0, std::string(raw)});
      continue;
    }
    // Values of other types (hex:...) go on over lines ending in a backslash, up to a blank line.
    if (value->kind == RegistryEntryKind::kOther) {
      while (Trim(value->data).ends_with('\\') && !reader.AtEnd() &&
             !Trim(WithoutReturn(reader.Peek())).empty()) {
        value->data += '\n';
        value->data += WithoutReturn(reader.Next());
      }
    }
    SetRegistryValue(*current, std::move(*value));
  }
  return document;
}

std::string FormatRegistryText(const RegistryDocument& document) {
  std::string out(kRegistryTextHeader);
  out += "\n\n";
  for (const std::string& line : document.preamble) {
    out += line;
    out += '\n';
  }
  if (!document.preamble.empty()) out += '\n';
  for (const RegistryKey& key : document.keys) {
    if (key.readable) {
      out += '[';
      out += key.name;
      out += ']';
    } else {
      out += key.name;
    }
    out += '\n';
    for (const RegistryEntry& entry : key.entries) {
      if (entry.kind == RegistryEntryKind::kLine) {
        out += entry.data;
        out += '\n';
        continue;
      }
      if (entry.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, entry.name);
      }
      out += '=';
      switch (entry.kind) {
        case RegistryEntryKind::kNumber: {
          static constexpr char kDigits[] = "0123456789abcdef";
          out += kNumberPrefix;
          for (int shift = 28; shift >= 0; shift -= 4)
            out += kDigits[(entry.number >> shift) & 0xF];
          break;
        }
        case RegistryEntryKind::kText:
          AppendQuoted(out, entry.data);
          break;
        case RegistryEntryKind::kOther:
        case RegistryEntryKind::kLine:
          out += entry.data;
          break;
      }
      out += '\n';
    }
    out += '\n';
  }
  return out;
}

}  // namespace tolvane
