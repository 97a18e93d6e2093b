#include "import/wave/wave_records.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "base/bytes.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t kFormatMinimum = 16;
constexpr std::size_t kExtensibleMinimum = 40;
constexpr std::size_t kSamplerMinimum = 60;

// Format tags of the "fmt " chunk.
constexpr std::uint16_t kTagPcm = 0x0001;
constexpr std::uint16_t kTagFloat = 0x0003;
constexpr std::uint16_t kTagALaw = 0x0006;
constexpr std::uint16_t kTagMuLaw = 0x0007;
constexpr std::uint16_t kTagExtensible = 0xFFFE;

// Where WAVE_FORMAT_EXTENSIBLE keeps its sub-format GUID: a format tag in the first two bytes,
// zeros in the next two, then these twelve bytes.
constexpr std::size_t kSubFormatOffset = 24;
constexpr std::array<unsigned char, 12> kSubFormatTail = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                          0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct TagName {
  std::uint16_t tag;
  const char* name;
};
constexpr TagName kTagNames[] = {
    {kTagPcm, "PCM"},
    {0x0002, "Microsoft ADPCM"},
    {kTagFloat, "IEEE float"},
    {kTagALaw, "A-law"},
    {kTagMuLaw, "mu-law"},
    {0x0011, "IMA ADPCM"},
    {0x0031, "GSM 6.10"},
    {0x0050, "MPEG"},
    {0x0055, "MPEG Layer 3"},
    {0x00FF, "AAC"},
    {0x0161, "Windows Media Audio"},
    {0x1610, "MPEG-4 AAC"},
    {0xF1AC, "FLAC"},
};

// "WAV format 0x0055 (MPEG Layer 3)".
std::string FormatName(std::uint16_t tag) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(tag));
  std::string text = std::string("WAV format ") + hex;
  for (const TagName& known : kTagNames) {
    if (known.tag != tag) continue;
    text += " (";
    text += known.name;
    text += ')';
  }
  return text;
}

// The format tag that says how the data is stored: the sub-format's for WAVE_FORMAT_EXTENSIBLE.
// Nothing, with `refusal` set, when that cannot be told.
std::optional<std::uint16_t> DataFormatTag(std::span<const std::byte> fmt, ImportOutcome& refusal) {
  const std::uint16_t tag = LoadU16(fmt.data());
  if (tag != kTagExtensible) return tag;
  if (fmt.size() < kExtensibleMinimum) {
    refusal = ImportOutcome::Damaged("the 'fmt ' chunk of " + FormatName(tag) +
                                     " is too short to hold its sub-format");
    return std::nullopt;
  }
  const std::byte* guid = fmt.data() + kSubFormatOffset;
  const bool known = LoadU16(guid + 2) == 0 &&
                     std::equal(kSubFormatTail.begin(), kSubFormatTail.end(), guid + 4,
                                [](unsigned char a, std::byte b) { return std::byte{a} == b; });
  if (!known) {
    refusal = ImportOutcome::NotRecognised(FormatName(tag) +
                                           " with a sub-format of its own is not supported");
    return std::nullopt;
  }
  return LoadU16(guid);
}

// The importer's view of the last "fmt " chunk; nothing, with `refusal` set, for data it does
// not read.
std::optional<WaveFormat> ReadFormat(std::span<const std::byte> fmt, ImportOutcome& refusal) {
  // The format first: compressed files often give no bits per sample at all.
  const std::optional<std::uint16_t> tag = DataFormatTag(fmt, refusal);
  if (!tag) return std::nullopt;
  WaveFormat format;
  switch (*tag) {
    case kTagPcm:
      format.encoding = WaveEncoding::Pcm;
      break;
    case kTagFloat:
      format.encoding = WaveEncoding::Float;
      break;
    case kTagALaw:
      format.encoding = WaveEncoding::ALaw;
      break;
    case kTagMuLaw:
      format.encoding = WaveEncoding::MuLaw;
      break;
    default:
      refusal = ImportOutcome::NotRecognised(FormatName(*tag) + " is not supported");
      return std::nullopt;
  }
  format.channels = LoadU16(fmt.data() + 2);
  format.sampleRate = LoadU32(fmt.data() + 4);
  format.bitsPerSample = LoadU16(fmt.data() + 14);
  // Without a channel or a whole byte per sample there is no frame size to count frames by.
  if (format.channels == 0) {
    refusal = ImportOutcome::Damaged("the 'fmt ' chunk gives no channels");
    return std::nullopt;
  }
  if (format.bitsPerSample < 8) {
    refusal = ImportOutcome::Damaged("the 'fmt ' chunk gives fewer than 8 bits per sample");
    return std::nullopt;
  }
  // Each channel of a split file becomes a zone; tens of thousands of them, which a 100-byte
  // file can declare, only make a useless instrument slowly.
  if (format.channels > kWaveMostChannels) {
    refusal =
        ImportOutcome::NotRecognised("WAV files of more than " + std::to_string(kWaveMostChannels) +
                                     " channels are not supported");
    return std::nullopt;
  }
  // Integer PCM of any width up to 64 bits; the other encodings come in fixed widths.
  const unsigned bits = format.bitsPerSample;
  const bool widthRead =
      format.encoding == WaveEncoding::Pcm
          ? format.bytesPerValue() <= kWaveMostValueBytes
          : (format.encoding == WaveEncoding::Float ? bits == 32 || bits == 64 : bits == 8);
  if (!widthRead) {
    refusal = ImportOutcome::NotRecognised(FormatName(*tag) + " with " + std::to_string(bits) +
                                           " bits per sample is not supported");
    return std::nullopt;
  }
  return format;
}

// Sizes a writer leaves in place when it cannot go back to fill them in (it wrote to a pipe):
// 0, 0xFFFFFFFF, and the 0x7FFFF000 sox writes for a data chunk.
constexpr std::uint32_t kSoxUnknownDataSize = 0x7FFFF000;
bool PlaceholderSize(std::uint32_t size) {
  return size == 0 || size == 0xFFFFFFFF || size == kSoxUnknownDataSize;
}

// A chunk header at `at` whose identifier is printable text and whose data fits in `bytes` (or
// whose size is a placeholder): what a writer that left out a pad byte put there.
bool PlausibleChunkAt(std::span<const std::byte> bytes, std::size_t at) {
  if (!RangeFits(bytes.size(), at, kChunkHeaderSize)) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const auto c = std::to_integer<unsigned>(bytes[at + i]);
    if (c < 0x20 || c >= 0x7F) return false;
  }
  const std::uint32_t size = LoadU32(bytes.data() + at + 4);
  return size <= bytes.size() - at - kChunkHeaderSize || PlaceholderSize(size);
}

// Where the chunk after an odd-sized one that ends at `chunkEnd` starts: after the pad byte,
// unless that byte is not the 0 writers put there and a chunk header starts in its place
// instead (trackers leave the pad byte out).
std::size_t AfterOddChunk(std::span<const std::byte> file, std::size_t chunkEnd) {
  const bool padByte = chunkEnd < file.size() && file[chunkEnd] == std::byte{0};
  return !padByte && PlausibleChunkAt(file, chunkEnd) ? chunkEnd : chunkEnd + 1;
}

WaveReading Refuse(ImportOutcome refusal) {
  return {std::nullopt, std::move(refusal)};
}

}  // namespace

std::optional<WaveSampler> ReadWaveSampler(std::span<const std::byte> chunk) {
  if (chunk.size() < kSamplerMinimum) return std::nullopt;
  return WaveSampler{LoadU32(chunk.data() + 12), LoadU32(chunk.data() + 16),
                     LoadU32(chunk.data() + 28), LoadU32(chunk.data() + 44),
                     LoadU32(chunk.data() + 48)};
}

WaveReading ReadWaveRecords(std::span<const std::byte> file) {
  if (file.size() < kFormHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("WAVE"))
    return {};
  // A RIFF size past the end of the file is read as far as the file goes, and whatever follows
  // the RIFF chunk is not looked at once the sound is read: players accept both, and so do
  // real files. A RIFF size that ends before the sound (0, from a writer that could not go back
  // to fill it in, or just wrong) is not trusted either: the walk goes on to the end of the file.
  const std::uint64_t riffEnd = kChunkHeaderSize + std::uint64_t{LoadU32(file.data() + 4)};
  const bool riffInside = riffEnd <= file.size();
  std::size_t end = static_cast<std::size_t>(riffInside ? riffEnd : file.size());
  std::string endName = riffInside ? "the RIFF chunk" : "the file";
  const auto walkToTheEndOfTheFile = [&] {
    if (end >= file.size()) return false;
    end = file.size();
    endName = "the file";
    return true;
  };

  std::optional<std::span<const std::byte>> fmt;
  std::optional<std::span<const std::byte>> data;
  std::uint64_t claimedDataSize = 0;
  std::optional<WaveSampler> sampler;
  bool dataBeforeFormat = false;
  bool shortFormat = false;
  std::size_t position = kFormHeaderSize;
  for (;;) {
    const bool soundRead = fmt && data;
    if (position >= end) {
      if (soundRead || position > file.size() || !walkToTheEndOfTheFile()) break;
      continue;
    }
    std::optional<std::string> damage;
    std::uint32_t fourcc = 0;
    std::uint32_t size = 0;
    const std::size_t start = position + kChunkHeaderSize;
    if (end - position < kChunkHeaderSize) {
      damage = endName + " ends inside a chunk header";
    } else {
      fourcc = LoadU32(file.data() + position);
      size = LoadU32(file.data() + position + 4);
      if (fmt && fourcc == FourCC("data") && PlaceholderSize(size)) {
        // A writer's placeholder that runs past the end of the file, or a size of 0 followed by
        // sound rather than another chunk: the data runs to the end of the file.
        const bool pastTheEnd = size > file.size() - start;
        const bool soundFollows = size == 0 && start < end && !PlausibleChunkAt(file, start);
        if (pastTheEnd || soundFollows) {
          data = file.subspan(start);
          claimedDataSize = data->size();
          break;
        }
      }
      if (size > end - start) {
        if (fmt && fourcc == FourCC("data")) {
          // Real files give a RIFF size short of their data chunk, or a data chunk longer than
          // the file: the data is read as far as the file holds it, and no chunk after it.
          if (size <= file.size() - start) {
            walkToTheEndOfTheFile();
          } else {
            data = file.subspan(start);
            claimedDataSize = size;
            break;
          }
        } else {
          damage = QuotedFourCC(fourcc) + " chunk runs past the end of " + endName;
        }
      }
    }
    if (damage) {
      if (!soundRead && walkToTheEndOfTheFile()) continue;
      // The sound itself is whole: whatever broken follows it is left.
      if (!soundRead) return Refuse(ImportOutcome::Damaged(*damage));
      break;
    }
    const std::span<const std::byte> chunk = file.subspan(start, size);
    // Chunks are padded to even sizes; the pad byte of the last one may be missing, which
    // leaves `position` one past `end` and ends the walk.
    position = (size & 1) != 0 ? AfterOddChunk(file, start + size) : start + size;

    if (fourcc == FourCC("fmt ")) {
      if (chunk.size() >= kFormatMinimum)
        fmt = chunk;
      else
        shortFormat = true;  // not taken
    } else if (fourcc == FourCC("data")) {
      if (fmt) {
        data = chunk;  // one ahead of the first "fmt " is not taken
        claimedDataSize = size;
      } else {
        dataBeforeFormat = true;
      }
    } else if (fourcc == FourCC("smpl")) {
      if (auto read = ReadWaveSampler(chunk)) sampler = read;
    }
  }
  if (!fmt) {
    return Refuse(ImportOutcome::Damaged(dataBeforeFormat && !shortFormat
                                             ? "the 'data' chunk comes before the 'fmt ' chunk"
                                             : "no 'fmt ' chunk of at least 16 bytes"));
  }
  if (!data) return Refuse(ImportOutcome::Damaged("no 'data' chunk after the 'fmt ' chunk"));

  ImportOutcome refusal;
  const std::optional<WaveFormat> format = ReadFormat(*fmt, refusal);
  if (!format) return Refuse(std::move(refusal));
  return {WaveRecords{*format, *data, claimedDataSize, sampler}, ImportOutcome{}};
}

}  // namespace tolvane
