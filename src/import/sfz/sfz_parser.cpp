#include "import/sfz/sfz_parser.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "import/sfz/sfz_outcome.h"

namespace tolvane {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

// Longer values are not defined: each define may double the one before.
constexpr std::size_t kMostDefine = 4096;

struct Define {
  std::string name;  // with its '$'
  std::string value;
};

class Preprocessor {
 public:
  explicit Preprocessor(const SfzIncludeReader& include) : include_(include) {}

  // Appends `text` to `out_` with comments removed, directives followed and names expanded.
  void Run(std::string_view text, std::vector<std::string>& stack) {
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      Line(StripComments(text.substr(at, end - at)), stack);
      at = end + 1;
    }
  }

  std::string out;
  std::optional<LeftOut> damage;

 private:
  // Removes "//" to the end of the line and "/* */" blocks, which may span lines.
  std::string StripComments(std::string_view line) {
    std::string kept;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (inBlock_) {
        if (line.compare(i, 2, "*/") == 0) {
          inBlock_ = false;
          ++i;
        }
        continue;
      }
      if (line.compare(i, 2, "//") == 0) break;
      if (line.compare(i, 2, "/*") == 0) {
        inBlock_ = true;
        ++i;
        continue;
      }
      kept.push_back(line[i]);
    }
    return kept;
  }

  std::string Expand(std::string_view text) const {
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
      if (text[i] == '$') {
        // The longest defined name that starts here.
        const Define* best = nullptr;
        for (const Define& define : defines_) {
          if (text.compare(i, define.name.size(), define.name) == 0 &&
              (best == nullptr || define.name.size() > best->name.size()))
            best = &define;
        }
        if (best != nullptr) {
          result += best->value;
          i += best->name.size();
          continue;
        }
      }
      result.push_back(text[i++]);
    }
    return result;
  }

  void Line(std::string_view line, std::vector<std::string>& stack) {
    if (out.size() > kSfzMostText) {
      Damage(kTextTooLong);
      return;
    }
    std::size_t at = 0;
    while (at < line.size()) {
      const std::size_t hash = line.find('#', at);
      if (hash == std::string_view::npos) break;
      if (line.compare(hash, 8, "#include") == 0) {
        out += Expand(line.substr(at, hash - at));
        out += '\n';
        at = Include(line, hash + 8, stack);
      } else if (line.compare(hash, 7, "#define") == 0) {
        out += Expand(line.substr(at, hash - at));
        out += '\n';
        at = DefineAt(line, hash + 7);
      } else {
        out += Expand(line.substr(at, hash + 1 - at));
        at = hash + 1;
      }
    }
    if (at < line.size()) out += Expand(line.substr(at));
    out += '\n';
  }

  // `#define $NAME value`: returns where the line goes on.
  std::size_t DefineAt(std::string_view line, std::size_t at) {
    while (at < line.size() && IsSpace(line[at])) ++at;
    const std::size_t nameStart = at;
    while (at < line.size() && IsNameChar(line[at])) ++at;
    const std::string name(line.substr(nameStart, at - nameStart));
    while (at < line.size() && IsSpace(line[at])) ++at;
    const std::size_t valueStart = at;
    while (at < line.size() && !IsSpace(line[at])) ++at;
    std::string value = Expand(line.substr(valueStart, at - valueStart));
    if (name.size() < 2 || name[0] != '$' || value.size() > kMostDefine) return at;
    const auto same = std::find_if(defines_.begin(), defines_.end(),
                                   [&](const Define& d) { return d.name == name; });
    if (same != defines_.end())
      same->value = std::move(value);
    else
      defines_.push_back({name, std::move(value)});
    return at;
  }

  // `#include "path"`: returns where the line goes on.
  std::size_t Include(std::string_view line, std::size_t at, std::vector<std::string>& stack) {
    const std::size_t open = line.find('"', at);
    if (open == std::string_view::npos) return line.size();
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return line.size();
    std::string path = Expand(line.substr(open + 1, close - open - 1));
    std::replace(path.begin(), path.end(), '\\', '/');
    if (std::find(stack.begin(), stack.end(), path) != stack.end()) {
      Damage(kIncludeCycle, path);
    } else if (stack.size() >= kSfzMostIncludeDepth) {
      Damage(kIncludeTooDeep);
    } else if (++includes_ > kSfzMostIncludes) {
      Damage(kIncludesTooMany);
    } else if (const std::optional<std::string> text = include_(path)) {
      stack.push_back(path);
      Run(*text, stack);
      stack.pop_back();
    } else {
      Damage(kIncludeNotFound, path);
    }
    return close + 1;
  }

  void Damage(const FormatDamage& kind, const std::string& path = {}) {
    if (!damage) damage = LeftOut{PartKind::Include, LeftOutKind::Format, 1, path, {}, &kind};
  }

  const SfzIncludeReader& include_;
  std::vector<Define> defines_;
  bool inBlock_ = false;
  std::size_t includes_ = 0;
};

// Where the value starting at `at` ends: white space, or for a path the next "name=" or "<".
std::size_t ValueEnd(std::string_view text, std::size_t at, bool path) {
  if (!path) {
    while (at < text.size() && !IsSpace(text[at]) && text[at] != '<') ++at;
    return at;
  }
  std::size_t end = at;
  while (end < text.size() && text[end] != '\n' && text[end] != '<') {
    if (IsSpace(text[end])) {
      // A following word ending in '=' starts the next opcode.
      std::size_t word = end;
      while (word < text.size() && (text[word] == ' ' || text[word] == '\t')) ++word;
      std::size_t nameEnd = word;
      while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
      if (nameEnd > word && nameEnd < text.size() && text[nameEnd] == '=') break;
    }
    ++end;
  }
  while (end > at && IsSpace(text[end - 1])) --end;
  return end;
}

// Players read header and opcode names in any case ("Sample=", "<Region>"): they are kept in
// lower case, values as written.
std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

}  // namespace

SfzText ParseSfz(std::string_view text, const SfzIncludeReader& include) {
  Preprocessor preprocessor(include);
  std::vector<std::string> stack;
  preprocessor.Run(text, stack);
  const std::string_view flat = preprocessor.out;

  SfzText result;
  result.damage = std::move(preprocessor.damage);
  result.sections.emplace_back();
  std::size_t at = 0;
  while (at < flat.size()) {
    const char c = flat[at];
    if (IsSpace(c)) {
      ++at;
    } else if (c == '<') {
      const std::size_t close = flat.find('>', at);
      if (close == std::string_view::npos) break;
      result.sections.push_back({LowerAscii(flat.substr(at + 1, close - at - 1)), {}});
      at = close + 1;
    } else {
      std::size_t nameEnd = at;
      while (nameEnd < flat.size() && IsNameChar(flat[nameEnd])) ++nameEnd;
      if (nameEnd == at || nameEnd >= flat.size() || flat[nameEnd] != '=') {
        // Not an opcode: skip the word.
        at = std::max(nameEnd, at + 1);
        while (at < flat.size() && !IsSpace(flat[at]) && flat[at] != '<') ++at;
        continue;
      }
      std::string name = LowerAscii(flat.substr(at, nameEnd - at));
      const std::size_t valueStart = nameEnd + 1;
      const std::size_t valueEnd = ValueEnd(flat, valueStart, name == "sample");
      result.sections.back().opcodes.push_back(
          {std::move(name), std::string(flat.substr(valueStart, valueEnd - valueStart))});
      at = std::max(valueEnd, valueStart);
    }
  }
  return result;
}

}  // namespace tolvane
