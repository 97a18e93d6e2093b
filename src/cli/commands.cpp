#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "base/encoding.h"
#include "base/folders.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "base/version.h"
#include "cli/drop.h"
#include "cli/list_command.h"
#include "cli/render_command.h"
#include "cli/sifi_info.h"
#include "export/export_commands.h"
#include "import/format_lists.h"
#include "import/outcome_text.h"
#include "import/sifi/sifi_import.h"
#include "import/soundfont/soundfont_import.h"
#include "import/soundfont/soundfont_info.h"
#include "library/instrument_texts.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";
// The width `formats` fills, as --help does.
constexpr std::size_t kFormatsWidth = 88;

// A drop left to the process's end (Leftovers::kLeaveToExit): still reachable from here, so
// no leak to a checker, only never freed.
Drop* leftToExit = nullptr;

// Groups whose tables did not fit one group chunk were written as several, each with its own copy
// of the samples its instruments play: a file larger than it would be, named with the cost.
void ReportSplits(const std::vector<GroupSplit>& splits, std::ostream& err) {
  for (const GroupSplit& split : splits) {
    err << kProgram << "group of " << Windows1252ToUtf8(split.firstInstrument) << " written as "
        << split.parts << " groups (its tables do not fit one): " << SizeText(split.duplicatedBytes)
        << " of sample data stored more than once\n";
  }
}

// Looped samples whose junction clicks, and where --snap-loops moved them.
void ReportLoops(const std::vector<ClickingLoop>& loops, std::ostream& err) {
  for (const ClickingLoop& loop : loops)
    err << kProgram << Windows1252ToUtf8(ClickingLoopText(loop)) << '\n';
}

// What --auto-loop and --detect-root found.
void ReportSounds(const std::vector<SoundNote>& sounds, std::ostream& err) {
  for (const SoundNote& note : sounds)
    err << kProgram << "note: " << Windows1252ToUtf8(SoundNoteText(note)) << '\n';
}

// Instruments the sampler cannot tell apart: written as they are, named so that one can be
// renamed or left out.
void ReportClashes(const std::vector<std::string>& clashes, std::ostream& err) {
  for (const std::string& clash : clashes)
    err << kProgram << "note: " << Windows1252ToUtf8(clash) << '\n';
}

// With options that fit the sampler's memory: notes on what each did, and what was written.
void ReportFitting(const ExportOptions& options, const FitSavings& saved,
                   std::span<const std::filesystem::path> files, std::ostream& out,
                   std::ostream& err) {
  if (!options.fitting().any()) return;
  for (const std::string& text : FitSavingsTexts(saved, options.fitting()))
    err << kProgram << "note: " << text << '\n';
  std::uint64_t bytes = 0;
  for (const std::filesystem::path& file : files) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error) bytes += size;
  }
  out << "written: " << SizeText(bytes) << " (" << bytes << " bytes) in " << files.size()
      << (files.size() == 1 ? " file, " : " files, ") << SizeText(saved.bytes())
      << " less sample data than without --trim, --mono and --rate\n";
}

int ExportCollectionFile(const Options& options, std::span<const Instrument* const> checked,
                         std::ostream& out, std::ostream& err) {
  const std::filesystem::path file = PathFromUtf8(options.target);
  // Made as --single makes its folder, so that both exports take the same paths.
  if (const auto failure = CreateFolders(file.parent_path())) {
    err << kProgram << "cannot write " << options.target << ": " << FolderFailureText(*failure)
        << '\n';
    return 1;
  }
  const ExportResult result = ExportCollection(checked, file, nullptr, options.exportOptions);
  if (!result) {
    // Reasons name instruments, whose names are Windows-1252.
    err << kProgram << "cannot write " << options.target << ": " << Windows1252ToUtf8(result.reason)
        << '\n';
    return 1;
  }
  ReportSplits(result.splits, err);
  ReportLoops(result.loops, err);
  ReportSounds(result.sounds, err);
  ReportClashes(result.clashes, err);
  out << "wrote " << options.target << '\n';
  ReportFitting(options.exportOptions, result.saved, std::span(&file, 1), out, err);
  return 0;
}

int ExportSingleFiles(const Options& options, Drop& drop,
                      std::span<const Instrument* const> checked, std::ostream& out,
                      std::ostream& err) {
  const std::filesystem::path folder = PathFromUtf8(options.target);
  if (const auto failure = CreateFolders(folder)) {
    err << kProgram << "cannot write into " << options.target << ": " << FolderFailureText(*failure)
        << '\n';
    return 1;
  }
  const SingleExportResult result =
      ExportSingleInstruments(drop.library, checked, folder, nullptr, options.exportOptions);
  ReportSplits(result.splits, err);
  ReportLoops(result.loops, err);
  ReportSounds(result.sounds, err);
  ReportClashes(result.clashes, err);
  for (const auto& file : result.written) out << "wrote " << PathToUtf8(file) << '\n';
  if (!result.written.empty())
    ReportFitting(options.exportOptions, result.saved, result.written, out, err);
  if (result.folderRefused()) {
    // Said once: every further file would fail alike.
    err << kProgram << result.failures.front() << " (" << result.written.size() << " of "
        << result.marked << " files written)\n";
    return 1;
  }
  for (const auto& failure : result.failures) err << kProgram << "cannot write " << failure << '\n';
  return result.ok() ? 0 : 1;
}

int Export(const Options& options, Drop& drop, std::ostream& out, std::ostream& err) {
  std::vector<const Instrument*> checked;
  if (!CheckedRows(options, drop, checked, err)) return 1;
  if (std::none_of(checked.begin(), checked.end(),
                   [](const Instrument* i) { return i->group != nullptr; })) {
    err << kProgram << "nothing to export: " << NothingText(options, drop) << '\n';
    return 1;
  }
  ReportQuietInstruments(checked, err);
  if (options.command == Command::ExportCollection)
    return ExportCollectionFile(options, checked, out, err);
  return ExportSingleFiles(options, drop, checked, out, err);
}

// Renders the first instrument of the list, or the one --only names. Only the file it came
// from answers for the exit status: the others are named as notes.
int Render(const Options& options, const Drop& drop, std::ostream& out, std::ostream& err) {
  std::vector<const Instrument*> checked;
  // The files are named first, the command's own failure after them.
  std::ostringstream unnamed;
  const bool named = CheckedRows(options, drop, checked, unnamed);
  if (!named || checked.empty()) {
    ReportFiles(drop, err);
    err << unnamed.str();
    if (named) err << kProgram << "nothing to render: " << NothingText(options, drop) << '\n';
    return 1;
  }
  const Instrument& instrument = *checked.front();
  const std::size_t file = FileOf(drop, instrument);
  ReportFiles(drop, err, file);
  const int status = RenderInstrument(instrument, options, out, err);
  const bool whole = file == kEveryFile ? DropWhole(drop) : drop.files[file].outcome.imported();
  return whole ? status : 1;
}

int Info(const Options& options, std::ostream& out, std::ostream& err) {
  const std::string& file = options.files.front();
  const auto mapped = MappedFile::Open(PathFromUtf8(file));
  if (!mapped) {
    err << kProgram << file << ": cannot open file\n";
    return 1;
  }
  std::string error;
  bool bank = false;
  if (!DescribeSiFi(mapped->bytes(), file, out, error)) {
    std::string damage;
    bank = DescribeSoundFont(mapped->bytes(), file, out, damage);
    if (!bank) {
      err << kProgram << file << ": " << (damage.empty() ? error : "damaged: " + damage) << '\n';
      return 1;
    }
  }
  // The importer's verdict on the same bytes, so that info and list name the same damage: a
  // bank's in either of its modes.
  for (const SoundFontMode mode : {SoundFontMode::Instruments, SoundFontMode::Presets}) {
    Library library;
    Source& source = CreateSource(library, file);
    ImportView view{mapped->bytes(), 0, nullptr};
    view.settings.soundFont = mode;
    const ImportOutcome outcome =
        bank ? ImportSoundFont(library, source, view) : ImportSiFi(library, source, view);
    if (outcome.status != ImportStatus::Damaged) {
      if (!bank) return 0;
      continue;
    }
    for (const std::string& line : ImportOutcomeLines(outcome, 0))
      err << kProgram << file << ": " << line << '\n';
    return 1;
  }
  return 0;
}

// Saves the categories this run gave. SaveSoundDatabase never writes over a file it cannot
// read; false, after saying why, when nothing was saved.
bool SaveDatabase(Drop& drop, std::ostream& err) {
  if (SaveSoundDatabase(drop.database, drop.databasePath)) return true;
  err << kProgram << "the categories given are not saved: ";
  if (drop.databaseLoad == DatabaseLoad::kUnreadable)
    err << "the sound database " << PathToUtf8(drop.databasePath) << " cannot be read\n";
  else
    err << "cannot write the sound database " << PathToUtf8(drop.databasePath) << '\n';
  return false;
}

}  // namespace

int Run(const Options& options, std::ostream& out, std::ostream& err, Leftovers leftovers) {
  switch (options.command) {
    case Command::Help:
      out << UsageText();
      return 0;
    case Command::Version:
      out << "tolvane-convert " << ProgramVersion() << '\n';
      return 0;
    case Command::Formats:
      out << (options.markdown ? MarkdownFormatTable() : HelpFormatsText(kFormatsWidth));
      return 0;
    case Command::Categories:
      PrintCategories(out);
      return 0;
    case Command::Info:
      return Info(options, out, err);
    default:
      break;
  }

  auto owned = std::make_unique<Drop>();
  Drop& drop = *owned;
  if (leftovers == Leftovers::kLeaveToExit) leftToExit = owned.release();
  ImportDrop(options, drop, err);
  if (!ApplyCategories(options, drop, err)) return 1;
  int status = 0;
  if (options.command == Command::List) {
    PrintList(drop, options.tsv, options.importedNames, options.programs, out);
    if (options.size && !PrintExportSize(options, drop, out, err)) status = 1;
  } else if (options.command == Command::Render)
    status = Render(options, drop, out, err);
  else
    status = Export(options, drop, out, err);
  // Only a command that gave categories has anything to remember; the others leave the file
  // alone.
  if ((!options.categories.empty() || options.suggestCategories) && !SaveDatabase(drop, err))
    status = 1;
  // Render answers for its instrument's file alone.
  if (options.command == Command::Render) return status;
  return DropWhole(drop) ? status : 1;
}

}  // namespace tolvane::cli
