#include "import/formats.h"

#include <array>
#include <cctype>
#include <system_error>

#include "base/paths.h"
#include "import/bitwig/multisample_import.h"
#include "import/decent/decent_import.h"
#include "import/dls/dls_import.h"
#include "import/exs/exs_import.h"
#include "import/hydrogen/hydrogen_import.h"
#include "import/hydrogen/hydrogen_kit.h"
#include "import/import_file.h"
#include "import/library_folder/library_folder.h"
#include "import/mpc/mpc_import.h"
#include "import/sample_files/sample_file_import.h"
#include "import/sample_folder/folder_import.h"
#include "import/sfz/sfz_import.h"
#include "import/sifi/sifi_import.h"
#include "import/soundfont/soundfont_import.h"
#include "import/unread_formats.h"
#include "import/wave/wave_import.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

using Names = std::string_view[];

// SoundFont 2 and 3 banks.
constexpr Names kSoundFontPatterns = {"*.sf2", "*.sf3"};
constexpr Signature kSoundFontSignatures[] = {{{0, "RIFF"}, {8, "sfbk"}}};
constexpr Names kSf2Globs = {"*.sf2"};
constexpr Names kSf3Globs = {"*.sf3"};
constexpr MimeType kSoundFontTypes[] = {
    {"audio/x-sf2", "SoundFont 2 bank", {}, kSf2Globs, true, {}, {}},
    // A compressed bank has a plain one's header: only its name tells it apart.
    {"audio/x-sf3", "SoundFont 3 bank (compressed)", "audio/x-sf2", kSf3Globs, false, {}, {}},
};

constexpr Names kDlsPatterns = {"*.dls"};
constexpr Signature kDlsSignatures[] = {{{0, "RIFF"}, {8, "DLS "}}};
constexpr MimeType kDlsTypes[] = {
    {"audio/dls", "DLS bank (Downloadable Sounds)", {}, kDlsPatterns, true, {}, {}}};

constexpr Names kSiFiPatterns = {"*.SLI", "*.SLC"};
constexpr Signature kSiFiSignatures[] = {{{0, "SiFi"}, {}}};

constexpr Names kWavePatterns = {"*.wav", "*.wave"};
constexpr Signature kWaveSignatures[] = {{{0, "RIFF"}, {8, "WAVE"}}};
constexpr MimeType kWaveTypes[] = {{"audio/x-wav"}, {"audio/wav"}, {"audio/vnd.wave"}};

constexpr Names kAiffPatterns = {"*.aif", "*.aiff", "*.aifc"};
constexpr Signature kAiffSignatures[] = {{{0, "FORM"}, {8, "AIFF"}}, {{0, "FORM"}, {8, "AIFC"}}};
constexpr MimeType kAiffTypes[] = {{"audio/x-aiff"}, {"audio/aiff"}, {"audio/x-aifc"}};

constexpr Names kFlacPatterns = {"*.flac"};
constexpr Signature kFlacSignatures[] = {{{0, "fLaC"}, {}}};
constexpr MimeType kFlacTypes[] = {{"audio/flac"}, {"audio/x-flac"}};

// Every Ogg stream that no row before claims is read as Ogg Vorbis (and named damaged when it
// does not decode as such).
constexpr Names kOggPatterns = {"*.ogg", "*.oga"};
constexpr Signature kOggSignatures[] = {{{0, "OggS"}, {}}};
constexpr MimeType kOggTypes[] = {{"audio/ogg"}, {"audio/x-vorbis+ogg"}};

constexpr Names kSfzPatterns = {"*.sfz"};
constexpr MimeType kSfzTypes[] = {
    {"audio/x-sfz", "SFZ instrument", "text/plain", kSfzPatterns, false, {}, {}}};

constexpr Names kDecentPatterns = {"*.dspreset", "*.dslibrary", "*.dsbundle/"};
constexpr Names kDecentPresetGlobs = {"*.dspreset"};
constexpr Names kDecentLibraryGlobs = {"*.dslibrary"};
constexpr MimeType kDecentTypes[] = {
    {"application/x-decent-sampler-preset",
     "Decent Sampler preset",
     "application/xml",
     kDecentPresetGlobs,
     false,
     {},
     {}},
    {"application/x-decent-sampler-library",
     "Decent Sampler library",
     "application/zip",
     kDecentLibraryGlobs,
     false,
     {},
     {}},
};

constexpr Names kBitwigPatterns = {"*.multisample", "multisample.xml"};
constexpr Names kBitwigGlobs = {"*.multisample"};
constexpr Names kBitwigMapping = {"multisample.xml"};
constexpr MimeType kBitwigTypes[] = {{"application/x-bitwig-multisample",
                                      "Bitwig multisample",
                                      "application/zip",
                                      kBitwigGlobs,
                                      false,
                                      {},
                                      {}}};

constexpr Names kHydrogenPatterns = {"drumkit.xml"};
constexpr MimeType kHydrogenTypes[] = {{"application/x-hydrogen-drumkit", "Hydrogen drum kit",
                                        "application/xml", kHydrogenPatterns, false, "drumkit_info",
                                        "http://www.hydrogen-music.org/drumkit"}};

// The first chunk's magic says the byte order: TBOS and JBOS little-endian, SOBT and SOBJ big.
constexpr Names kExsPatterns = {"*.exs"};
constexpr Signature kExsSignatures[] = {
    {{16, "TBOS"}, {}}, {{16, "JBOS"}, {}}, {{16, "SOBT"}, {}}, {{16, "SOBJ"}, {}}};
constexpr MimeType kExsTypes[] = {
    {"audio/x-exs", "Logic EXS24 instrument", {}, kExsPatterns, true, {}, {}}};
constexpr Names kMpcReadPatterns = {"*.xpm", "*.xpn"};
// An expansion is a zip archive, a program in MPC 3's JSON form gzip: ImportMpc tells them by
// name. An XML program is recognised by its root element.
constexpr Signature kMpcSignatures[] = {{{0, "PK\x03\x04"}, {}}, {{0, "\x1F\x8B"}, {}}};
constexpr Names kMpcProgramGlobs = {"*.xpm"};
constexpr Names kMpcExpansionGlobs = {"*.xpn"};
constexpr MimeType kMpcTypes[] = {
    {"application/x-akai-mpc-program",
     "MPC program",
     "application/xml",
     kMpcProgramGlobs,
     false,
     "MPCVObject",
     {}},
    {"application/x-akai-mpc-expansion",
     "MPC expansion",
     "application/zip",
     kMpcExpansionGlobs,
     false,
     {},
     {}},
};

constexpr Names kFolderPatterns = {"*/"};

ImportOutcome ImportDecentFile(Library& library, Source& source, const ImportView& view) {
  ImportOutcome preset = ImportDecent(library, source, view);
  if (preset.recognised()) return preset;
  return ImportDecentLibrary(library, source, view);
}

bool IsDecentBundle(const fs::path& folder) {
  return IsDecentBundleName(PathToUtf8(folder));
}

ImportOutcome ImportBundle(Library& library, SoundDatabase& database, std::string_view utf8Path,
                           const ImportSettings& /*settings*/, WorkProgress* progress) {
  return ImportDecentBundle(library, database, utf8Path, progress);
}

ImportOutcome ImportMultisampleDrop(Library& library, SoundDatabase& database,
                                    std::string_view utf8Path, const ImportSettings& /*settings*/,
                                    WorkProgress* progress) {
  return ImportMultisampleFolder(library, database, utf8Path, progress);
}

// The file that makes a dropped folder a Hydrogen drum kit: the folder is that file.
constexpr std::string_view kKitFile = "drumkit.xml";

bool HoldsKit(const fs::path& folder) {
  std::error_code error;
  return fs::is_regular_file(folder / kKitFile, error);
}

ImportOutcome ImportKitFolder(Library& library, SoundDatabase& database, std::string_view utf8Path,
                              const ImportSettings& settings, WorkProgress* progress) {
  return ImportFile(library, database, PathToUtf8(PathFromUtf8(utf8Path) / kKitFile), progress,
                    settings);
}

bool AnyFolder(const fs::path& /*folder*/) {
  return true;
}

// Readers first, in the order their signatures must be tried (a compressed bank before any
// other RIFF file, Ogg Opus before Ogg Vorbis); formats only named come after every reader, and
// the folder of loose samples, which claims every folder, last.
constexpr FileFormat kFormats[] = {
    {.name = "SoundFont 2 or 3 bank",
     .patterns = kSoundFontPatterns,
     .page = "soundfont",
     .signatures = kSoundFontSignatures,
     .import = &ImportSoundFont,
     .mimeTypes = kSoundFontTypes},
    {.name = "DLS bank",
     .patterns = kDlsPatterns,
     .page = "dls",
     .signatures = kDlsSignatures,
     .import = &ImportDls,
     .mimeTypes = kDlsTypes},
    {.name = "SiFi instrument file",
     .patterns = kSiFiPatterns,
     .page = "sifi",
     .signatures = kSiFiSignatures,
     .import = &ImportSiFi},
    {.name = "WAV file",
     .patterns = kWavePatterns,
     .page = "wav",
     .signatures = kWaveSignatures,
     .import = &ImportWave,
     .sound = true,
     .mimeTypes = kWaveTypes},
    kOggOpus,
    {.name = "AIFF file",
     .article = "an",
     .patterns = kAiffPatterns,
     .page = "sound-files",
     .signatures = kAiffSignatures,
     .import = &ImportSampleFile,
     .sound = true,
     .mimeTypes = kAiffTypes},
    {.name = "FLAC file",
     .patterns = kFlacPatterns,
     .page = "sound-files",
     .signatures = kFlacSignatures,
     .import = &ImportSampleFile,
     .sound = true,
     .mimeTypes = kFlacTypes},
    {.name = "Ogg Vorbis file",
     .article = "an",
     .patterns = kOggPatterns,
     .page = "sound-files",
     .signatures = kOggSignatures,
     .import = &ImportSampleFile,
     .sound = true,
     .mimeTypes = kOggTypes},
    {.name = "SFZ instrument",
     .article = "an",
     .patterns = kSfzPatterns,
     .page = "sfz",
     .byName = true,
     .import = &ImportSfz,
     .plan = &PlanSfz,
     .planned = kSfzPatterns,
     .mimeTypes = kSfzTypes},
    {.name = "Decent Sampler preset or library",
     .patterns = kDecentPatterns,
     .page = "decent-sampler",
     .byName = true,
     .import = &ImportDecentFile,
     .plan = &PlanDecentPreset,
     .planned = kDecentPresetGlobs,
     .claimsFolder = &IsDecentBundle,
     .importFolder = &ImportBundle,
     .folderText = "a folder named *.dsbundle",
     .folderNamed = true,
     .mimeTypes = kDecentTypes},
    {.name = "Bitwig multisample",
     .patterns = kBitwigPatterns,
     .page = "bitwig",
     .byName = true,
     .import = &ImportMultisample,
     .plan = &PlanMultisample,
     .planned = kBitwigMapping,
     .claimsFolder = &IsMultisampleFolder,
     .importFolder = &ImportMultisampleDrop,
     .folderText = "a folder holding multisample.xml",
     .folderNamed = true,
     .mimeTypes = kBitwigTypes},
    {.name = "Hydrogen drum kit",
     .patterns = kHydrogenPatterns,
     .page = "hydrogen",
     .recognises = &LooksLikeHydrogenKit,
     .import = &ImportHydrogen,
     .plan = &PlanHydrogenKit,
     .planned = kHydrogenPatterns,
     .claimsFolder = &HoldsKit,
     .importFolder = &ImportKitFolder,
     .folderText = "a folder holding drumkit.xml",
     .mimeTypes = kHydrogenTypes},
    {.name = "Logic EXS24 instrument",
     .patterns = kExsPatterns,
     .page = "exs",
     .signatures = kExsSignatures,
     .import = &ImportExs,
     .plan = &PlanExs,
     .planned = kExsPatterns,
     .mimeTypes = kExsTypes},
    // An expansion's folder is a library folder (its programs share their samples).
    {.name = "MPC program or expansion",
     .article = "an",
     .patterns = kMpcReadPatterns,
     .page = "mpc",
     .signatures = kMpcSignatures,
     .recognises = &LooksLikeMpcProgram,
     .import = &ImportMpc,
     .plan = &PlanMpcProgram,
     .planned = kMpcProgramGlobs,
     .mimeTypes = kMpcTypes},
    kMp3,
    kMpeg4Audio,
    kCaf,
    kWavPack,
    kMonkeysAudio,
    kMidi,
    kAkaiProgram,
    kKontakt,
    kAbleton,
    kMpcProject,
    kMpcJsonProgram,
    kRenoise,
    kSfArk,
    {.name = "library folder",
     .patterns = kFolderPatterns,
     .page = "library-folders",
     .claimsFolder = &HoldsInstrumentFiles,
     .importFolder = &ImportLibraryFolder,
     .folderText = "a folder holding instrument files of the formats above"},
    {.name = "folder of samples",
     .patterns = kFolderPatterns,
     .page = "sample-folders",
     .claimsFolder = &AnyFolder,
     .importFolder = &ImportFolder,
     .folderText = "any other folder"},
};

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool Matches(std::span<const std::byte> bytes, const ByteMatch& match) {
  if (match.offset > bytes.size() || bytes.size() - match.offset < match.bytes.size()) return false;
  for (std::size_t i = 0; i < match.bytes.size(); ++i)
    if (bytes[match.offset + i] != static_cast<std::byte>(match.bytes[i])) return false;
  return true;
}

}  // namespace

std::span<const FileFormat> FileFormats() {
  return kFormats;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.ends_with('/')) pattern.remove_suffix(1);
  while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.remove_suffix(1);
  if (pattern == "*") return !name.empty();
  if (pattern.starts_with('*')) {
    const std::string_view tail = pattern.substr(1);
    return name.size() >= tail.size() &&
           SameIgnoringCase(name.substr(name.size() - tail.size()), tail);
  }
  return SameIgnoringCase(name, pattern);
}

bool Recognises(const FileFormat& format, std::string_view fileName,
                std::span<const std::byte> bytes) {
  for (const Signature& signature : format.signatures)
    if (Matches(bytes, signature.first) && Matches(bytes, signature.second)) return true;
  if (format.byName) {
    for (const std::string_view pattern : format.patterns)
      if (!pattern.ends_with('/') && MatchesPattern(fileName, pattern)) return true;
  }
  return format.recognises != nullptr && format.recognises(bytes);
}

const FileFormat& FormatOfFolder(const fs::path& folder) {
  for (const FileFormat& format : kFormats)
    if (format.claimsFolder != nullptr && format.claimsFolder(folder)) return format;
  return kFormats[std::size(kFormats) - 1];
}

}  // namespace tolvane
