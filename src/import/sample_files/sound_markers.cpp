#include "import/sample_files/sound_markers.h"

#include <cstdint>
#include <map>
#include <optional>

#include "base/bytes.h"
#include "import/wave/wave_records.h"

namespace tolvane {
namespace {

// AIFF and FLAC store their own fields big-endian.
std::uint16_t LoadBE16(const std::byte* p) {
  return static_cast<std::uint16_t>((std::to_integer<unsigned>(p[0]) << 8) |
                                    std::to_integer<unsigned>(p[1]));
}
std::uint32_t LoadBE24(const std::byte* p) {
  return (std::to_integer<std::uint32_t>(p[0]) << 16) |
         (std::to_integer<std::uint32_t>(p[1]) << 8) | std::to_integer<std::uint32_t>(p[2]);
}
std::uint32_t LoadBE32(const std::byte* p) {
  return (std::uint32_t{LoadBE16(p)} << 16) | LoadBE16(p + 2);
}

constexpr std::size_t kFormHeader = 12;  // "FORM", size, "AIFF" or "AIFC"
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kInstrumentSize = 20;
constexpr std::size_t kSustainLoop = 8;  // play mode, begin marker, end marker
constexpr std::uint32_t kRootKeyDefault = 60;

// Marker id -> position in frames.
std::map<std::uint16_t, std::uint32_t> ReadMarkers(std::span<const std::byte> chunk) {
  std::map<std::uint16_t, std::uint32_t> markers;
  if (chunk.size() < 2) return markers;
  const std::size_t count = LoadBE16(chunk.data());
  std::size_t at = 2;
  for (std::size_t i = 0; i < count; ++i) {
    if (!RangeFits(chunk.size(), at, 7)) break;  // id, position, name length
    const std::uint16_t id = LoadBE16(chunk.data() + at);
    const std::uint32_t position = LoadBE32(chunk.data() + at + 2);
    const std::size_t nameLength = std::to_integer<std::size_t>(chunk[at + 6]);
    markers[id] = position;
    // The name's length byte and text together fill an even number of bytes.
    at += 6 + ((1 + nameLength + 1) & ~std::size_t{1});
  }
  return markers;
}

}  // namespace

SoundMarkers ReadAiffMarkers(std::span<const std::byte> file) {
  SoundMarkers result;
  if (file.size() < kFormHeader) return result;
  std::optional<std::span<const std::byte>> inst;
  std::optional<std::span<const std::byte>> mark;
  std::size_t at = kFormHeader;
  while (RangeFits(file.size(), at, kChunkHeader)) {
    const std::uint32_t id = LoadU32(file.data() + at);
    const auto chunk = Slice(file, at + kChunkHeader, LoadBE32(file.data() + at + 4));
    if (!chunk) break;
    if (id == FourCC("INST")) inst = chunk;
    if (id == FourCC("MARK")) mark = chunk;
    at += kChunkHeader + chunk->size() + (chunk->size() & 1);
  }
  if (!inst || inst->size() < kInstrumentSize) return result;
  const std::byte* fields = inst->data();
  const auto baseNote = static_cast<std::int8_t>(std::to_integer<int>(fields[0]));
  result.rootKey = baseNote >= 0 ? static_cast<std::uint32_t>(baseNote) : kRootKeyDefault;
  result.pitchCorrection = static_cast<std::int8_t>(std::to_integer<int>(fields[1]));
  const std::byte* sustain = fields + kSustainLoop;
  const std::uint16_t playMode = LoadBE16(sustain);
  if (playMode == 0 || !mark) return result;
  const auto markers = ReadMarkers(*mark);
  const auto begin = markers.find(LoadBE16(sustain + 2));
  const auto end = markers.find(LoadBE16(sustain + 4));
  if (begin == markers.end() || end == markers.end()) return result;
  result.loop = SoundLoop{begin->second, end->second};
  return result;
}

std::optional<std::uint32_t> ReadAiffClaimedFrames(std::span<const std::byte> file) {
  constexpr std::size_t kFramesEnd = 6;    // channels, then the frame count
  constexpr std::size_t kSoundHeader = 8;  // offset and block size ahead of the sound
  // sox fills the frame count of a pipe's file from this sound data size, rounded to frames.
  constexpr std::uint32_t kSoxUnknownSound = 0x7F000000;
  const auto placeholder = [](std::uint32_t size) { return size == 0 || size == 0xFFFFFFFF; };
  std::optional<std::uint32_t> frames;
  std::size_t at = kFormHeader;
  while (RangeFits(file.size(), at, kChunkHeader)) {
    const std::uint32_t id = LoadU32(file.data() + at);
    const std::uint32_t size = LoadBE32(file.data() + at + 4);
    if (id == FourCC("SSND")) {
      const bool soxPipe =
          size >= kSoxUnknownSound - kSoundHeader && size <= kSoxUnknownSound + kSoundHeader;
      if (placeholder(size) || soxPipe || !frames || placeholder(*frames)) return std::nullopt;
      return frames;
    }
    const auto chunk = Slice(file, at + kChunkHeader, size);
    if (!chunk) break;
    if (id == FourCC("COMM") && chunk->size() >= kFramesEnd) frames = LoadBE32(chunk->data() + 2);
    at += kChunkHeader + chunk->size() + (chunk->size() & 1);
  }
  return std::nullopt;
}

SoundMarkers ReadFlacMarkers(std::span<const std::byte> file) {
  constexpr std::size_t kSignature = 4;  // "fLaC"
  constexpr std::uint8_t kLastBlock = 0x80;
  constexpr std::uint8_t kTypeMask = 0x7F;
  constexpr std::uint8_t kApplication = 2;
  constexpr std::size_t kApplicationId = 4;
  SoundMarkers result;
  std::size_t at = kSignature;
  bool last = false;
  while (!last && RangeFits(file.size(), at, 4)) {
    const auto header = std::to_integer<std::uint8_t>(file[at]);
    last = (header & kLastBlock) != 0;
    const auto block = Slice(file, at + 4, LoadBE24(file.data() + at + 1));
    if (!block) break;
    at += 4 + block->size();
    if ((header & kTypeMask) != kApplication || block->size() < kApplicationId + kChunkHeader ||
        LoadU32(block->data()) != FourCC("riff"))
      continue;
    // The block holds one RIFF chunk as the WAV file had it.
    const std::byte* chunk = block->data() + kApplicationId;
    if (LoadU32(chunk) != FourCC("smpl")) continue;
    const auto data = Slice(*block, kApplicationId + kChunkHeader, LoadU32(chunk + 4));
    const SoundMarkers markers = WaveSamplerMarkers(data ? ReadWaveSampler(*data) : std::nullopt);
    if (markers.loop) result = markers;
  }
  return result;
}

SoundMarkers WaveSamplerMarkers(const std::optional<WaveSampler>& sampler) {
  SoundMarkers markers;
  if (!sampler || sampler->loopCount == 0) return markers;
  markers.rootKey = sampler->unityNote;
  markers.pitchCorrection = sampler->PitchCorrectionCents();
  markers.loop = SoundLoop{sampler->loopStart, sampler->loopEnd};
  return markers;
}

}  // namespace tolvane
