#pragma once
// Every list of formats the programs and their documents show, made from the table of formats
// so that none can drift from what ImportFile reads.

#include <cstddef>
#include <string>

namespace tolvane {

// The formats a dropped file is read as, for the message on a file none of them recognises:
// "any format the converter reads: SoundFont 2 or 3 bank, DLS bank, ... or Hydrogen drum kit".
std::string ReadFormatsText();

// The formats for tolvane-convert --help: a line a format read, its name and files (folders
// last), then the formats only recognised, wrapped at `width` columns. Ends with a newline.
std::string HelpFormatsText(std::size_t width);

// The README's table of formats in Markdown (name, files, how recognised, the page of the
// documentation), then a line naming the formats only recognised. Ends with a newline.
std::string MarkdownFormatTable();

// One sentence for manual pages and package descriptions: "Reads SoundFont 2 or 3 banks, ..."
// is not made (plurals differ); instead the names: "SoundFont 2 or 3 bank, DLS bank, ... and
// folder of samples", every format read.
std::string ReadFormatNames();

// The desktop entry's MimeType value: every MIME type of a format read, each ended by ';'.
std::string DesktopMimeTypes();
// The desktop entry's Keywords of the formats: names and file extensions, each ended by ';'.
std::string DesktopKeywords();

// The shared MIME database's definitions of the types it does not know (a freedesktop.org
// mime-info document): a format read whose MIME type has a comment.
std::string MimeInfoXml();

}  // namespace tolvane
