#pragma once
// The compressed samples of a SoundFont bank (SoundFont 3), decoded before its instruments are
// built: decoding is nearly all the work of importing such a bank, and the streams decode on
// every core at once, while the instruments are built one after the other as for any bank.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "import/soundfont/soundfont_records.h"
#include "library/sample_data.h"

namespace tolvane {

class WorkProgress;

// Why a compressed header's stream is not decoded, for people.
inline constexpr std::string_view kStreamOutside =
    "compressed sample data outside the 'smpl' chunk or empty";
inline constexpr std::string_view kStreamsOverlap =
    "compressed sample streams overlapping beyond the size of the 'smpl' chunk";

// One Ogg Vorbis stream of the bank and what it decoded to.
struct DecodedStream {
  std::span<const std::byte> encoded;  // in the "smpl" chunk
  // The decoded frames, shared by the samples made of them; empty on failure.
  SampleData values;
  std::uint32_t frames = 0;
  std::string_view failure;  // why the stream gave no sample; empty when it decoded
};

class DecodedStreams {
 public:
  // Decodes, in parallel, the stream of every compressed header that a sampleID generator of
  // the bank names, or that the link of such a header names. REQUIRES: `records` outlives this.
  // `progress` (may be null) hears of each stream decoded and may stop the decoding.
  DecodedStreams(const SoundFontRecords& records, WorkProgress* progress = nullptr);

  // The stream of compressed header `index` (`header` is its record); one stream for headers
  // that name the same bytes. A header the first pass did not meet is decoded now (a valid bank
  // has none).
  const DecodedStream& Find(std::size_t index, const SoundFontSampleHeader& header);

  // 2 x the decoded frames of every stream: the most the import may copy out of them.
  std::uint64_t decodedBytes() const { return decodedBytes_; }

 private:
  // The stream of `header`'s bytes, made when no header named them before; `added` tells.
  DecodedStream& Add(const SoundFontSampleHeader& header, bool& added);

  const SoundFontRecords& records_;
  std::deque<DecodedStream> streams_;  // references stay valid as streams are added
  std::map<std::pair<std::uint32_t, std::uint32_t>, DecodedStream*> byRange_;
  std::map<std::size_t, DecodedStream*> byHeader_;
  std::uint64_t decodedBytes_ = 0;
  // The streams of a valid bank lie side by side in the "smpl" chunk, so together they are no
  // larger than it; streams beyond that overlap and are not decoded, which bounds the work and
  // the memory a hostile bank can ask for.
  std::uint64_t encodedLeft_ = records_.sampleByteCount();
};

}  // namespace tolvane
