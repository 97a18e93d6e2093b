// Writes the files of the desktop and the Debian package that list the formats read, from the
// table of formats, at build time:
//   tolvane-format-files fill TEMPLATE OUT      @MIME_TYPES@, @KEYWORDS@ and @FORMATS@ filled
//   tolvane-format-files mime OUT               the shared MIME database's definitions
//   tolvane-format-files description OUT        the package description, wrapped for Debian
// Exits 1 when OUT cannot be written, 2 for a bad command line.

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "import/format_lists.h"

namespace {

// The package description's lines stay within what Debian's tools show unwrapped.
constexpr std::size_t kDescriptionWidth = 72;

void Replace(std::string& text, std::string_view name, const std::string& value) {
  for (std::size_t at = text.find(name); at != std::string::npos;
       at = text.find(name, at + value.size()))
    text.replace(at, name.size(), value);
}

std::string Wrapped(std::string_view text, std::size_t width) {
  std::string result;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      result += line + '\n';
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
    at = end + 1;
  }
  return result + line;
}

bool Write(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (out) return true;
  std::cerr << "tolvane-format-files: cannot write " << path << '\n';
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "fill" && argc == 4) {
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
      std::cerr << "tolvane-format-files: cannot read " << argv[2] << '\n';
      return 1;
    }
    std::string filled = text.str();
    Replace(filled, "@MIME_TYPES@", tolvane::DesktopMimeTypes());
    Replace(filled, "@KEYWORDS@", tolvane::DesktopKeywords());
    Replace(filled, "@FORMATS@", tolvane::ReadFormatNames());
    return Write(argv[3], filled) ? 0 : 1;
  }
  if (mode == "mime" && argc == 3) return Write(argv[2], tolvane::MimeInfoXml()) ? 0 : 1;
  if (mode == "description" && argc == 3) {
    const std::string text =
        "Reads every instrument of these formats: " + tolvane::ReadFormatNames() +
        "; and writes single instrument files (SLI) or one collection file (SLC) for the "
        "Tolvane sampler. A window program lists every instrument, lets the user pick "
        "categories and hear them; tolvane-convert does the same from the command line.";
    return Write(argv[2], Wrapped(text, kDescriptionWidth)) ? 0 : 1;
  }
  std::cerr << "usage: tolvane-format-files fill TEMPLATE OUT | mime OUT | description OUT\n";
  return 2;
}
