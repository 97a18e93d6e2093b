#include "import/zip/zip_archive.h"

#include <zip.h>

#include <limits>
#include <utility>

namespace tolvane {
namespace {

constexpr std::uint64_t kLargestEntry = std::numeric_limits<std::uint32_t>::max();

// A handle on the archive in `bytes`, or nothing with `why` set. The buffer source reads the
// bytes in place.
zip_t* OpenHandle(std::span<const std::byte> bytes, int flags, std::string& why) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* archive = source == nullptr ? nullptr : zip_open_from_source(source, flags, &error);
  if (archive == nullptr) {
    why = zip_error_strerror(&error);
    if (source != nullptr) zip_source_free(source);
  }
  zip_error_fini(&error);
  return archive;
}

ZipRead Failed(ZipReadProblem problem, std::string detail = {}) {
  return {{}, problem, std::move(detail)};
}

}  // namespace

std::string ZipReadText(const ZipRead& read) {
  if (!read.problem) return {};
  switch (*read.problem) {
    case ZipReadProblem::Encrypted:
      return "zip entry is encrypted";
    case ZipReadProblem::Method:
      return "zip entry compressed by method " + read.detail + ", which cannot be unpacked";
    case ZipReadProblem::TooLarge:
      return "zip entry claims 4 GiB or more";
    case ZipReadProblem::ShorterThanClaim:
      return "zip entry unpacks to fewer bytes than it claims";
    case ZipReadProblem::LongerThanClaim:
      return "zip entry unpacks to more bytes than it claims";
    case ZipReadProblem::Broken:
      return "zip entry cannot be unpacked: " + read.detail;
  }
  return read.detail;
}

void ZipArchive::Closer::operator()(zip* archive) const {
  zip_discard(archive);  // read only: nothing to write back
}

ZipArchive::~ZipArchive() = default;

ZipOpening ZipArchive::Open(std::span<const std::byte> bytes) {
  std::string why;
  // The first handle also checks that every entry's local header agrees with the directory, so
  // an archive cut short or patched together is refused here rather than entry by entry.
  Handle handle(OpenHandle(bytes, ZIP_RDONLY | ZIP_CHECKCONS, why));
  if (!handle) return {nullptr, "not a zip archive that can be read: " + why};

  std::unique_ptr<ZipArchive> archive(new ZipArchive(bytes));
  const zip_int64_t count = zip_get_num_entries(handle.get(), 0);
  std::uint64_t claimed = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(handle.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_NAME) == 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
      return {nullptr, "zip archive whose directory cannot be read"};
    }
    const std::string name = stat.name;
    if (const auto problem = CheckEntryName(name)) {
      archive->refused_.push_back({name, *problem});
      continue;
    }
    if (name.back() == '/') continue;  // a folder
    ZipEntry entry;
    entry.name = name;
    entry.size = stat.size;
    entry.packedSize = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
    entry.index = static_cast<std::uint64_t>(i);
    entry.method = static_cast<std::uint16_t>(stat.comp_method);
    entry.encrypted =
        (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE;
    // Sizes are capped before they are summed, so the sum cannot overflow.
    claimed += std::min(entry.size, kLargestEntry + 1);
    archive->byName_.try_emplace(name, archive->entries_.size());
    archive->byFoldedName_.emplace(FoldCase(name), archive->entries_.size());
    archive->entries_.push_back(std::move(entry));
  }
  if (claimed / kZipMaxGrowth > bytes.size()) {
    return {nullptr, "zip archive whose files claim to unpack to more than " +
                         std::to_string(kZipMaxGrowth) + " times its size"};
  }
  archive->idle_.push_back(std::move(handle));
  return {std::move(archive), {}};
}

const ZipEntry* ZipArchive::Find(std::string_view path) const {
  if (const auto exact = byName_.find(path); exact != byName_.end())
    return &entries_[exact->second];
  const std::string folded = FoldCase(path);
  const auto [first, last] = byFoldedName_.equal_range(folded);
  if (first == last || std::next(first) != last) return nullptr;
  return &entries_[first->second];
}

ZipArchive::Handle ZipArchive::Borrow() const {
  {
    const std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      Handle handle = std::move(idle_.back());
      idle_.pop_back();
      return handle;
    }
  }
  // Another thread holds every handle: this one opens its own, outside the lock.
  std::string why;
  return Handle(OpenHandle(bytes_, ZIP_RDONLY, why));
}

void ZipArchive::GiveBack(Handle handle) const {
  const std::lock_guard lock(mutex_);
  idle_.push_back(std::move(handle));
}

ZipRead ZipArchive::Read(const ZipEntry& entry) const {
  if (entry.encrypted) return Failed(ZipReadProblem::Encrypted);
  if (zip_compression_method_supported(entry.method, 0) == 0)
    return Failed(ZipReadProblem::Method, std::to_string(entry.method));
  if (entry.size > kLargestEntry) return Failed(ZipReadProblem::TooLarge);

  Handle handle = Borrow();
  if (!handle) return Failed(ZipReadProblem::Broken, "the archive cannot be opened again");
  ZipRead read;
  zip_file_t* file = zip_fopen_index(handle.get(), entry.index, 0);
  if (file == nullptr) {
    read = Failed(ZipReadProblem::Broken, zip_strerror(handle.get()));
    GiveBack(std::move(handle));
    return read;
  }
  read.bytes.resize(entry.size);
  std::uint64_t got = 0;
  zip_int64_t n = 0;
  while (got < entry.size && (n = zip_fread(file, read.bytes.data() + got, entry.size - got)) > 0) {
    got += static_cast<std::uint64_t>(n);
  }
  // One more byte, to reach the end: the checksum is checked there, and data beyond the
  // claimed size shows.
  std::byte extra{};
  if (n >= 0 && got == entry.size) n = zip_fread(file, &extra, 1);
  if (n < 0) {
    read = Failed(ZipReadProblem::Broken, zip_file_strerror(file));
  } else if (got < entry.size) {
    read = Failed(ZipReadProblem::ShorterThanClaim);
  } else if (n > 0) {
    read = Failed(ZipReadProblem::LongerThanClaim);
  }
  zip_fclose(file);
  GiveBack(std::move(handle));
  return read;
}

}  // namespace tolvane
