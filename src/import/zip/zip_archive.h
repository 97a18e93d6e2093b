#pragma once
// A zip archive read in place from memory (a mapped file): its entries listed with their names
// checked, each unpacked on request with the sizes it claims held to.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/archive_path.h"

struct zip;  // libzip's archive handle

namespace tolvane {

struct ZipEntry {
  std::string name;        // as the archive names it, UTF-8, '/' between folders
  std::uint64_t size = 0;  // unpacked, as the archive claims
  std::uint64_t packedSize = 0;
  std::uint64_t index = 0;   // the archive's own number for it
  std::uint16_t method = 0;  // compression: 0 stored, 8 deflated, ...
  bool encrypted = false;
};

// An entry whose name is not taken: it is left out of the listing and never read.
struct RefusedEntry {
  std::string name;
  EntryNameProblem problem = EntryNameProblem::Empty;
};

// Why an entry could not be unpacked.
enum class ZipReadProblem : std::uint8_t {
  Encrypted,
  Method,            // a compression method this build cannot unpack; detail: its number
  TooLarge,          // claims 4 GiB or more: no file the converter reads is that large
  ShorterThanClaim,  // unpacks to fewer bytes than it claims
  LongerThanClaim,   // unpacks to more bytes than it claims
  Broken,            // a checksum that does not match, or data that cannot be unpacked; detail: why
};

struct ZipRead {
  std::vector<std::byte> bytes;  // the whole entry, when `problem` is empty
  std::optional<ZipReadProblem> problem;
  std::string detail;
};

// The words for people of a failed read ("zip entry fails its checksum (CRC error)").
std::string ZipReadText(const ZipRead& read);

// An archive claims to unpack, all its entries together, to at most this many times its own
// size: more is a bomb, not an instrument (stored entries unpack to their own size; deflated
// samples to about 1.1 to 3 times theirs).
inline constexpr std::uint64_t kZipMaxGrowth = 64;

class ZipArchive;

struct ZipOpening {
  std::unique_ptr<ZipArchive> archive;  // set when the archive could be read
  std::string refusal;                  // otherwise why, for people
};

class ZipArchive {
 public:
  // Reads the central directory of the archive in `bytes`. Refused when it is not a zip archive,
  // is cut short or inconsistent, or when its entries claim to unpack to more than kZipMaxGrowth
  // times its size. REQUIRES: `bytes` stay valid and unchanged while the archive lives: they are
  // read in place, never copied whole.
  static ZipOpening Open(std::span<const std::byte> bytes);

  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;
  ~ZipArchive();

  // The files of the archive in its own order (folders and refused names are not among them).
  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The entries whose names are not taken, in the archive's order.
  const std::vector<RefusedEntry>& refused() const { return refused_; }

  // The entry of normal path `path` (see ResolveInside): the one of exactly that name, else the
  // only one whose name matches ignoring case; null when none or several match.
  const ZipEntry* Find(std::string_view path) const;

  // The whole of `entry` (one of entries()), unpacked, its checksum checked. May be called from
  // several threads at once: each unpacks with a handle of its own, so they run in parallel.
  ZipRead Read(const ZipEntry& entry) const;

 private:
  struct Closer {
    void operator()(zip* archive) const;
  };
  using Handle = std::unique_ptr<zip, Closer>;

  explicit ZipArchive(std::span<const std::byte> bytes) : bytes_(bytes) {}
  Handle Borrow() const;
  void GiveBack(Handle handle) const;

  std::span<const std::byte> bytes_;
  std::vector<ZipEntry> entries_;
  std::vector<RefusedEntry> refused_;
  std::map<std::string, std::size_t, std::less<>> byName_;  // first entry of each name
  std::multimap<std::string, std::size_t, std::less<>> byFoldedName_;
  // Handles not in use: libzip's handle is not safe to read from two threads at once.
  mutable std::mutex mutex_;
  mutable std::vector<Handle> idle_;
};

}  // namespace tolvane
