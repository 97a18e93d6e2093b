#include "import/soundfont/soundfont_records.h"

#include <cstring>

#include "base/bytes.h"

namespace tolvane {
namespace {

// The bytes of `count` records of `recordSize` at `offset`, or nothing when they leave the file.
std::span<const std::byte> ArrayBytes(std::span<const std::byte> file, const ChunkArray& array,
                                      std::size_t recordSize) {
  const std::uint64_t length = std::uint64_t{array.count} * recordSize;
  if (!RangeFits(file.size(), array.offset, length)) return {};
  return file.subspan(array.offset, static_cast<std::size_t>(length));
}

// The whole data of the chunk recorded in `array`, an odd last byte included: its size is read
// again from the chunk's header, which the walk found in front of it inside the file.
std::span<const std::byte> ChunkBytes(std::span<const std::byte> file, const ChunkArray& array) {
  if (array.offset < 8 || array.offset > file.size()) return {};
  const std::uint32_t size = LoadU32(file.data() + array.offset - 4);
  if (!RangeFits(file.size(), array.offset, size)) return {};
  return file.subspan(array.offset, size);
}

// A fixed-size name field, up to its first zero byte.
std::string_view NameField(const std::byte* field) {
  const auto* text = reinterpret_cast<const char*>(field);
  const void* zero = std::memchr(text, 0, kSoundFontNameLength);
  const std::size_t length = zero == nullptr
                                 ? kSoundFontNameLength
                                 : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
  return {text, length};
}

// The record `index` of `size` bytes, or nullptr when it is not wholly inside `array`.
const std::byte* Record(std::span<const std::byte> array, std::size_t size, std::size_t index) {
  if (index >= array.size() / size) return nullptr;
  return array.data() + index * size;
}

// The records [first, next) of a level's run of records, where `first` and `next` are read from
// two neighbouring records; a run backwards is empty, at its first index.
std::optional<RecordRange> Run(std::optional<std::uint16_t> first,
                               std::optional<std::uint16_t> next) {
  if (!first || !next) return std::nullopt;
  if (*next < *first) return RecordRange{*first, *first};
  return RecordRange{*first, *next};
}

// The first generator index of bag `index` of a "pbag" or "ibag" array.
std::optional<std::uint16_t> FirstGenerator(std::span<const std::byte> bags, std::size_t index) {
  const std::byte* r = Record(bags, kSoundFontBagSize, index);
  if (r == nullptr) return std::nullopt;
  return LoadU16(r);
}

// Generators of bag `bag` of `bags`; nothing when they reach past `generatorCount` (a run
// backwards is empty wherever it starts).
std::optional<RecordRange> GeneratorRun(std::span<const std::byte> bags, std::size_t bag,
                                        std::size_t generatorCount) {
  const auto first = FirstGenerator(bags, bag);
  const auto next = FirstGenerator(bags, bag + 1);
  if (first && next && *next >= *first && *next > generatorCount) return std::nullopt;
  return Run(first, next);
}

std::optional<SoundFontGeneratorRecord> GeneratorAt(std::span<const std::byte> generators,
                                                    std::size_t index) {
  const std::byte* r = Record(generators, kSoundFontGeneratorSize, index);
  if (r == nullptr) return std::nullopt;
  return SoundFontGeneratorRecord{LoadU16(r), LoadU16(r + 2)};
}

}  // namespace

SoundFontRecords::SoundFontRecords(const ChunkWalkContext& context)
    : phdr_(ArrayBytes(context.base, context.phdr, kSoundFontPresetSize)),
      pbag_(ArrayBytes(context.base, context.pbag, kSoundFontBagSize)),
      pgen_(ArrayBytes(context.base, context.pgen, kSoundFontGeneratorSize)),
      inst_(ArrayBytes(context.base, context.inst, kSoundFontInstrumentSize)),
      ibag_(ArrayBytes(context.base, context.ibag, kSoundFontBagSize)),
      igen_(ArrayBytes(context.base, context.igen, kSoundFontGeneratorSize)),
      shdr_(ArrayBytes(context.base, context.shdr, kSoundFontSampleHeaderSize)),
      smpl_(ArrayBytes(context.base, context.smpl, 2)),
      smplBytes_(smpl_.empty() ? smpl_ : ChunkBytes(context.base, context.smpl)) {}

std::optional<SoundFontPresetRecord> SoundFontRecords::Preset(std::size_t index) const {
  const std::byte* r = Record(phdr_, kSoundFontPresetSize, index);
  if (r == nullptr) return std::nullopt;
  return SoundFontPresetRecord{NameField(r), LoadU16(r + 20), LoadU16(r + 22), LoadU16(r + 24)};
}

std::optional<SoundFontGeneratorRecord> SoundFontRecords::PresetGenerator(std::size_t index) const {
  return GeneratorAt(pgen_, index);
}

std::optional<RecordRange> SoundFontRecords::PresetBagsOf(std::size_t preset) const {
  const auto bag = [this](std::size_t i) -> std::optional<std::uint16_t> {
    if (const auto record = Preset(i)) return record->firstBag;
    return std::nullopt;
  };
  return Run(bag(preset), bag(preset + 1));
}

std::optional<RecordRange> SoundFontRecords::PresetGeneratorsOf(std::size_t bag) const {
  return GeneratorRun(pbag_, bag, presetGeneratorCount());
}

std::optional<SoundFontInstrumentRecord> SoundFontRecords::Instrument(std::size_t index) const {
  const std::byte* r = Record(inst_, kSoundFontInstrumentSize, index);
  if (r == nullptr) return std::nullopt;
  return SoundFontInstrumentRecord{NameField(r), LoadU16(r + 20)};
}

std::optional<std::uint16_t> SoundFontRecords::BagGenerator(std::size_t index) const {
  return FirstGenerator(ibag_, index);
}

std::optional<SoundFontGeneratorRecord> SoundFontRecords::Generator(std::size_t index) const {
  return GeneratorAt(igen_, index);
}

std::optional<SoundFontSampleHeader> SoundFontRecords::SampleHeader(std::size_t index) const {
  const std::byte* r = Record(shdr_, kSoundFontSampleHeaderSize, index);
  if (r == nullptr) return std::nullopt;
  SoundFontSampleHeader header;
  header.name = NameField(r);
  header.start = LoadU32(r + 20);
  header.end = LoadU32(r + 24);
  header.loopStart = LoadU32(r + 28);
  header.loopEnd = LoadU32(r + 32);
  header.sampleRate = LoadU32(r + 36);
  header.originalKey = std::to_integer<std::uint8_t>(r[40]);
  header.pitchCorrection = static_cast<std::int8_t>(std::to_integer<std::uint8_t>(r[41]));
  header.link = LoadU16(r + 42);
  header.type = LoadU16(r + 44);
  return header;
}

std::optional<RecordRange> SoundFontRecords::BagsOf(std::size_t instrument) const {
  const auto bag = [this](std::size_t i) -> std::optional<std::uint16_t> {
    if (const auto record = Instrument(i)) return record->firstBag;
    return std::nullopt;
  };
  return Run(bag(instrument), bag(instrument + 1));
}

std::optional<RecordRange> SoundFontRecords::GeneratorsOf(std::size_t bag) const {
  return GeneratorRun(ibag_, bag, generatorCount());
}

std::optional<std::span<const std::byte>> SoundFontRecords::SampleData(
    const SoundFontSampleHeader& header) const {
  if (header.end < header.start || header.end > sampleWordCount()) return std::nullopt;
  const std::size_t first = std::size_t{header.start} * 2;
  const std::size_t length = (std::size_t{header.end} - header.start) * 2;
  return smpl_.subspan(first, length);
}

std::optional<std::span<const std::byte>> SoundFontRecords::CompressedData(
    const SoundFontSampleHeader& header) const {
  if (header.end <= header.start || header.end > smplBytes_.size()) return std::nullopt;
  return smplBytes_.subspan(header.start, header.end - header.start);
}

}  // namespace tolvane
