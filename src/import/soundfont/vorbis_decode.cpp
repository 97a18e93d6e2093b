#include "import/soundfont/vorbis_decode.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <numeric>

#include "base/all_cores.h"
#include "base/work_progress.h"
#include "import/soundfont/ogg_pages.h"

namespace tolvane {
namespace {

// A link as vorbisfile reads it: a file over memory, read in order. vorbisfile is given no way to
// seek: opening a stream it can seek in, it first walks all of it to learn its links, and
// libvorbisfile 1.3.7 leaks what it gathered there when a later link's headers break off
// (_bisect_forward_serialno returns without freeing its list of serial numbers). Read in order,
// such a link fails to open, and nothing is held past ov_clear. Each link is opened on its own:
// read in order across a link's end, 1.3.7 gives a hole where nothing is missing.
struct MemoryStream {
  std::span<const std::byte> bytes;
  std::size_t position = 0;
};

std::size_t ReadMemory(void* out, std::size_t size, std::size_t count, void* source) {
  auto& stream = *static_cast<MemoryStream*>(source);
  if (size == 0) return 0;
  const std::size_t items = std::min(count, (stream.bytes.size() - stream.position) / size);
  if (items == 0) return 0;
  std::memcpy(out, stream.bytes.data() + stream.position, items * size);
  stream.position += items * size;
  return items;
}

constexpr ov_callbacks kMemoryCallbacks = {&ReadMemory, nullptr, nullptr, nullptr};

// Frees what vorbisfile holds for an opened stream.
struct OpenedVorbis {
  OggVorbis_File file{};
  OpenedVorbis() = default;
  OpenedVorbis(const OpenedVorbis&) = delete;
  OpenedVorbis& operator=(const OpenedVorbis&) = delete;
  ~OpenedVorbis() { ov_clear(&file); }
};

DecodedVorbis Failed(std::string_view why) {
  return {{}, why};
}

// ReadValues for one opened link.
template <typename CheckLink>
std::string_view ReadLink(OggVorbis_File& file, std::array<char, 8192>& buffer,
                          std::vector<std::int16_t>& values, std::uint64_t limit,
                          const CheckLink& checkLink) {
  for (;;) {
    int link = 0;
    const long got = ov_read(&file, buffer.data(), static_cast<int>(buffer.size()),
                             /*bigendianp=*/0, /*word=*/2, /*sgned=*/1, &link);
    if (got == 0) return {};
    // A hole (lost or damaged pages) counts as damage too: the sample would be cut.
    if (got < 0) return kVorbisUndecodable;
    if (const std::string_view refused = checkLink(ov_info(&file, link)); !refused.empty())
      return refused;
    const auto count = static_cast<std::size_t>(got) / sizeof(std::int16_t);
    if (values.size() + count > limit) return kVorbisTooLong;
    const std::size_t at = values.size();
    values.resize(at + count);
    std::memcpy(values.data() + at, buffer.data(), count * sizeof(std::int16_t));
  }
}

// Decodes each of `links` to its end, one after the other, appending to `values` (at most
// `limit` of them). `checkLink` sees each block's stream header (null when vorbisfile has none)
// and names what it refuses. Empty on success, else one of the kVorbis texts.
template <typename CheckLink>
std::string_view ReadValues(std::span<const std::span<const std::byte>> links,
                            std::vector<std::int16_t>& values, std::uint64_t limit,
                            const CheckLink& checkLink) {
  std::array<char, 8192> buffer{};
  for (const std::span<const std::byte> link : links) {
    MemoryStream source{link};
    OpenedVorbis opened;
    if (ov_open_callbacks(&source, &opened.file, nullptr, 0, kMemoryCallbacks) != 0)
      return kVorbisUndecodable;
    if (const std::string_view failure = ReadLink(opened.file, buffer, values, limit, checkLink);
        !failure.empty())
      return failure;
  }
  return {};
}

}  // namespace

DecodedVorbis DecodeVorbis(std::span<const std::byte> stream, std::uint64_t maxFrames) {
  const std::uint64_t limit = std::min(maxFrames, kVorbisMaxFrames);
  DecodedVorbis decoded;
  // The length the stream claims sizes the buffer once, if it is within the bounds; the decode
  // still checks every value it appends.
  const std::vector<std::span<const std::byte>> links = OggLinks(stream);
  std::uint64_t claimed = 0;
  for (const std::span<const std::byte> link : links) {
    // At most the limit before, less than 2^63 added: the sum cannot wrap.
    claimed += static_cast<std::uint64_t>(std::max<std::int64_t>(OggClaimedFrames(link), 0));
    if (claimed > limit) return Failed(kVorbisTooLong);
  }
  decoded.values.reserve(static_cast<std::size_t>(claimed));

  const std::string_view failure =
      ReadValues(links, decoded.values, limit, [](const vorbis_info* info) {
        return info != nullptr && info->channels == 1 ? std::string_view() : kVorbisNotMono;
      });
  if (!failure.empty()) return Failed(failure);
  if (decoded.values.empty()) return Failed(kVorbisEmpty);
  // A stream that decoded to less than it claimed gives back the room it did not use.
  if (decoded.values.capacity() > decoded.values.size()) decoded.values.shrink_to_fit();
  return decoded;
}

DecodedVorbisFile DecodeVorbisFile(std::span<const std::byte> file, std::uint64_t maxValues) {
  DecodedVorbisFile decoded;
  const auto fail = [&](std::string_view why) {
    decoded.values = {};
    decoded.failure = why;
    return std::move(decoded);
  };
  const std::string_view failure =
      ReadValues(OggLinks(file), decoded.values, maxValues, [&](const vorbis_info* info) {
        if (info == nullptr || info->channels <= 0 || info->rate <= 0) return kVorbisUndecodable;
        const auto channels = static_cast<std::uint32_t>(info->channels);
        const auto rate = static_cast<std::uint32_t>(info->rate);
        if (decoded.channels == 0) {
          decoded.channels = channels;
          decoded.sampleRate = rate;
        } else if (channels != decoded.channels || rate != decoded.sampleRate) {
          return kVorbisChanging;
        }
        return std::string_view();
      });
  if (!failure.empty()) return fail(failure);
  if (decoded.values.empty()) return fail(kVorbisEmpty);
  return decoded;
}

std::vector<DecodedVorbis> DecodeVorbisStreams(std::span<const std::span<const std::byte>> streams,
                                               std::uint64_t maxBytes, WorkProgress* progress) {
  std::vector<DecodedVorbis> results(streams.size());
  // Longest first, so that no core is left with one long stream at the end; each result still
  // goes to its own place.
  std::vector<std::size_t> order(streams.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return streams[a].size() > streams[b].size();
  });
  const std::uint64_t maxFrames = maxBytes / sizeof(std::int16_t);
  std::atomic<std::uint64_t> decodedBytes{0};
  std::atomic<bool> tooMuch{false};
  std::atomic<std::size_t> finished{0};
  std::atomic<bool> cancelled{false};
  ForEachOnAllCores(order.size(), [&](std::size_t i) {
    if (cancelled || WorkCancelled(progress)) {
      cancelled = true;
      return false;
    }
    DecodedVorbis& result = results[order[i]];
    result = DecodeVorbis(streams[order[i]], maxFrames);
    const std::uint64_t bytes = result.values.size() * sizeof(std::int16_t);
    // The values decoded so far are part of the total whatever the order: once past the
    // bound, the total of all streams is too.
    if (decodedBytes += bytes; decodedBytes > maxBytes) tooMuch = true;
    ReportStep(progress, kVorbisStep, ++finished, order.size());
    return !tooMuch;
  });
  if (tooMuch) {
    for (DecodedVorbis& result : results) result = Failed(kVorbisTooMuch);
  } else if (cancelled) {
    for (DecodedVorbis& result : results)
      if (result.values.empty() && result.failure.empty()) result = Failed(kVorbisCancelled);
  }
  return results;
}

}  // namespace tolvane
