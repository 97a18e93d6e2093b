#include <cstring>

#include "base/bytes.h"
#include "import/sample_files/sndfile_decode.h"
#include "import/soundfont/vorbis_decode.h"

namespace tolvane {

std::optional<SampleFileKind> RecogniseSampleFile(std::span<const std::byte> file) {
  if (file.size() >= 12 && LoadU32(file.data()) == FourCC("FORM") &&
      (LoadU32(file.data() + 8) == FourCC("AIFF") || LoadU32(file.data() + 8) == FourCC("AIFC")))
    return SampleFileKind::Aiff;
  if (file.size() >= 4 && LoadU32(file.data()) == FourCC("fLaC")) return SampleFileKind::Flac;
  if (file.size() >= 4 && LoadU32(file.data()) == FourCC("OggS")) return SampleFileKind::Ogg;
  if (file.size() >= 4 && LoadU32(file.data()) == FourCC("caff")) return SampleFileKind::Caf;
  return std::nullopt;
}

std::optional<std::string> UnreadCafCodec(std::span<const std::byte> file) {
  // The "desc" chunk comes first: a header of 8 bytes, its own of 12, then the sample rate
  // (8 bytes) and the format's code.
  constexpr std::size_t kDesc = 8;
  constexpr std::size_t kFormat = 28;
  if (file.size() < kFormat + 4 || LoadU32(file.data()) != FourCC("caff") ||
      LoadU32(file.data() + kDesc) != FourCC("desc"))
    return std::nullopt;
  const std::uint32_t format = LoadU32(file.data() + kFormat);
  if (format == FourCC("lpcm") || format == FourCC("ulaw") || format == FourCC("alaw"))
    return std::nullopt;
  if (format == FourCC("aac ")) return "AAC";
  if (format == FourCC("alac")) return "Apple Lossless";
  return QuotedFourCC(format);
}

std::string_view SampleFileKindName(SampleFileKind kind) {
  switch (kind) {
    case SampleFileKind::Aiff:
      return "AIFF";
    case SampleFileKind::Flac:
      return "FLAC";
    case SampleFileKind::Ogg:
      return "Ogg";
    case SampleFileKind::Caf:
      return "CAF";
  }
  return "sample";
}

}  // namespace tolvane

namespace tolvane {

SoundReading DecodeOggFile(std::span<const std::byte> file) {
  DecodedVorbisFile decoded =
      DecodeVorbisFile(file, kSampleFileMaxGrowth * std::uint64_t{file.size()} / 2);
  if (!decoded.failure.empty())
    return {std::nullopt, ImportOutcome::Damaged(std::string(decoded.failure))};
  DecodedSound sound;
  sound.sampleRate = decoded.sampleRate;
  sound.channels = decoded.channels;
  if (sound.channels > kSampleFileMostChannels) {
    return {std::nullopt, ImportOutcome::Damaged("Ogg file that gives " +
                                                 std::to_string(sound.channels) + " channels")};
  }
  sound.frames = static_cast<std::uint32_t>(decoded.values.size() / sound.channels);
  sound.values = std::move(decoded.values);
  return {std::move(sound), {}};
}

}  // namespace tolvane
