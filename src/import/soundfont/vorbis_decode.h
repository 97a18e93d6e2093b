#pragma once
// Decoding of the Ogg Vorbis streams a compressed SoundFont bank (SoundFont 3) holds its samples
// in: one mono stream per sample, read from memory, to 16-bit values.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tolvane {

class WorkProgress;

// Why a stream gave no sample, for people: each names the stream a zone was left out for.
inline constexpr std::string_view kVorbisUndecodable = "Ogg Vorbis stream that cannot be decoded";
inline constexpr std::string_view kVorbisNotMono = "Ogg Vorbis stream of more than one channel";
inline constexpr std::string_view kVorbisEmpty = "Ogg Vorbis stream that decodes to nothing";
inline constexpr std::string_view kVorbisTooLong =
    "Ogg Vorbis stream that decodes to more than its bound";
inline constexpr std::string_view kVorbisTooMuch =
    "Ogg Vorbis streams that decode to more than 64 times their size together";
inline constexpr std::string_view kVorbisCancelled = "decoding cancelled";
// What DecodeVorbisStreams reports each decoded stream as.
inline constexpr std::string_view kVorbisStep = "decoding samples";

// Bounds that keep a hostile bank from claiming all memory. One stream decodes to at most 2^31
// frames; the streams of a bank decode together to at most 64 times the bytes of the sample
// chunk. Real banks decode to about 6 times their size, but a single stream of a drum with a
// long silent tail reaches 175 times its size in the Debian FluidR3Mono_GM bank, so the growth
// bound is the bank's, not each stream's.
inline constexpr std::uint64_t kVorbisMaxFrames = std::uint64_t{1} << 31;
inline constexpr std::uint64_t kVorbisMaxGrowth = 64;

struct DecodedVorbis {
  // The frames, each value stored as a little-endian 16-bit word (on a little-endian machine,
  // the values themselves). Empty on failure.
  std::vector<std::int16_t> values;
  std::string_view failure;  // one of the kVorbis texts; empty when decoded
};

// Decodes one whole stream. A stream of more than one channel, one that cannot be read to its
// end, one that decodes to nothing and one that claims or decodes to more than `maxFrames`
// frames (at most kVorbisMaxFrames) fail.
DecodedVorbis DecodeVorbis(std::span<const std::byte> stream,
                           std::uint64_t maxFrames = kVorbisMaxFrames);

// A whole Ogg Vorbis file of any channel count (every link the same), interleaved.
struct DecodedVorbisFile {
  std::vector<std::int16_t> values;  // frames x channels; empty on failure
  std::uint32_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::string_view failure;  // one of the kVorbis texts; empty when decoded
};

// Decodes a file of at most `maxValues` values; one that cannot be read to its end, changes its
// channel count or rate, decodes to nothing or to more fails.
DecodedVorbisFile DecodeVorbisFile(std::span<const std::byte> file, std::uint64_t maxValues);

// A stream whose links differ in channels or rate.
inline constexpr std::string_view kVorbisChanging =
    "Ogg Vorbis stream whose channels or rate change";

// DecodeVorbis for each of `streams`, on as many threads as the machine has cores; result i is
// that of stream i, as a decode one after the other would give. When the values decoded come to
// more than `maxBytes` together, every result fails with kVorbisTooMuch (the decode stops as
// soon as that is known), so that which streams fail never depends on the threads' timing.
// `progress` (may be null) hears of every stream decoded, from the decoding threads; once it is
// cancelled no further stream is begun, and those fail with kVorbisCancelled.
std::vector<DecodedVorbis> DecodeVorbisStreams(std::span<const std::span<const std::byte>> streams,
                                               std::uint64_t maxBytes,
                                               WorkProgress* progress = nullptr);

}  // namespace tolvane
