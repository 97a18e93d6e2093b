#include "import/soundfont/soundfont_streams.h"

#include <algorithm>
#include <set>
#include <utility>

#include "import/soundfont/vorbis_decode.h"
#include "library/zone.h"

namespace tolvane {
namespace {

// Sets what a decode gave; the values are moved out of `decoded`.
void Take(DecodedStream& stream, DecodedVorbis& decoded) {
  stream.frames = static_cast<std::uint32_t>(decoded.values.size());
  stream.values = SampleData(std::move(decoded.values));
  stream.failure = decoded.failure;
}

}  // namespace

DecodedStreams::DecodedStreams(const SoundFontRecords& records, WorkProgress* progress)
    : records_(records) {
  // Every generator, whether or not a bag reaches it: a valid bank names each sample it plays
  // this way, and a stream decoded for nothing only costs time.
  std::set<std::size_t> named;
  for (std::size_t g = 0; g < records.generatorCount(); ++g) {
    const auto generator = records.Generator(g);
    if (!generator || generator->number != kGenSampleId) continue;
    named.insert(generator->amount);
    if (const auto header = records.SampleHeader(generator->amount)) named.insert(header->link);
  }

  std::vector<DecodedStream*> pending;
  for (const std::size_t index : named) {
    const auto header = records.SampleHeader(index);
    if (!header || !header->compressed()) continue;
    bool added = false;
    DecodedStream& stream = Add(*header, added);
    byHeader_[index] = &stream;
    if (added && stream.failure.empty()) pending.push_back(&stream);
  }

  std::vector<std::span<const std::byte>> encoded;
  encoded.reserve(pending.size());
  for (const DecodedStream* stream : pending) encoded.push_back(stream->encoded);
  std::vector<DecodedVorbis> decoded = DecodeVorbisStreams(
      encoded, kVorbisMaxGrowth * std::uint64_t{records.sampleByteCount()}, progress);
  for (std::size_t i = 0; i < pending.size(); ++i) {
    Take(*pending[i], decoded[i]);
    decodedBytes_ += 2 * std::uint64_t{pending[i]->frames};
  }
}

const DecodedStream& DecodedStreams::Find(std::size_t index, const SoundFontSampleHeader& header) {
  if (const auto known = byHeader_.find(index); known != byHeader_.end()) return *known->second;
  bool added = false;
  DecodedStream& stream = Add(header, added);
  byHeader_[index] = &stream;
  if (added && stream.failure.empty()) {
    // Within what is left of the bank's bound.
    const std::uint64_t bound = kVorbisMaxGrowth * std::uint64_t{records_.sampleByteCount()};
    DecodedVorbis decoded =
        DecodeVorbis(stream.encoded, (bound - std::min(bound, decodedBytes_)) / 2);
    Take(stream, decoded);
    decodedBytes_ += 2 * std::uint64_t{stream.frames};
  }
  return stream;
}

DecodedStream& DecodedStreams::Add(const SoundFontSampleHeader& header, bool& added) {
  const std::pair range{header.start, header.end};
  added = false;
  if (const auto same = byRange_.find(range); same != byRange_.end()) return *same->second;
  added = true;
  DecodedStream& stream = streams_.emplace_back();
  byRange_[range] = &stream;
  const auto encoded = records_.CompressedData(header);
  if (!encoded) {
    stream.failure = kStreamOutside;
  } else if (encoded->size() > encodedLeft_) {
    stream.failure = kStreamsOverlap;
  } else {
    stream.encoded = *encoded;
    encodedLeft_ -= encoded->size();
  }
  return stream;
}

}  // namespace tolvane
