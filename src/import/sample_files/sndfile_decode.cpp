#include "import/sample_files/sndfile_decode.h"

#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "import/sample_files/flac_decode.h"
#include "import/sample_files/sound_markers.h"
#include "import/wave/wave_decode.h"

namespace tolvane {
namespace {

// The file in memory, as libsndfile's virtual I/O reads it.
struct MemoryFile {
  std::span<const std::byte> bytes;
  sf_count_t position = 0;
};

sf_count_t Length(void* user) {
  return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}
sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto& file = *static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(file.bytes.size());
  sf_count_t base = 0;
  if (whence == SEEK_CUR) base = file.position;
  if (whence == SEEK_END) base = size;
  // Offsets come from the file's own fields: keep the sum from overflowing.
  if (offset > size || offset < -size) return -1;
  const sf_count_t target = base + offset;
  if (target < 0) return -1;
  file.position = target;
  return target;
}
sf_count_t Read(void* out, sf_count_t count, void* user) {
  auto& file = *static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(file.bytes.size());
  if (count <= 0 || file.position >= size) return 0;
  const sf_count_t n = std::min(count, size - file.position);
  std::copy_n(file.bytes.data() + file.position, n, static_cast<std::byte*>(out));
  file.position += n;
  return n;
}
sf_count_t Write(const void* /*data*/, sf_count_t /*count*/, void* /*user*/) {
  return 0;
}
sf_count_t Tell(void* user) {
  return static_cast<MemoryFile*>(user)->position;
}

struct CloseFile {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

bool IsFloatData(int format) {
  const int sub = format & SF_FORMAT_SUBMASK;
  return sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE || sub == SF_FORMAT_VORBIS ||
         sub == SF_FORMAT_OPUS;
}

SoundReading Damaged(SampleFileKind kind, const std::string& why) {
  return {std::nullopt,
          ImportOutcome::Damaged(std::string(SampleFileKindName(kind)) + " file that " + why)};
}

}  // namespace

bool SampleFilesReadable() {
  return true;
}

SoundReading DecodeSampleFile(std::span<const std::byte> bytes, SampleFileKind kind) {
  // libsndfile 1.2 leaks what it set up for a damaged Ogg Vorbis file; vorbisfile does not.
  if (kind == SampleFileKind::Ogg) return DecodeOggFile(bytes);
  if (kind == SampleFileKind::Caf) {
    if (const std::optional<std::string> codec = UnreadCafCodec(bytes))
      return {std::nullopt,
              ImportOutcome::NotRecognised("CAF file of " + *codec + " audio, which is not read")};
  }
  if (kind == SampleFileKind::Flac) {
    if (std::optional<DecodedSound> sound = DecodeCleanFlac(bytes)) return {std::move(sound), {}};
  }
  MemoryFile memory{bytes};
  SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Write, &Tell};
  SF_INFO info{};
  const std::unique_ptr<SNDFILE, CloseFile> file(sf_open_virtual(&io, SFM_READ, &info, &memory));
  if (!file) return Damaged(kind, "cannot be read: " + std::string(sf_strerror(nullptr)));
  if (info.channels <= 0 || static_cast<std::uint32_t>(info.channels) > kSampleFileMostChannels)
    return Damaged(kind, "gives " + std::to_string(info.channels) + " channels");
  if (info.samplerate <= 0) return Damaged(kind, "gives no sample rate");

  const auto channels = static_cast<std::size_t>(info.channels);
  const std::uint64_t mostValues = std::min<std::uint64_t>(kSampleFileMaxGrowth * bytes.size() / 2,
                                                           std::uint64_t{0x7FFFFFFF} * channels);
  const bool floats = IsFloatData(info.format);
  sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  constexpr std::size_t kBlockFrames = 16384;
  std::vector<float> floatBlock(floats ? kBlockFrames * channels : 0);
  // Integers keep their top 16 bits, as WAV values are taken: what libsndfile's 16-bit reads
  // give, without a pass over wider values.
  std::vector<std::int16_t> intBlock(floats ? 0 : kBlockFrames * channels);

  DecodedSound sound;
  sound.sampleRate = static_cast<std::uint32_t>(info.samplerate);
  sound.channels = static_cast<std::uint32_t>(info.channels);
  if (info.frames > 0)
    sound.values.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(info.frames) * channels, mostValues)));
  for (;;) {
    const sf_count_t got = floats ? sf_readf_float(file.get(), floatBlock.data(), kBlockFrames)
                                  : sf_readf_short(file.get(), intBlock.data(), kBlockFrames);
    if (got <= 0) break;
    const std::size_t values = static_cast<std::size_t>(got) * channels;
    if (sound.values.size() + values > mostValues) {
      return Damaged(
          kind, "decodes to more than " + std::to_string(kSampleFileMaxGrowth) + " times its size");
    }
    if (floats) {
      for (std::size_t i = 0; i < values; ++i) sound.values.push_back(FloatToInt16(floatBlock[i]));
    } else {
      sound.values.insert(sound.values.end(), intBlock.begin(),
                          intBlock.begin() + static_cast<std::ptrdiff_t>(values));
    }
  }
  sound.frames = static_cast<std::uint32_t>(sound.values.size() / channels);
  // libsndfile counts an AIFF file's frames by what its "SSND" chunk holds, cut or not; the
  // "COMM" chunk says what it held. A FLAC file's count comes from its STREAMINFO block.
  sound.claimedFrames = info.frames > 0 ? static_cast<std::uint64_t>(info.frames) : 0;
  if (kind == SampleFileKind::Aiff) {
    if (const auto claimed = ReadAiffClaimedFrames(bytes))
      sound.claimedFrames = std::max<std::uint64_t>(sound.claimedFrames, *claimed);
  }
  // A FLAC file cut short ends in a decoding error: the frames before it are kept, and the
  // import names the cut (SoundOutcome).
  const bool cutShort = sound.frames > 0 && sound.claimedFrames > sound.frames;
  if (sf_error(file.get()) != SF_ERR_NO_ERROR && !cutShort)
    return Damaged(kind, "cannot be decoded: " + std::string(sf_strerror(file.get())));
  if (sound.values.empty()) return Damaged(kind, "decodes to nothing");
  return {std::move(sound), {}};
}

}  // namespace tolvane
