#pragma once
// The table of formats: every kind of file or folder the converter recognises, one row each, in
// the order a dropped file or folder is offered to them. ImportFile dispatches by it, and every
// list of formats the programs and their documents show is made from it (format_lists.h), so
// that adding a format is its folder, its row, its tests and its page.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "import/import_settings.h"
#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

struct SoundDatabase;

// Bytes a file holds at a fixed offset.
struct ByteMatch {
  std::uint32_t offset = 0;
  std::string_view bytes{};  // empty: matches anything
};

// What a format's files start with: both matches ("RIFF" at 0 and "sfbk" at 8).
struct Signature {
  ByteMatch first{};
  ByteMatch second{};
};

// A MIME type of the format's files. One the shared MIME database knows (no `comment`) is only
// named in the desktop entry; one it does not know is also defined in the MIME type file the
// program installs: its comment, parent, file-name globs, the format's signatures as its magic
// (`magic`) and the local name of its XML root (`xmlRoot`).
struct MimeType {
  std::string_view type{};
  std::string_view comment{};
  std::string_view parent{};
  std::span<const std::string_view> globs{};
  bool magic = false;
  std::string_view xmlRoot{};
  std::string_view xmlNamespace{};  // of `xmlRoot`; the root is also taken without one
};

// Imports a folder the row claims as one drop, its sources named after the folder.
using FolderImporter = ImportOutcome (*)(Library& library, SoundDatabase& database,
                                         std::string_view utf8Path, const ImportSettings& settings,
                                         WorkProgress* progress);

struct FileFormat {
  // What users know the format by, as it reads in a sentence ("SFZ instrument"), and the article
  // it takes there ("an MP3 file").
  std::string_view name{};
  std::string_view article = "a";
  // The file names the format's files have, in any case: "*.sfz", or a whole name
  // ("multisample.xml"). A pattern ending in '/' names folders ("*.dsbundle/").
  std::span<const std::string_view> patterns{};
  // The page of the documentation that tells what is read: docs/formats/PAGE.md.
  std::string_view page{};

  // How a file is recognised: by any of `signatures`, by its name matching one of `patterns`
  // when `byName`, or by `recognises` looking into its bytes.
  std::span<const Signature> signatures{};
  bool byName = false;
  bool (*recognises)(std::span<const std::byte> bytes) = nullptr;

  // Reads a recognised file; null for a format the converter knows but does not read, which
  // `unread` says why ("MPEG audio is not read").
  Importer import = nullptr;
  std::string_view unread{};
  // Its files are single sounds (WAV, AIFF, ...), not instruments: a folder of them is a folder
  // of samples, not a library.
  bool sound = false;
  // In a library folder, its files named by `planned` are planned over the library's shared
  // pool of samples; its other files are imported as if dropped alone.
  FilePlanner plan = nullptr;
  std::span<const std::string_view> planned{};
  // Its files come beside the instruments of another format and are none themselves (an MPC
  // expansion's projects and tracks): a library folder passes them over and counts them.
  bool passedOver = false;

  // A folder the row claims as its own (a Hydrogen kit's folder holding drumkit.xml), and what
  // the documentation calls such a folder; null for a format of files only.
  bool (*claimsFolder)(const std::filesystem::path& folder) = nullptr;
  FolderImporter importFolder = nullptr;
  std::string_view folderText{};
  // Such a folder is one source named after it, its categories kept under its name (a bundle,
  // a multisample's folder); otherwise under its files' names.
  bool folderNamed = false;

  std::span<const MimeType> mimeTypes{};

  bool read() const { return import != nullptr || importFolder != nullptr; }
};

// Every row, in the order files and folders are offered to them.
std::span<const FileFormat> FileFormats();

// Whether the file named `fileName` (UTF-8, without its folder) holding `bytes` is of `format`.
bool Recognises(const FileFormat& format, std::string_view fileName,
                std::span<const std::byte> bytes);

// Whether a file or folder name (without its folder) matches a pattern of the table, in any
// case: "*.sfz" the name's end, anything else the whole name; a trailing '/' is not compared.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The row that claims the folder at `folder` (the last row claims every folder).
const FileFormat& FormatOfFolder(const std::filesystem::path& folder);

}  // namespace tolvane
