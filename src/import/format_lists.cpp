#include "import/format_lists.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <string_view>
#include <vector>

#include "import/formats.h"

namespace tolvane {
namespace {

bool IsFolderPattern(std::string_view pattern) {
  return pattern.ends_with('/');
}

// Names joined as a sentence lists them: "a, b or c".
std::string Listed(const std::vector<std::string>& names, std::string_view last) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? std::string(" ") + std::string(last) + ' ' : ", ";
    text += names[i];
  }
  return text;
}

// The names of the formats `chosen` picks, in the table's order.
template <typename Choice>
std::vector<std::string> Names(const Choice& chosen) {
  std::vector<std::string> names;
  for (const FileFormat& format : FileFormats())
    if (chosen(format)) names.emplace_back(format.name);
  return names;
}

bool ReadsFiles(const FileFormat& format) {
  return format.import != nullptr;
}

bool Unread(const FileFormat& format) {
  return !format.read();
}

// The file patterns of a format: "*.sf2 *.sf3", joined by `separator`, each between `quote`s.
std::string FilePatterns(const FileFormat& format, std::string_view separator,
                         std::string_view quote) {
  std::string text;
  for (const std::string_view pattern : format.patterns) {
    if (IsFolderPattern(pattern)) continue;
    if (!text.empty()) text += separator;
    text += std::string(quote) + std::string(pattern) + std::string(quote);
  }
  return text;
}

std::string Capitalised(std::string_view text) {
  std::string result(text);
  if (!result.empty())
    result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
  return result;
}

// `text` as XML character data or attribute value.
std::string Escaped(std::string_view text) {
  std::string result;
  for (const char c : text) {
    switch (c) {
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

// Words filled into lines of at most `width` columns, the first starting with `first`, the
// others with as many spaces.
std::string Wrapped(std::string_view text, std::size_t width, std::string_view first) {
  const std::string indent(first.size(), ' ');
  std::string result;
  std::string line(first);
  bool empty = true;  // no word on the line yet
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    if (!empty && line.size() + 1 + word.size() > width) {
      result += line + '\n';
      line = indent;
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
    at = end + 1;
  }
  if (!empty) result += line + '\n';
  return result;
}

}  // namespace

std::string ReadFormatsText() {
  return "any format the converter reads: " + Listed(Names(ReadsFiles), "or");
}

std::string HelpFormatsText(std::size_t width) {
  constexpr std::size_t kNameColumn = 36;
  std::string text;
  for (const FileFormat& format : FileFormats()) {
    if (!format.read()) continue;
    std::string files = FilePatterns(format, " ", "");
    if (!format.folderText.empty())
      files += (files.empty() ? "" : ", or ") + std::string(format.folderText);
    std::string name = "  " + Capitalised(format.name);
    name.resize(std::max(kNameColumn, name.size() + 1), ' ');
    text += Wrapped(files, width, name);
  }
  text += Wrapped("Recognised, not read: " + Listed(Names(Unread), "and") + '.', width, "  ");
  return text;
}

std::string MarkdownFormatTable() {
  std::string text =
      "| Format | Files | Recognised by | Details |\n"
      "|---|---|---|---|\n";
  for (const FileFormat& format : FileFormats()) {
    if (!format.read()) continue;
    std::string files = FilePatterns(format, ", ", "`");
    if (!format.folderText.empty())
      files += (files.empty() ? "" : ", ") + std::string(format.folderText);
    const char* how = !format.signatures.empty() || format.recognises != nullptr ? "contents"
                      : format.byName                                            ? "name"
                                                                                 : "being a folder";
    text += "| " + Capitalised(format.name) + " | " + files + " | " + how + " | [" +
            std::string(format.page) + "](docs/formats/" + std::string(format.page) + ".md) |\n";
  }
  text +=
      "\nRecognised, not read ([why](docs/formats/unread.md)): " + Listed(Names(Unread), "and") +
      ".\n";
  return text;
}

std::string ReadFormatNames() {
  return Listed(Names([](const FileFormat& format) { return format.read(); }), "and");
}

std::string DesktopMimeTypes() {
  std::string text;
  for (const FileFormat& format : FileFormats()) {
    if (!format.read()) continue;
    for (const MimeType& type : format.mimeTypes) text += std::string(type.type) + ';';
  }
  return text;
}

std::string DesktopKeywords() {
  std::string text;
  std::vector<std::string> seen;
  const auto add = [&](std::string word) {
    if (std::find(seen.begin(), seen.end(), word) != seen.end()) return;
    text += word + ';';
    seen.push_back(std::move(word));
  };
  for (const FileFormat& format : FileFormats()) {
    if (!format.read() || format.import == nullptr) continue;
    add(std::string(format.name));
    for (const std::string_view pattern : format.patterns) {
      if (!pattern.starts_with("*.") || IsFolderPattern(pattern)) continue;
      std::string extension(pattern.substr(2));
      for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      add(std::move(extension));
    }
  }
  return text;
}

std::string MimeInfoXml() {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- Made from the converter's table of formats: the types of the files it reads that the\n"
      "     shared MIME database does not know, so that the desktop can offer it for them. -->\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const FileFormat& format : FileFormats()) {
    if (!format.read()) continue;
    for (const MimeType& type : format.mimeTypes) {
      if (type.comment.empty()) continue;
      text += "  <mime-type type=\"" + Escaped(type.type) + "\">\n";
      text += "    <comment>" + Escaped(type.comment) + "</comment>\n";
      if (!type.parent.empty())
        text += "    <sub-class-of type=\"" + Escaped(type.parent) + "\"/>\n";
      for (const std::string_view glob : type.globs) {
        // A whole file name outweighs the extensions other types claim.
        const bool wholeName = !glob.starts_with('*');
        text += "    <glob pattern=\"" + Escaped(glob) + "\"" +
                (wholeName ? " weight=\"60\"" : "") + "/>\n";
      }
      if (type.magic) {
        text += "    <magic priority=\"60\">\n";
        for (const Signature& signature : format.signatures) {
          text += "      <match type=\"string\" offset=\"" +
                  std::to_string(signature.first.offset) + "\" value=\"" +
                  Escaped(signature.first.bytes) + "\"";
          if (signature.second.bytes.empty()) {
            text += "/>\n";
            continue;
          }
          text += ">\n        <match type=\"string\" offset=\"" +
                  std::to_string(signature.second.offset) + "\" value=\"" +
                  Escaped(signature.second.bytes) + "\"/>\n      </match>\n";
        }
        text += "    </magic>\n";
      }
      if (!type.xmlRoot.empty()) {
        text += "    <root-XML localName=\"" + Escaped(type.xmlRoot) + "\" namespaceURI=\"" +
                Escaped(type.xmlNamespace) + "\"/>\n";
        text += "    <root-XML localName=\"" + Escaped(type.xmlRoot) + "\" namespaceURI=\"\"/>\n";
      }
      text += "  </mime-type>\n";
    }
  }
  text += "</mime-info>\n";
  return text;
}

}  // namespace tolvane
