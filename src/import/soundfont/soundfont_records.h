#pragma once
// The records of a SoundFont 2 bank's two levels, presets ("phdr", "pbag", "pgen") and
// instruments ("inst", "ibag", "igen", "shdr"), and its sample data, read in place from the
// chunks the walker found. Indices in a bank are only numbers in a file: every look-up checks
// its index against its chunk and answers nothing when it lies outside.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "import/chunk_walker.h"

namespace tolvane {

inline constexpr std::size_t kSoundFontPresetSize = 38;
inline constexpr std::size_t kSoundFontInstrumentSize = 22;
inline constexpr std::size_t kSoundFontBagSize = 4;
inline constexpr std::size_t kSoundFontGeneratorSize = 4;
inline constexpr std::size_t kSoundFontSampleHeaderSize = 46;
inline constexpr std::size_t kSoundFontNameLength = 20;

// Sample types the importer tells apart.
inline constexpr std::uint16_t kSoundFontMonoSample = 1;
inline constexpr std::uint16_t kSoundFontRightSample = 2;
inline constexpr std::uint16_t kSoundFontLeftSample = 4;
// Added to a type in a compressed bank (SoundFont 3): the sample is an Ogg Vorbis stream.
inline constexpr std::uint16_t kSoundFontVorbisFlag = 0x10;

// A "phdr" record. `name` points into the bank and stops at its first zero byte.
struct SoundFontPresetRecord {
  std::string_view name;
  std::uint16_t program = 0;
  std::uint16_t bank = 0;
  std::uint16_t firstBag = 0;
};

// An "inst" record. `name` points into the bank and stops at its first zero byte.
struct SoundFontInstrumentRecord {
  std::string_view name;
  std::uint16_t firstBag = 0;
};

// A "pgen" or "igen" record; `amount` is the raw 16 bits.
struct SoundFontGeneratorRecord {
  std::uint16_t number = 0;
  std::uint16_t amount = 0;
};

// A "shdr" record. Positions count 16-bit words from the start of the "smpl" data, except in a
// compressed header: there `start` and `end` are the byte offsets in the "smpl" data of its Ogg
// Vorbis stream (`end` just past its last byte, where the next stream starts), and `loopStart`
// and `loopEnd` count frames of the decoded sample from its first frame. The Debian banks
// MuseScore_General and FluidR3Mono_GM store them so: loops such as 8..24343 on a stream at
// bytes 0..11532, 17992..53127 on one at 2219610..2246536.
struct SoundFontSampleHeader {
  std::string_view name;  // points into the bank, up to the first zero byte
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t sampleRate = 0;
  std::uint8_t originalKey = 0;
  std::int8_t pitchCorrection = 0;
  std::uint16_t link = 0;
  std::uint16_t type = 0;

  bool compressed() const { return (type & kSoundFontVorbisFlag) != 0; }
  // Mono, right or left, compressed or not.
  std::uint16_t channelType() const {
    return static_cast<std::uint16_t>(type & ~kSoundFontVorbisFlag);
  }
};

// A half-open run of record indices.
struct RecordRange {
  std::size_t first = 0;
  std::size_t end = 0;
};

class SoundFontRecords {
 public:
  // The arrays the walk recorded in `context`, over `context.base`. An array that does not lie
  // inside the file counts as empty. REQUIRES: `context.base` outlives this object.
  explicit SoundFontRecords(const ChunkWalkContext& context);

  std::size_t presetCount() const { return phdr_.size() / kSoundFontPresetSize; }
  std::size_t presetBagCount() const { return pbag_.size() / kSoundFontBagSize; }
  std::size_t presetGeneratorCount() const { return pgen_.size() / kSoundFontGeneratorSize; }
  std::size_t instrumentCount() const { return inst_.size() / kSoundFontInstrumentSize; }
  std::size_t bagCount() const { return ibag_.size() / kSoundFontBagSize; }
  std::size_t generatorCount() const { return igen_.size() / kSoundFontGeneratorSize; }
  std::size_t sampleHeaderCount() const { return shdr_.size() / kSoundFontSampleHeaderSize; }
  std::size_t sampleWordCount() const { return smpl_.size() / 2; }
  std::size_t sampleByteCount() const { return smplBytes_.size(); }
  // The bytes of the "smpl" data, for releasing what was copied out of it.
  std::span<const std::byte> sampleChunk() const { return smpl_; }

  std::optional<SoundFontPresetRecord> Preset(std::size_t index) const;
  std::optional<SoundFontGeneratorRecord> PresetGenerator(std::size_t index) const;
  // The preset level's ranges, as BagsOf and GeneratorsOf give the instrument level's.
  std::optional<RecordRange> PresetBagsOf(std::size_t preset) const;
  std::optional<RecordRange> PresetGeneratorsOf(std::size_t bag) const;

  std::optional<SoundFontInstrumentRecord> Instrument(std::size_t index) const;
  // The first generator index of bag `index`.
  std::optional<std::uint16_t> BagGenerator(std::size_t index) const;
  std::optional<SoundFontGeneratorRecord> Generator(std::size_t index) const;
  std::optional<SoundFontSampleHeader> SampleHeader(std::size_t index) const;

  // Bags of instrument `index`: from its first bag up to the first bag of the next record. A
  // range that runs backwards is empty. Nothing when either record is missing; the bags
  // themselves are not checked.
  std::optional<RecordRange> BagsOf(std::size_t instrument) const;
  // Generators of bag `index`, up to those of the next bag. Nothing when either bag record is
  // missing or the range reaches past the "igen" chunk; a range that runs backwards is empty.
  std::optional<RecordRange> GeneratorsOf(std::size_t bag) const;
  // The words [header.start, header.end) of the sample data; nothing when they run backwards or
  // past the "smpl" chunk.
  std::optional<std::span<const std::byte>> SampleData(const SoundFontSampleHeader& header) const;
  // The Ogg Vorbis stream of a compressed header: bytes [header.start, header.end) of the
  // "smpl" data; nothing when they are empty, run backwards or lie past the chunk.
  std::optional<std::span<const std::byte>> CompressedData(
      const SoundFontSampleHeader& header) const;

 private:
  std::span<const std::byte> phdr_;
  std::span<const std::byte> pbag_;
  std::span<const std::byte> pgen_;
  std::span<const std::byte> inst_;
  std::span<const std::byte> ibag_;
  std::span<const std::byte> igen_;
  std::span<const std::byte> shdr_;
  std::span<const std::byte> smpl_;
  // The "smpl" data to its last byte: a compressed bank's last stream may end on an odd one.
  std::span<const std::byte> smplBytes_;
};

}  // namespace tolvane
