#include "import/sample_files/flac_decode.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "base/fresh_memory.h"
#include "import/sample_files/sndfile_decode.h"

namespace tolvane {
namespace {

// libsndfile's own limit for FLAC: files of more channels it does not read.
constexpr std::uint32_t kMostChannels = 8;
// A sample's frames are counted in 31 bits, as libsndfile's reads are.
constexpr std::uint64_t kMostFrames = 0x7FFFFFFF;

struct Decoding {
  std::span<const std::byte> file;
  std::size_t position = 0;
  std::uint64_t mostValues = 0;
  bool sawInfo = false;
  bool failed = false;  // anything but a clean stream: libsndfile then decides
  std::uint32_t bits = 0;
  std::uint64_t claimedFrames = 0;
  std::uint64_t framesDone = 0;
  std::vector<std::int16_t> block;  // one FLAC frame's values, appended from here
  DecodedSound sound;
};

// Each value as libsndfile's 16-bit read gives it: shifted down from wider values, up from
// narrower ones.
void CopyValues(const FLAC__int32* const channels[], std::uint32_t count, std::uint32_t bits,
                std::uint32_t channelCount, std::int16_t* out) {
  if (bits == 16 && channelCount == 1) {
    for (std::uint32_t i = 0; i < count; ++i) out[i] = static_cast<std::int16_t>(channels[0][i]);
    return;
  }
  if (bits == 16 && channelCount == 2) {
    for (std::uint32_t i = 0; i < count; ++i) {
      out[std::size_t{2} * i] = static_cast<std::int16_t>(channels[0][i]);
      out[std::size_t{2} * i + 1] = static_cast<std::int16_t>(channels[1][i]);
    }
    return;
  }
  for (std::uint32_t c = 0; c < channelCount; ++c) {
    const FLAC__int32* const in = channels[c];
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::int32_t value = in[i];
      out[std::size_t{i} * channelCount + c] =
          bits > 16 ? static_cast<std::int16_t>(value >> (bits - 16))
                    : static_cast<std::int16_t>(static_cast<std::uint16_t>(
                          static_cast<std::uint32_t>(value) << (16 - bits)));
    }
  }
}

FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder* /*decoder*/, FLAC__byte buffer[],
                                   std::size_t* bytes, void* user) {
  auto& decoding = *static_cast<Decoding*>(user);
  const std::size_t n = std::min(*bytes, decoding.file.size() - decoding.position);
  *bytes = n;
  if (n == 0) return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  std::memcpy(buffer, decoding.file.data() + decoding.position, n);
  decoding.position += n;
  return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

void Metadata(const FLAC__StreamDecoder* /*decoder*/, const FLAC__StreamMetadata* block,
              void* user) {
  auto& decoding = *static_cast<Decoding*>(user);
  if (block->type != FLAC__METADATA_TYPE_STREAMINFO || decoding.sawInfo) return;
  decoding.sawInfo = true;
  const FLAC__StreamMetadata_StreamInfo& info = block->data.stream_info;
  const std::uint32_t bits = info.bits_per_sample;
  const std::uint64_t channels = info.channels;
  // A count of 0 says nothing: libsndfile then decides what the file holds.
  if ((bits != 8 && bits != 16 && bits != 24) || channels == 0 || channels > kMostChannels ||
      info.sample_rate == 0 || info.total_samples == 0 || info.total_samples > kMostFrames ||
      info.total_samples > decoding.mostValues / channels) {
    decoding.failed = true;
    return;
  }
  decoding.bits = bits;
  decoding.claimedFrames = info.total_samples;
  decoding.sound.sampleRate = info.sample_rate;
  decoding.sound.channels = static_cast<std::uint32_t>(channels);
  // Reserved, not resized: values are written once, as they are decoded, never zeroed first.
  std::vector<std::int16_t>& values = decoding.sound.values;
  values.reserve(static_cast<std::size_t>(info.total_samples * channels));
  PrefaultForWriting(values.data(), values.capacity() * sizeof(std::int16_t));
}

FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder* /*decoder*/,
                                     const FLAC__Frame* frame, const FLAC__int32* const buffer[],
                                     void* user) {
  auto& decoding = *static_cast<Decoding*>(user);
  const FLAC__FrameHeader& header = frame->header;
  if (decoding.failed || !decoding.sawInfo || header.bits_per_sample != decoding.bits ||
      header.channels != decoding.sound.channels ||
      header.blocksize > decoding.claimedFrames - decoding.framesDone) {
    decoding.failed = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  const std::size_t count = std::size_t{header.blocksize} * header.channels;
  if (decoding.block.size() < count) decoding.block.resize(count);
  CopyValues(buffer, header.blocksize, decoding.bits, header.channels, decoding.block.data());
  decoding.sound.values.insert(decoding.sound.values.end(), decoding.block.begin(),
                               decoding.block.begin() + static_cast<std::ptrdiff_t>(count));
  decoding.framesDone += header.blocksize;
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void Error(const FLAC__StreamDecoder* /*decoder*/, FLAC__StreamDecoderErrorStatus /*status*/,
           void* user) {
  static_cast<Decoding*>(user)->failed = true;
}

struct DeleteDecoder {
  void operator()(FLAC__StreamDecoder* decoder) const { FLAC__stream_decoder_delete(decoder); }
};

}  // namespace

std::optional<DecodedSound> DecodeCleanFlac(std::span<const std::byte> file) {
  const std::unique_ptr<FLAC__StreamDecoder, DeleteDecoder> decoder(FLAC__stream_decoder_new());
  if (!decoder) return std::nullopt;
  Decoding decoding;
  decoding.file = file;
  decoding.mostValues = kSampleFileMaxGrowth * file.size() / 2;
  if (FLAC__stream_decoder_init_stream(decoder.get(), &Read, nullptr, nullptr, nullptr, nullptr,
                                       &Write, &Metadata, &Error,
                                       &decoding) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
    return std::nullopt;
  const bool processed = FLAC__stream_decoder_process_until_end_of_stream(decoder.get()) != 0;
  const bool ended =
      FLAC__stream_decoder_get_state(decoder.get()) == FLAC__STREAM_DECODER_END_OF_STREAM;
  FLAC__stream_decoder_finish(decoder.get());
  if (!processed || !ended || decoding.failed || !decoding.sawInfo ||
      decoding.framesDone != decoding.claimedFrames)
    return std::nullopt;
  decoding.sound.frames = static_cast<std::uint32_t>(decoding.framesDone);
  decoding.sound.claimedFrames = decoding.claimedFrames;
  return std::move(decoding.sound);
}

}  // namespace tolvane
