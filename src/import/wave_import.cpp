#include "import/wave_import.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

// More channels than any recording layout uses (the channel names run out at 207 anyway).
constexpr std::size_t kMostChannels = 256;

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormatMinimum = 16;
constexpr std::size_t kSamplerMinimum = 60;
constexpr std::uint32_t kDefaultRootKey = 60;
constexpr std::uint16_t kSampleModesGenerator = 54;

struct RiffChunk {
  std::uint32_t fourcc = 0;
  std::span<const std::byte> data;
};

// Reads the chunk at `position`, which must end, with its pad byte, no later than `end`;
// advances `position` past it. A chunk crossing `end` would make the walk miss it, so it fails.
// REQUIRES: end <= file.size().
std::optional<RiffChunk> NextChunk(std::span<const std::byte> file, std::size_t& position,
                                   std::size_t end) {
  if (position > end || end - position < kChunkHeaderSize) return std::nullopt;
  const std::uint32_t size = LoadU32(file.data() + position + 4);
  const std::uint64_t padded = std::uint64_t{size} + (size & 1);
  if (padded > end - position - kChunkHeaderSize) return std::nullopt;
  RiffChunk chunk{LoadU32(file.data() + position), file.subspan(position + kChunkHeaderSize, size)};
  position += kChunkHeaderSize + static_cast<std::size_t>(padded);
  return chunk;
}

WaveFormat ReadFormat(std::span<const std::byte> data) {
  return {LoadU16(data.data() + 2), LoadU32(data.data() + 4), LoadU16(data.data() + 14)};
}

WaveSampler ReadSampler(std::span<const std::byte> data) {
  return {LoadU32(data.data() + 12), LoadU32(data.data() + 16), LoadU32(data.data() + 28),
          LoadU32(data.data() + 44), LoadU32(data.data() + 48)};
}

// What the instrument's samples share, from the frame count and the "smpl" chunk.
struct LoopValues {
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t rootKey = kDefaultRootKey;
  std::int32_t pitchCorrection = 0;
  bool loop = false;
};

LoopValues LoopValuesOf(const std::optional<WaveSampler>& sampler, std::uint32_t frames) {
  LoopValues values;
  values.loopEnd = frames;
  // A sampler without loops is ignored whole, its unity note included.
  if (!sampler || sampler->loopCount == 0) return values;
  values.loopStart = sampler->loopStart;
  values.loopEnd = sampler->loopEnd;
  values.rootKey = sampler->unityNote;
  // The fraction is a 32-bit part of a semitone; 100 x (fraction >> 8) stays below 2^31.
  values.pitchCorrection = static_cast<std::int32_t>(((sampler->pitchFraction >> 8) * 100u) >> 24);
  values.loop = true;
  return values;
}

// One channel of interleaved PCM of `bits` per sample as 16-bit little-endian values, written
// over `out` (frames x 2 bytes). Widths other than 8, 16, 24 and 32 leave `out` as it is.
void ConvertChannel(std::span<const std::byte> data, const WaveFormat& format, std::size_t channel,
                    std::size_t frames, std::span<std::byte> out) {
  const std::size_t width = format.bitsPerSample >> 3;
  const std::size_t frameSize = width * format.channels;
  // Which bytes of a sample hold its top 16 bits.
  std::size_t low = 0;
  switch (format.bitsPerSample) {
    case 8:
      for (std::size_t f = 0; f < frames; ++f) {
        const int value = (std::to_integer<int>(data[f * frameSize + channel]) - 128) * 256;
        StoreU16(out.data() + 2 * f, static_cast<std::uint16_t>(value));
      }
      return;
    case 16:
      low = 0;
      break;
    case 24:
      low = 1;
      break;
    case 32:
      low = 2;
      break;
    default:
      return;
  }
  for (std::size_t f = 0; f < frames; ++f) {
    const std::byte* sample = data.data() + f * frameSize + channel * width + low;
    out[2 * f] = sample[0];
    out[2 * f + 1] = sample[1];
  }
}

// Adds one full-range zone playing `sample`; `flags` are set before the loop flag.
void AddWaveZone(Instrument& instrument, Sample* sample, std::uint8_t flags, bool loop) {
  if (sample == nullptr) return;  // AddSample refuses nothing the importer asks for
  Zone zone;
  InitZone(zone);
  SetZoneSample(zone, sample);
  zone.mapping.flags |= flags;
  ApplyGenerator(zone, kSampleModesGenerator, loop ? 1 : 0);
  AddZone(instrument, zone);
}

}  // namespace

std::optional<WaveRecords> ReadWaveRecords(std::span<const std::byte> file) {
  if (file.size() < 12 || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("WAVE"))
    return std::nullopt;
  const std::uint64_t riffSize = kChunkHeaderSize + std::uint64_t{LoadU32(file.data() + 4)};
  if (riffSize > file.size()) return std::nullopt;
  const auto riffEnd = static_cast<std::size_t>(riffSize);

  std::optional<WaveFormat> format;
  std::optional<std::span<const std::byte>> data;
  std::optional<WaveSampler> sampler;
  std::size_t position = 12;
  while (position < riffEnd) {
    const auto chunk = NextChunk(file, position, riffEnd);
    if (!chunk) return std::nullopt;
    if (chunk->fourcc == FourCC("fmt ") && chunk->data.size() >= kFormatMinimum) {
      format = ReadFormat(chunk->data);
    } else if (chunk->fourcc == FourCC("data") && format) {
      data = chunk->data;  // one ahead of the first "fmt " is not taken
    } else if (chunk->fourcc == FourCC("smpl") && chunk->data.size() >= kSamplerMinimum) {
      sampler = ReadSampler(chunk->data);
    }
  }
  if (!format || !data) return std::nullopt;
  // Without a channel or a whole byte per sample there is no frame size to count frames by.
  if (format->channels == 0 || format->bitsPerSample < 8) return std::nullopt;
  // Each channel of a split file becomes a zone; tens of thousands of them, which a 100-byte
  // file can declare, only make a useless instrument slowly.
  if (format->channels > kMostChannels) return std::nullopt;

  // Whatever follows the RIFF chunk (a trailing "LIST" chunk, say) must be whole chunks too.
  while (position < file.size()) {
    if (!NextChunk(file, position, file.size())) return std::nullopt;
  }
  return WaveRecords{*format, *data, sampler};
}

DosDateTime ToDosDateTime(std::int64_t unixSeconds) {
  using namespace std::chrono;
  constexpr std::int64_t kFirst =
      sys_seconds{sys_days{year{1980} / January / 1}}.time_since_epoch().count();
  constexpr std::int64_t kLast =
      sys_seconds{sys_days{year{2108} / January / 1}}.time_since_epoch().count() - 1;
  const std::int64_t clamped = unixSeconds < kFirst  ? kFirst
                               : unixSeconds > kLast ? kLast
                                                     : unixSeconds;
  const sys_seconds moment{seconds{clamped}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss clock{moment - day};
  DosDateTime result;
  result.date =
      static_cast<std::uint16_t>((static_cast<int>(date.year()) - 1980) * 512 +
                                 static_cast<int>(static_cast<unsigned>(date.month())) * 32 +
                                 static_cast<int>(static_cast<unsigned>(date.day())));
  result.time = static_cast<std::uint16_t>(
      clock.hours().count() * 2048 + clock.minutes().count() * 32 + clock.seconds().count() / 2);
  return result;
}

bool ImportWave(Library& library, Source& source, const ImportView& view) {
  const std::optional<WaveRecords> records = ReadWaveRecords(view.bytes);
  if (!records) return false;
  const WaveFormat& format = records->format;

  const std::string name = ShortenName(source.baseName, 24);
  const DosDateTime stamp = ToDosDateTime(view.modifiedTime);
  const std::uint32_t soundId = SoundIdHash(UpperCaseAscii(name)) ^
                                ((static_cast<std::uint32_t>(stamp.date) << 16) | stamp.time);
  std::unique_ptr<Instrument> instrument = CreateInstrument(source, source.baseName, name, soundId);

  const std::size_t frameSize =
      static_cast<std::size_t>(format.bitsPerSample >> 3) * format.channels;
  // The data chunk is under 4 GiB, so the frame count fits 32 bits.
  const auto frames = static_cast<std::uint32_t>(records->data.size() / frameSize);
  const LoopValues loop = LoopValuesOf(records->sampler, frames);

  SampleRequest request;
  request.sampleRate = format.sampleRate;
  request.bitsPerSample = 16;
  request.frames = frames;
  request.loopStart = loop.loopStart;
  request.loopEnd = loop.loopEnd;
  request.rootKey = loop.rootKey;
  request.pitchCorrection = loop.pitchCorrection;

  if (format.bitsPerSample == 16 && (format.channels == 1 || format.channels == 2)) {
    // Stored as the library keeps it: copied straight from the file.
    request.name = source.baseName;
    request.channels = format.channels;
    request.first = records->data.first(std::size_t{frames} * frameSize);
    const std::uint8_t flags = format.channels == 2 ? ZoneStereo : 0;
    AddWaveZone(*instrument, AddSample(*instrument, request), flags, loop.loop);
  } else {
    // One mono sample per channel through one work buffer, which AddSample copies from.
    // Widths it cannot convert leave the buffer silent.
    std::vector<std::byte> buffer(std::size_t{frames} * 2);
    request.channels = 1;
    request.first = buffer;
    for (std::size_t channel = 0; channel < format.channels; ++channel) {
      // Named like "%s%c" would: the channel's digit wraps as a byte, and a zero byte ends it.
      std::string sampleName = source.baseName;
      const auto digit = static_cast<char>(static_cast<unsigned char>('1' + channel));
      if (digit != '\0') sampleName.push_back(digit);
      ConvertChannel(records->data, format, channel, frames, buffer);
      request.name = sampleName;
      AddWaveZone(*instrument, AddSample(*instrument, request), 0, loop.loop);
    }
  }

  if (!instrument->zones.empty()) AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return true;
}

}  // namespace tolvane
