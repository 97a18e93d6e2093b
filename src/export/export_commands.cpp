#include "export/export_commands.h"

#include <set>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/text_order.h"

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
                              const std::filesystem::path& file) {
  auto set = CreateExportSet();
  for (const Instrument* instrument : checked) AddInstrumentToExportSet(*set, *instrument);
  ExportResult result = WriteExportSet(*set, file);
  FreeExportSet(std::move(set));
  return result;
}

SingleExportResult ExportSingleInstruments(Library& library,
                                           std::span<const Instrument* const> checked,
                                           const std::filesystem::path& folder) {
  SingleExportResult result;
  for (const auto& source : library.sources)
    for (const auto& group : source->groups) group->exportMark = 0;
  for (const Instrument* instrument : checked)
    if (instrument->group != nullptr) instrument->group->exportMark |= 1;

  auto set = CreateExportSet();
  std::set<std::string, CaseInsensitiveLess> used;
  for (const auto& source : library.sources) {
    for (const auto& group : source->groups) {
      if ((group->exportMark & 1) == 0 || group->instruments.empty()) continue;
      ++result.marked;
      const std::string stem = UniqueStem(SafeFileName(group->instruments.front()->name), used);
      const std::filesystem::path file = folder / PathFromUtf8(stem + ".SLI");
      ResetExportSet(*set);
      for (const Instrument* instrument : group->instruments)
        AddInstrumentToExportSet(*set, *instrument);
      const ExportResult written = WriteExportSet(*set, file);
      if (written)
        result.written.push_back(file);
      else
        result.failures.push_back(PathToUtf8(file) + ": " + Windows1252ToUtf8(written.reason));
    }
  }
  FreeExportSet(std::move(set));
  return result;
}

}  // namespace tolvane
