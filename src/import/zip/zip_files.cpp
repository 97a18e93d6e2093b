#include "import/zip/zip_files.h"

#include "import/sample_files/read_sound.h"

namespace tolvane {
namespace {

constexpr std::uint64_t kLargestText = std::uint64_t{64} << 20;

}  // namespace

const ZipEntry* ZipFiles::Find(const std::string& path) const {
  const std::optional<std::string> resolved = ResolveInside(folder_, path);
  return resolved ? archive_.Find(*resolved) : nullptr;
}

std::optional<std::string> ZipFiles::ReadText(const std::string& path) const {
  const ZipEntry* entry = Find(path);
  if (entry == nullptr || entry->size > kLargestText) return std::nullopt;
  const ZipRead read = archive_.Read(*entry);
  if (read.problem) return std::nullopt;
  std::string text(read.bytes.size(), '\0');
  for (std::size_t i = 0; i < read.bytes.size(); ++i) text[i] = static_cast<char>(read.bytes[i]);
  return text;
}

SoundReading ZipFiles::ReadSample(const std::string& path) const {
  const std::optional<std::string> resolved = ResolveInside(folder_, path);
  if (!resolved) return {std::nullopt, ImportOutcome::CannotOpen("path leaves the archive"), false};
  const ZipEntry* entry = archive_.Find(*resolved);
  if (entry == nullptr) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
  const ZipRead read = archive_.Read(*entry);
  if (read.problem) return {std::nullopt, ImportOutcome::Damaged(ZipReadText(read)), false};
  if (read.bytes.empty()) return {std::nullopt, ImportOutcome::Damaged("empty file"), false};
  return ReadSound(read.bytes);
}

std::uint64_t ZipFiles::SampleSize(const std::string& path) const {
  const ZipEntry* entry = Find(path);
  return entry == nullptr ? 0 : entry->size;
}

std::vector<std::string> ZipFiles::ListFiles(const std::string& folder) const {
  std::vector<std::string> files;
  std::string prefix;
  if (!folder.empty()) {
    const std::optional<std::string> resolved = ResolveInside(folder_, folder + ".");
    if (!resolved) return files;
    prefix = *resolved + '/';
  } else if (!folder_.empty()) {
    prefix = folder_ + '/';
  }
  for (const ZipEntry& entry : archive_.entries()) {
    if (!entry.name.starts_with(prefix)) continue;
    files.push_back(folder + entry.name.substr(prefix.size()));
    if (files.size() >= kListedFiles) break;
  }
  return files;
}

std::string EntryFolder(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string{} : name.substr(0, slash);
}

}  // namespace tolvane
