#pragma once
// An Ogg Vorbis stream's links and the length each claims, read from its pages without decoding.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvane {

// The links of `stream` in order: a link ends where a page that begins a stream follows one that
// does not (the pages that begin the streams of one link come first, one after the other). The
// bytes after the last whole page belong to the last link. At least one link, the whole stream
// when it has no page.
std::vector<std::span<const std::byte>> OggLinks(std::span<const std::byte> stream);

// The granule position of the link's last page that has one and whose checksum holds; the pages
// are walked from the start, and the walk ends where they stop following one another. For a link
// that starts at 0, as a bank's streams do, this is its length in frames, as vorbisfile tells it
// from the end of a stream it can seek in. -1 when no page tells.
std::int64_t OggClaimedFrames(std::span<const std::byte> link);

}  // namespace tolvane
