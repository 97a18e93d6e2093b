#include "import/soundfont/ogg_pages.h"

#include <ogg/ogg.h>

#include <array>
#include <cstring>
#include <optional>

#include "base/bytes.h"

namespace tolvane {
namespace {

// An Ogg page: a 27-byte header (capture pattern "OggS", version 0, flags, granule position at 6,
// serial number, sequence number, checksum at 22, segment count at 26), the segment sizes, then
// the body.
constexpr std::size_t kHeader = 27;
constexpr std::size_t kFlags = 5;
constexpr std::byte kBeginsStream{0x02};
constexpr std::size_t kGranule = 6;
constexpr std::size_t kChecksum = 22;
constexpr std::size_t kSegments = 26;

struct Page {
  std::size_t at = 0;                 // where it starts in the stream
  std::span<const std::byte> header;  // with the segment sizes
  std::span<const std::byte> body;
  std::int64_t granule = -1;
  bool beginsStream = false;
};

// Calls `visit` with each page of `stream` in order, up to the first bytes that are not a whole
// page.
template <typename Visit>
void ForEachPage(std::span<const std::byte> stream, const Visit& visit) {
  std::size_t at = 0;
  while (stream.size() - at >= kHeader) {
    const std::span<const std::byte> rest = stream.subspan(at);
    if (LoadU32(rest.data()) != FourCC("OggS") || rest[4] != std::byte{0}) return;
    const std::size_t headerSize = kHeader + std::to_integer<std::size_t>(rest[kSegments]);
    if (rest.size() < headerSize) return;
    std::size_t bodySize = 0;
    for (const std::byte size : rest.subspan(kHeader, headerSize - kHeader))
      bodySize += std::to_integer<std::size_t>(size);
    if (rest.size() - headerSize < bodySize) return;
    visit(Page{at, rest.first(headerSize), rest.subspan(headerSize, bodySize),
               static_cast<std::int64_t>(LoadU64(rest.data() + kGranule)),
               (rest[kFlags] & kBeginsStream) != std::byte{0}});
    at += headerSize + bodySize;
  }
}

bool ChecksumHolds(const Page& page) {
  // libogg computes the checksum into the header, so it gets a copy; the body is only read.
  std::array<unsigned char, kHeader + 255> header{};
  std::memcpy(header.data(), page.header.data(), page.header.size());
  ogg_page computed{
      header.data(), static_cast<long>(page.header.size()),
      const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(page.body.data())),
      static_cast<long>(page.body.size())};
  ogg_page_checksum_set(&computed);
  return std::memcmp(header.data() + kChecksum, page.header.data() + kChecksum, 4) == 0;
}

}  // namespace

std::vector<std::span<const std::byte>> OggLinks(std::span<const std::byte> stream) {
  std::vector<std::span<const std::byte>> links;
  std::size_t start = 0;
  bool afterBegin = true;  // no link ends before the first page
  ForEachPage(stream, [&](const Page& page) {
    if (page.beginsStream && !afterBegin) {
      links.push_back(stream.subspan(start, page.at - start));
      start = page.at;
    }
    afterBegin = page.beginsStream;
  });
  links.push_back(stream.subspan(start));
  return links;
}

std::int64_t OggClaimedFrames(std::span<const std::byte> stream) {
  std::optional<Page> last;
  ForEachPage(stream, [&](const Page& page) {
    if (page.granule != -1) last = page;
  });
  if (!last) return -1;
  // Only the last page's checksum counts, unless it fails: then the last page whose checksum
  // holds is looked for among all of them.
  if (ChecksumHolds(*last)) return last->granule;
  std::int64_t claimed = -1;
  ForEachPage(stream, [&](const Page& page) {
    if (page.granule != -1 && ChecksumHolds(page)) claimed = page.granule;
  });
  return claimed;
}

}  // namespace tolvane
