#include "import/dls/dls_records.h"

#include <algorithm>
#include <utility>

#include "base/bytes.h"
#include "import/dls/dls_chunks.h"

namespace tolvane {
namespace {

constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, form type
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kWsmpHeaderSize = 20;
constexpr std::uint32_t kLoopSize = 16;
constexpr std::uint32_t kArtHeaderSize = 8;
constexpr std::size_t kConnectionSize = 12;
constexpr std::size_t kRegionHeaderSize = 12;
constexpr std::size_t kWaveLinkSize = 12;
constexpr std::size_t kInstrumentHeaderSize = 12;
constexpr std::size_t kFormatSize = 16;

bool IsArticulationList(const RiffChunk& chunk) {
  return chunk.id == FourCC("LIST") &&
         (chunk.listType == FourCC("lart") || chunk.listType == FourCC("lar2"));
}

// Merges the connection chunks of one "lart"/"lar2" list into `articulation`; either chunk
// kind is taken in either list, as players do.
void ReadArticulationList(std::span<const std::byte> list,
                          std::optional<DlsArticulation>& articulation) {
  if (!articulation) articulation.emplace();
  ChunkCursor cursor(list);
  while (const auto chunk = cursor.Next()) {
    if (chunk->id == FourCC("art1") || chunk->id == FourCC("art2"))
      ReadConnections(chunk->data, *articulation);
  }
  if (cursor.damaged() && articulation->broken.empty()) articulation->broken = kConnectionsOutside;
}

DlsRegion ReadRegion(std::span<const std::byte> list) {
  DlsRegion region;
  bool hasHeader = false;
  ChunkCursor cursor(list);
  while (const auto chunk = cursor.Next()) {
    ByteReader in(chunk->data);
    if (chunk->id == FourCC("rgnh") && chunk->data.size() >= kRegionHeaderSize) {
      hasHeader = true;
      region.keyLow = *in.U16();
      region.keyHigh = *in.U16();
      region.velLow = *in.U16();
      region.velHigh = *in.U16();
      in.Skip(2);  // options: whether a note cuts itself, which a zone cannot say
      region.keyGroup = *in.U16();
    } else if (chunk->id == FourCC("wsmp")) {
      SampleInfoReading reading = ReadSampleInfo(chunk->data);
      if (!reading.broken.empty() && region.broken.empty()) region.broken = reading.broken;
      region.sample = reading.info;
    } else if (chunk->id == FourCC("wlnk") && chunk->data.size() >= kWaveLinkSize) {
      region.linked = true;
      in.Skip(2);  // options: phase master, multichannel
      region.phaseGroup = *in.U16();
      region.channel = *in.U32();
      region.tableIndex = *in.U32();
    } else if (IsArticulationList(*chunk)) {
      ReadArticulationList(chunk->data, region.articulation);
    }
  }
  if (cursor.damaged() && region.broken.empty()) region.broken = "region cut short";
  if (!hasHeader) region.broken = kRegionHeaderMissing;
  return region;
}

DlsInstrument ReadInstrument(std::span<const std::byte> list) {
  DlsInstrument instrument;
  bool hasHeader = false;
  ChunkCursor cursor(list);
  while (const auto chunk = cursor.Next()) {
    if (chunk->id == FourCC("insh") && chunk->data.size() >= kInstrumentHeaderSize) {
      hasHeader = true;
      // The region count is only a hint; the regions are counted as they are read.
      instrument.bank = LoadU32(chunk->data.data() + 4);
      instrument.program = LoadU32(chunk->data.data() + 8) & 0x7F;
    } else if (chunk->id == FourCC("LIST") && chunk->listType == FourCC("INFO")) {
      instrument.name = InfoName(chunk->data);
    } else if (chunk->id == FourCC("LIST") && chunk->listType == FourCC("lrgn")) {
      ChunkCursor regions(chunk->data);
      while (const auto region = regions.Next()) {
        if (region->id == FourCC("LIST") &&
            (region->listType == FourCC("rgn ") || region->listType == FourCC("rgn2")))
          instrument.regions.push_back(ReadRegion(region->data));
      }
      if (regions.damaged()) instrument.broken = "region list cut short";
    } else if (IsArticulationList(*chunk)) {
      ReadArticulationList(chunk->data, instrument.articulation);
    }
  }
  if (cursor.damaged() && instrument.broken.empty()) instrument.broken = "instrument cut short";
  if (!hasHeader) instrument.broken = kInstrumentHeaderMissing;
  return instrument;
}

// The cues of a "ptbl" chunk; false when it counts more than it holds (those that fit are kept).
bool ReadPoolTable(std::span<const std::byte> data, std::vector<std::uint32_t>& cues) {
  if (data.size() < 8) return false;
  const std::uint32_t headerSize = std::max<std::uint32_t>(LoadU32(data.data()), 8);
  const std::uint32_t count = LoadU32(data.data() + 4);
  if (headerSize > data.size()) return false;
  const std::size_t fits = (data.size() - headerSize) / 4;
  const std::size_t taken = std::min<std::size_t>(count, fits);
  cues.reserve(taken);
  for (std::size_t i = 0; i < taken; ++i) cues.push_back(LoadU32(data.data() + headerSize + 4 * i));
  return taken == count;
}

void AddDamage(std::string& damage, std::string_view text) {
  if (!damage.empty()) damage += "; ";
  damage += text;
}

}  // namespace

SampleInfoReading ReadSampleInfo(std::span<const std::byte> data) {
  SampleInfoReading reading;
  if (data.size() < kWsmpHeaderSize) {
    reading.broken = kWsmpShort;
    return reading;
  }
  // Some banks write a smaller header size; players read the fields where they belong.
  const std::uint32_t headerSize = std::max(LoadU32(data.data()), kWsmpHeaderSize);
  reading.info.unityNote = LoadU16(data.data() + 4);
  reading.info.fineTune = static_cast<std::int16_t>(LoadU16(data.data() + 6));
  reading.info.attenuation = static_cast<std::int32_t>(LoadU32(data.data() + 8));
  const std::uint32_t loops = LoadU32(data.data() + 16);
  if (loops == 0) return reading;
  if (headerSize > data.size() || data.size() - headerSize < kLoopSize) {
    reading.broken = kWsmpLoopsOutside;
    return reading;
  }
  const std::byte* loop = data.data() + headerSize;
  const std::uint32_t loopSize = std::max(LoadU32(loop), kLoopSize);
  // Compared by division: a hostile count times a hostile size must not wrap.
  if (loops > (data.size() - headerSize) / loopSize) {
    reading.broken = kWsmpLoopsOutside;
    return reading;
  }
  reading.info.loop = DlsLoop{LoadU32(loop + 4), LoadU32(loop + 8), LoadU32(loop + 12)};
  return reading;
}

void ReadConnections(std::span<const std::byte> data, DlsArticulation& articulation) {
  if (data.size() < kArtHeaderSize) {
    articulation.broken = kConnectionsOutside;
    return;
  }
  const std::uint32_t headerSize = std::max(LoadU32(data.data()), kArtHeaderSize);
  const std::uint32_t count = LoadU32(data.data() + 4);
  const std::size_t room = headerSize <= data.size() ? data.size() - headerSize : 0;
  const std::size_t taken = std::min<std::size_t>(count, room / kConnectionSize);
  if (taken < count) articulation.broken = kConnectionsOutside;
  ByteReader in(data);
  in.Seek(std::min<std::size_t>(headerSize, data.size()));
  for (std::size_t i = 0; i < taken; ++i) {
    DlsConnection c;
    c.source = *in.U16();
    c.control = *in.U16();
    c.destination = *in.U16();
    c.transform = *in.U16();
    c.scale = *in.I32();
    articulation.connections.push_back(c);
  }
}

DlsWave ReadDlsWave(std::span<const std::byte> pool, std::uint64_t offset) {
  DlsWave wave;
  const auto header = Slice(pool, offset, kFormHeaderSize);
  if (!header || LoadU32(header->data()) != FourCC("LIST") ||
      LoadU32(header->data() + 8) != FourCC("wave")) {
    wave.broken = "pool table cue that does not lead to a 'wave' list";
    return wave;
  }
  const std::uint32_t size = LoadU32(header->data() + 4);
  const auto list = size >= 4 ? Slice(pool, offset + kFormHeaderSize, size - 4) : std::nullopt;
  if (!list) {
    wave.broken = "'wave' list runs past the end of the wave pool";
    return wave;
  }
  bool hasFormat = false;
  bool hasData = false;
  ChunkCursor cursor(*list);
  while (const auto chunk = cursor.Next()) {
    if (chunk->id == FourCC("fmt ") && chunk->data.size() >= kFormatSize) {
      hasFormat = true;
      ByteReader in(chunk->data);
      wave.formatTag = *in.U16();
      wave.channels = *in.U16();
      wave.sampleRate = *in.U32();
      in.Skip(6);  // bytes per second, block alignment: follow from the rest
      wave.bitsPerSample = *in.U16();
    } else if (chunk->id == FourCC("data")) {
      hasData = true;
      wave.data = chunk->data;
    } else if (chunk->id == FourCC("wsmp")) {
      SampleInfoReading reading = ReadSampleInfo(chunk->data);
      if (!reading.broken.empty()) wave.broken = reading.broken;
      wave.sample = reading.info;
    } else if (chunk->id == FourCC("LIST") && chunk->listType == FourCC("INFO")) {
      wave.name = InfoName(chunk->data);
    }
  }
  // A wave cut short keeps what was read: the data chunk, if any, lies whole inside the list.
  if (!hasFormat)
    wave.broken = "wave without a 'fmt ' chunk";
  else if (!hasData)
    wave.broken = "wave without a 'data' chunk";
  return wave;
}

std::optional<DlsBank> ReadDlsBank(std::span<const std::byte> file) {
  if (file.size() < kFormHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("DLS "))
    return std::nullopt;
  DlsBank bank;
  const std::uint64_t riffEnd = kChunkHeaderSize + std::uint64_t{LoadU32(file.data() + 4)};
  if (riffEnd > file.size()) AddDamage(bank.damage, "the file ends before its RIFF chunk does");
  // A RIFF size past the file: what the file holds is read.
  const auto end = static_cast<std::size_t>(std::min<std::uint64_t>(riffEnd, file.size()));
  const std::span<const std::byte> body = end > kFormHeaderSize
                                              ? file.subspan(kFormHeaderSize, end - kFormHeaderSize)
                                              : std::span<const std::byte>();
  ChunkCursor cursor(body);
  while (const auto chunk = cursor.Next()) {
    if (chunk->id == FourCC("ptbl")) {
      if (!ReadPoolTable(chunk->data, bank.cues))
        AddDamage(bank.damage, "the pool table ('ptbl') counts more cues than it holds");
    } else if (chunk->id == FourCC("LIST") && chunk->listType == FourCC("lins")) {
      bank.hasInstrumentList = true;
      ChunkCursor instruments(chunk->data);
      while (const auto instrument = instruments.Next()) {
        if (instrument->id == FourCC("LIST") && instrument->listType == FourCC("ins "))
          bank.instruments.push_back(ReadInstrument(instrument->data));
      }
      if (instruments.damaged())
        AddDamage(bank.damage, CursorDamage(instruments, "the instrument list ('lins')"));
    } else if (chunk->id == FourCC("LIST") && chunk->listType == FourCC("wvpl")) {
      bank.hasPool = true;
      bank.pool = chunk->data;
    }
  }
  if (cursor.damaged()) AddDamage(bank.damage, CursorDamage(cursor, "the RIFF chunk"));
  return bank;
}

}  // namespace tolvane
