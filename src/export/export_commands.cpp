#include "export/export_commands.h"

#include <set>
#include <system_error>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/text_order.h"
#include "export/name_clashes.h"

namespace tolvane {
namespace {

// Names compare without case so that a case-insensitive file system cannot merge two files.
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareCaseInsensitive(a, b) < 0;
  }
};

std::string UniqueStem(const std::string& stem, std::set<std::string, CaseInsensitiveLess>& used) {
  if (used.insert(stem).second) return stem;
  for (std::size_t n = 2;; ++n) {
    std::string candidate = stem + "_" + std::to_string(n);
    if (used.insert(candidate).second) return candidate;
  }
}

// Passes a cancel on to each file's write, but not its steps: the export counts files.
class CancelOnly : public WorkProgress {
 public:
  explicit CancelOnly(const WorkProgress* progress) : progress_(progress) {}
  bool Cancelled() const override { return WorkCancelled(progress_); }

 private:
  const WorkProgress* progress_;
};

// Whether a file that could not be created tells that no file can be created in its folder.
bool RefusedByFolder(const ExportResult& written) {
  if (written.error != ExportError::kCannotCreateFile) return false;
  const std::error_code& error = written.systemError;
  return error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
         error == std::errc::read_only_file_system || error == std::errc::no_space_on_device ||
         error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

// Fitting comes first, so that the sound options and normalising measure what is written;
// normalising comes last, as a crossfade changes values.
struct AppliedOptions {
  FitSavings saved;
  std::vector<SoundNote> sounds;
};
AppliedOptions ApplyOptions(ExportSet& set, const ExportOptions& options,
                            const WorkProgress* progress) {
  AppliedOptions applied;
  applied.saved = FitExportSet(set, options.fitting());
  applied.sounds = AnalyseSounds(set, options.sounds, progress);
  if (options.normalizeDbfs) NormalizeExportSet(set, *options.normalizeDbfs);
  return applied;
}

// The checked instruments the sampler cannot tell apart, in words.
std::vector<std::string> ClashTexts(std::span<const Instrument* const> checked) {
  std::vector<std::string> texts;
  for (const NameClash& clash : FindNameClashes(checked)) texts.push_back(NameClashText(clash));
  return texts;
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  std::string safe;
  safe.reserve(name.size());
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool refused =
        u < 0x20 || u == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    safe += refused ? '_' : c;
  }
  if (safe.empty() || safe == "." || safe == "..") safe = "_";
  // A leading dot would hide the file from most listings.
  if (safe.front() == '.') safe.front() = '_';
  return Windows1252ToUtf8(safe);
}

ExportResult ExportCollection(std::span<const Instrument* const> checked,
                              const std::filesystem::path& file, WorkProgress* progress,
                              const ExportOptions& options) {
  auto set = CreateExportSet();
  for (const Instrument* instrument : checked) AddInstrumentToExportSet(*set, *instrument);
  std::vector<ClickingLoop> clicking = CheckExportLoops(*set, options.loops);
  AppliedOptions applied = ApplyOptions(*set, options, progress);
  ExportResult result = WriteExportSet(*set, file, progress);
  if (result) {
    result.loops = std::move(clicking);
    result.sounds = std::move(applied.sounds);
    result.clashes = ClashTexts(checked);
    result.saved = applied.saved;
  }
  FreeExportSet(std::move(set));
  return result;
}

SingleExportResult ExportSingleInstruments(Library& library,
                                           std::span<const Instrument* const> checked,
                                           const std::filesystem::path& folder,
                                           WorkProgress* progress, const ExportOptions& options) {
  SingleExportResult result;
  for (const auto& source : library.sources)
    for (const auto& group : source->groups) group->exportMark = 0;
  for (const Instrument* instrument : checked)
    if (instrument->group != nullptr) instrument->group->exportMark |= 1;
  std::size_t total = 0;
  for (const auto& source : library.sources)
    for (const auto& group : source->groups)
      total += (group->exportMark & 1) != 0 && !group->instruments.empty() ? 1 : 0;

  auto set = CreateExportSet();
  std::set<std::string, CaseInsensitiveLess> used;
  std::vector<std::filesystem::path> created;  // files that were not there before
  CancelOnly eachFile(progress);
  for (const auto& source : library.sources) {
    for (const auto& group : source->groups) {
      if ((group->exportMark & 1) == 0 || group->instruments.empty()) continue;
      if (WorkCancelled(progress)) result.cancelled = true;
      if (result.cancelled || result.folderRefused()) break;
      ++result.marked;
      const std::string stem = UniqueStem(SafeFileName(group->instruments.front()->name), used);
      const std::filesystem::path file = folder / PathFromUtf8(stem + ".SLI");
      ResetExportSet(*set);
      for (const Instrument* instrument : group->instruments)
        AddInstrumentToExportSet(*set, *instrument);
      // Loops are judged, and mended, as the library holds them; fitting keeps the loop points.
      std::vector<ClickingLoop> clicking = CheckExportLoops(*set, options.loops);
      AppliedOptions applied = ApplyOptions(*set, options, &eachFile);
      std::error_code error;
      const bool existed = std::filesystem::exists(file, error);
      const ExportResult written = WriteExportSet(*set, file, &eachFile);
      if (written) {
        result.written.push_back(file);
        result.saved += applied.saved;
        result.loops.insert(result.loops.end(), clicking.begin(), clicking.end());
        result.sounds.insert(result.sounds.end(), applied.sounds.begin(), applied.sounds.end());
        result.splits.insert(result.splits.end(), written.splits.begin(), written.splits.end());
        if (!existed) created.push_back(file);
      } else if (written.error == ExportError::kCancelled) {
        result.cancelled = true;
      } else if (RefusedByFolder(written)) {
        result.folderError = written.systemError;
        result.marked = total;
        result.failures.push_back("cannot create files in " + PathToUtf8(folder) + ": " +
                                  written.systemError.message());
        continue;  // and no further
      } else {
        result.failures.push_back(PathToUtf8(file) + ": " + Windows1252ToUtf8(written.reason));
      }
      ReportStep(progress, kWritingFilesStep, result.marked, total);
    }
  }
  FreeExportSet(std::move(set));
  if (result.cancelled) {
    // A cancelled export leaves no new file behind, whole or not.
    for (const std::filesystem::path& file : created) {
      std::error_code error;
      std::filesystem::remove(file, error);
    }
    result.written.clear();
  }
  if (!result.written.empty()) result.clashes = ClashTexts(checked);
  return result;
}

}  // namespace tolvane
