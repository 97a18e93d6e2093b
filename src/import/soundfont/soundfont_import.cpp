#include "import/soundfont/soundfont_import.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/mapped_file.h"
#include "import/chunk_walker.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_streams.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, form type
constexpr std::size_t kBaseNameRoom = 7;
constexpr std::size_t kNameRoom = 23;  // base name and instrument name, without the '_'
constexpr int kHardPan = 100;

// Why zones are left out, for people.
constexpr std::string_view kGeneratorsOutside = "generators outside the 'igen' chunk";
constexpr std::string_view kBagsOutside = "bag outside the 'ibag' chunk";
constexpr std::string_view kHeaderOutside = "sample header outside the 'shdr' chunk";
constexpr std::string_view kLinkOutside = "stereo link to a sample header outside the 'shdr' chunk";
constexpr std::string_view kDataOutside =
    "sample data outside the 'smpl' chunk or running backwards";
constexpr std::string_view kCopiedTooOften =
    "sample data asked for far more often than the bank could need";
constexpr std::string_view kSampleRefused = "sample the library cannot hold";

// The kernel maps pages around a touched one (up to 64 KiB) when it faults one in; releasing
// that much around a copied sample keeps those neighbours from staying resident as well.
constexpr std::size_t kReleaseMargin = std::size_t{64} * 1024;

ChunkTable TableForList(std::uint32_t listType) {
  if (listType == FourCC("INFO")) return kInfoChunkTable;
  if (listType == FourCC("sdta")) return kSdtaChunkTable;
  if (listType == FourCC("pdta")) return kPdtaChunkTable;
  return {};
}

// Why a walk of the chunks of list `listType` failed, from what the walker left in `context`.
std::string WalkDamage(const ChunkWalkContext& context, std::uint32_t listType) {
  if (context.reason == kChunkHeadTruncated)
    return QuotedFourCC(listType) + " list ends inside a chunk header";
  return QuotedFourCC(context.failedChunk) + " chunk runs past the end of the " +
         QuotedFourCC(listType) + " list";
}

// Walks the bank's top-level lists. The damage, for people, when they do not end exactly at
// the RIFF end; empty when they do.
std::string WalkBank(ChunkWalkContext& context) {
  const std::span<const std::byte> file = context.base;
  const std::uint64_t riffEnd = kChunkHeaderSize + std::uint64_t{LoadU32(file.data() + 4)};
  std::uint64_t position = kFormHeaderSize;
  while (position < riffEnd) {
    if (!RangeFits(file.size(), position, kChunkHeaderSize))
      return "the file ends before its RIFF chunk does";
    const std::byte* header = file.data() + position;
    if (LoadU32(header) != FourCC("LIST"))
      return "the top-level chunk " + QuotedFourCC(LoadU32(header)) + " is not a list";
    const std::uint32_t size = LoadU32(header + 4);
    const std::uint64_t end = position + kChunkHeaderSize + size;
    // A list too small for its type holds nothing to walk, and is named by its identifier.
    const std::uint32_t listType = size >= 4 && RangeFits(file.size(), position, kFormHeaderSize)
                                       ? LoadU32(header + kChunkHeaderSize)
                                       : FourCC("LIST");
    if (end > file.size()) return QuotedFourCC(listType) + " chunk runs past the end of the file";
    if (end > riffEnd) return QuotedFourCC(listType) + " chunk runs past the end of the RIFF chunk";
    const ChunkTable table = TableForList(listType);
    if (size >= 4 && !table.empty() && !WalkChunks(context, position + kFormHeaderSize, end, table))
      return WalkDamage(context, listType);
    position = end;
  }
  return {};
}

// A header's sample: its length and loop relative to its start and, for a compressed header,
// its decoded stream.
struct HeaderSample {
  const SoundFontSampleHeader* header = nullptr;
  DecodedStream* stream = nullptr;  // null for plain data
  std::uint32_t frames = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
};

// Equal length and equal loop points relative to the start.
bool SameShape(const HeaderSample& a, const HeaderSample& b) {
  return a.frames == b.frames && a.loopStart == b.loopStart && a.loopEnd == b.loopEnd;
}

// Whether a sample's values, as it holds them, are little-endian words AddSample can read again.
constexpr bool kValuesAreLittleEndian = std::endian::native == std::endian::little;

// What `header` (the header a sampleID named) asks of AddSample, playing `shape`'s frames.
SampleRequest RequestFor(const SoundFontSampleHeader& header, const HeaderSample& shape,
                         std::string_view name, std::uint32_t channels) {
  SampleRequest request;
  request.name = name;
  request.sampleRate = header.sampleRate;
  request.bitsPerSample = 16;
  request.channels = channels;
  request.frames = shape.frames;
  request.loopStart = shape.loopStart;
  request.loopEnd = shape.loopEnd;
  request.rootKey = header.originalKey;
  request.pitchCorrection = header.pitchCorrection;
  return request;
}

// An AddSample call of a bag, with the decoded streams it reads (null for plain data).
struct PlannedSample {
  SampleRequest request;
  std::array<DecodedStream*, 2> streams{};
  bool made = false;  // AddSample made a new sample of it
};

// Hands out each index below a bound at most once, whatever ranges are asked for: ranges that
// overlap must not make the import visit records again and again, while a range that merely
// lies out of order is still visited whole. Skipping taken indices costs next to nothing.
class VisitOnce {
 public:
  // Bag and generator indices come from 16-bit fields, so nothing past 65535 is ever asked for.
  explicit VisitOnce(std::size_t count) : next_(std::min<std::size_t>(count, 65536) + 1) {
    std::iota(next_.begin(), next_.end(), std::uint32_t{0});
  }

  // Indices from the bound on are never handed out.
  std::size_t bound() const { return next_.size() - 1; }

  // The first index at or after `from` not yet taken; the bound when none is left.
  std::size_t Next(std::size_t from) {
    std::size_t i = std::min(from, bound());
    while (next_[i] != i) {
      next_[i] = next_[next_[i]];
      i = next_[i];
    }
    return i;
  }
  void Take(std::size_t index) {
    if (index < bound()) next_[index] = static_cast<std::uint32_t>(index + 1);
  }

 private:
  std::vector<std::uint32_t> next_;  // each index points at or before the next untaken one
};

enum class Fold { None, Stereo, Dual };

// How `added`, about to play `sample`, folds into `existing`.
Fold FoldOf(const Zone& existing, const Zone& added, const Sample& sample) {
  const ZoneMapping& e = existing.mapping;
  const ZoneMapping& a = added.mapping;
  if (e.flags >= ZoneStereo || existing.sample != &sample) return Fold::None;
  if (e.keyLow != a.keyLow || e.keyHigh != a.keyHigh || e.velLow != a.velLow ||
      e.velHigh != a.velHigh)
    return Fold::None;
  const int existingPan = existing.parameters.Signed(ZoneParameters::pan);
  const int addedPan = added.parameters.Signed(ZoneParameters::pan);
  if (sample.channels == 1 && addedPan == -existingPan) return Fold::Dual;
  if (sample.channels == 2 && ((existingPan <= -kHardPan && addedPan >= kHardPan) ||
                               (addedPan <= -kHardPan && existingPan >= kHardPan)))
    return Fold::Stereo;
  return Fold::None;
}

// One bank's import: the records, the library side and what has been copied.
class BankImport {
 public:
  BankImport(Library& library, Source& source, const SoundFontRecords& records,
             std::span<const std::byte> file, const MappedFile* mapped, WorkProgress* progress)
      : library_(library),
        source_(source),
        records_(records),
        file_(file),
        mapped_(mapped),
        prefix_(ShortenName(source.baseName, kBaseNameRoom) + "_"),
        progress_(progress) {
    // Decoded, the Ogg Vorbis streams are read again only in the rare case of a re-decode.
    if (streams_.decodedBytes() > 0) ReleaseRange(records_.sampleChunk());
  }

  const ImportDrops& drops() const { return drops_; }

  void ImportInstrument(std::size_t index) {
    const auto record = records_.Instrument(index);
    const auto bags = records_.BagsOf(index);
    if (!record || !bags) return;

    const std::string name = prefix_ + ShortenName(record->name, kNameRoom - (prefix_.size() - 1));
    std::string hashText = source_.baseName;
    hashText += ':';
    hashText += record->name;
    auto instrument =
        CreateInstrument(source_, record->name, name, SoundIdHash(UpperCaseAscii(hashText)));

    // Bags past the "ibag" chunk are dropped one by one anyway; no need to count through them.
    // Bags another instrument took already are skipped: a valid bank never overlaps, and a
    // hostile one must not make the import revisit bags without bound.
    const std::size_t endBag = std::min({bags->end, records_.bagCount(), bagsLeft_.bound()});
    if (bags->end > records_.bagCount())
      drops_.Drop("zone", kBagsOutside, bags->end - std::max(bags->first, records_.bagCount()));
    for (std::size_t bag = bagsLeft_.Next(bags->first); bag < endBag;
         bag = bagsLeft_.Next(bag + 1)) {
      bagsLeft_.Take(bag);
      ImportBag(*instrument, bag);
    }

    if (instrument->zones.empty()) {
      // Nothing to average and nothing to show; leave no group behind.
      DestroyInstrument(*instrument);
      return;
    }
    AverageInstrument(*instrument);
    AddInstrument(library_, std::move(instrument));
  }

 private:
  // Appends to `plan_` what a sampleID generator naming header `index` asks of AddSample: a
  // stereo sample, which replaces anything earlier, or a mono one while the bag has none yet.
  // Why not, when the header, its link or the data it would read lies outside the bank or does
  // not decode; empty when planned.
  std::string_view PlanSample(std::size_t index) {
    const auto header = records_.SampleHeader(index);
    if (!header) return kHeaderOutside;
    if (header->channelType() != kSoundFontMonoSample || header->link != 0) {
      const auto linked = records_.SampleHeader(header->link);
      if (!linked) return kLinkOutside;
      const bool headerLeft = header->channelType() == kSoundFontLeftSample &&
                              linked->channelType() == kSoundFontRightSample;
      const bool headerRight = header->channelType() == kSoundFontRightSample &&
                               linked->channelType() == kSoundFontLeftSample;
      if (headerLeft || headerRight) {
        const HeaderSample own = ShapeOf(index, *header);
        const HeaderSample other = ShapeOf(header->link, *linked);
        // A stream that did not decode has no length to compare.
        for (const HeaderSample* part : {&own, &other}) {
          if (part->stream != nullptr && !part->stream->failure.empty())
            return part->stream->failure;
        }
        if (SameShape(own, other)) {
          const HeaderSample& left = headerLeft ? own : other;
          const HeaderSample& right = headerLeft ? other : own;
          if (!PlanStereo(*header, left, right)) return kDataOutside;
          return {};
        }
      }
    }
    if (!plan_.empty()) return {};  // the bag has its sample already
    const HeaderSample own = ShapeOf(index, *header);
    if (own.stream != nullptr && !own.stream->failure.empty()) return own.stream->failure;
    PlannedSample planned{RequestFor(*header, own, header->name, 1), {own.stream, nullptr}};
    if (!ReadMono(own, planned.request)) return kDataOutside;
    plan_.push_back(planned);
    return {};
  }

  // Frames and loop of header `index`: a plain header's positions in the bank's own 32-bit
  // arithmetic, a compressed one's decoded frames and its loop as stored.
  HeaderSample ShapeOf(std::size_t index, const SoundFontSampleHeader& header) {
    HeaderSample shape{&header};
    if (header.compressed()) {
      shape.stream = &streams_.Find(index, header);
      shape.frames = shape.stream->frames;
      shape.loopStart = header.loopStart;
      shape.loopEnd = header.loopEnd;
    } else {
      shape.frames = header.end - header.start;
      shape.loopStart = header.loopStart - header.start;
      shape.loopEnd = header.loopEnd - header.start;
    }
    return shape;
  }

  // Points `request.first` at the values of a mono sample, with its origin. False when plain
  // data lies outside the "smpl" chunk.
  bool ReadMono(const HeaderSample& sample, SampleRequest& request) const {
    const auto data = DataOf(sample);
    if (!data) return false;
    request.first = *data;
    request.origin = OriginOf(sample, *data);
    // The only stream of the request: a new sample may take the decoded buffer.
    if (sample.stream != nullptr && !sample.stream->values.empty())
      request.firstBuffer = &sample.stream->values;
    return true;
  }

  // Plans the 2-channel sample of a linked pair, `header` being the one the sampleID named.
  // False when plain data lies outside the "smpl" chunk.
  bool PlanStereo(const SoundFontSampleHeader& header, const HeaderSample& left,
                  const HeaderSample& right) {
    PlannedSample planned{
        RequestFor(header, left.header == &header ? left : right, left.header->name, 2),
        {left.stream, right.stream}};
    SampleRequest& request = planned.request;
    // Both streams already in the stereo sample made from them: read it as it is.
    const Sample* both = left.stream != nullptr && right.stream != nullptr &&
                                 left.stream->values.empty() && right.stream->values.empty() &&
                                 left.stream->holder == right.stream->holder
                             ? left.stream->holder
                             : nullptr;
    if (kValuesAreLittleEndian && both != nullptr && both->channels == 2 &&
        both->origin == left.stream->encoded.data() &&
        both->origin2 == right.stream->encoded.data()) {
      request.first = std::as_bytes(std::span(both->data));
      request.origin = both->origin;
      request.origin2 = both->origin2;
      plan_.push_back(planned);
      return true;
    }
    const auto leftData = DataOf(left);
    const auto rightData = DataOf(right);
    if (!leftData || !rightData) return false;
    request.first = *leftData;
    request.second = *rightData;
    request.origin = OriginOf(left, *leftData);
    request.origin2 = OriginOf(right, *rightData);
    plan_.push_back(planned);
    return true;
  }

  // One channel's values as little-endian words: plain data in place, a stream's decoded values,
  // from the mono sample that took them, or decoded again. Nothing when plain data lies outside
  // the "smpl" chunk.
  std::optional<std::span<const std::byte>> DataOf(const HeaderSample& sample) const {
    if (sample.stream == nullptr) return records_.SampleData(*sample.header);
    DecodedStream& stream = *sample.stream;
    if (stream.values.empty()) {
      const Sample* holder = stream.holder;
      if (kValuesAreLittleEndian && holder != nullptr && holder->channels == 1 &&
          holder->frames == stream.frames)
        return std::as_bytes(std::span(holder->data));
      DecodedStreams::Restore(stream);
    }
    return std::as_bytes(std::span(stream.values));
  }

  // Where the bank holds a sample's data: in place, or as its stream.
  static const void* OriginOf(const HeaderSample& sample, std::span<const std::byte> data) {
    return sample.stream != nullptr ? sample.stream->encoded.data() : data.data();
  }

  void ImportBag(Instrument& instrument, std::size_t bag) {
    const auto generators = records_.GeneratorsOf(bag);
    if (!generators) {
      DropZone(kGeneratorsOutside);
      return;
    }
    Zone zone;
    InitZone(zone);
    plan_.clear();
    // Every reference of the bag is checked before anything reaches the library, so that a
    // dropped zone leaves no sample or group behind.
    // As with bags: each generator is visited at most once per bank.
    // A range running backwards starts and ends at its first index, which may lie past the end.
    const std::size_t endGenerator = std::min(generators->end, generatorsLeft_.bound());
    for (std::size_t g = generatorsLeft_.Next(generators->first); g < endGenerator;
         g = generatorsLeft_.Next(g + 1)) {
      generatorsLeft_.Take(g);
      const auto generator = records_.Generator(g);
      if (!generator) {
        DropZone(kGeneratorsOutside);
        return;
      }
      if (generator->number == kGenInstrument) continue;
      if (generator->number == kGenSampleId) {
        if (const std::string_view why = PlanSample(generator->amount); !why.empty()) {
          DropZone(why);
          return;
        }
        continue;
      }
      ApplyGenerator(zone, generator->number, generator->amount);
    }
    // A bag without sample, such as a global zone: its generators reach no other zone.
    if (plan_.empty()) return;

    // Mono requests come only before any other, and stereo ones replace: the last one wins.
    Sample* sample = nullptr;
    const bool cutOff = !AddPlannedSamples(instrument, sample);
    // Decoded values a new sample took or copied are not kept twice. Only those: values decoded
    // again for a sample that was found stay, so that the next request needs no decode.
    for (const PlannedSample& planned : plan_) {
      if (!planned.made) continue;
      for (DecodedStream* stream : planned.streams) {
        if (stream != nullptr) std::vector<std::int16_t>().swap(stream->values);
      }
    }
    if (cutOff) {
      DropZone(kCopiedTooOften);
      return;
    }
    if (sample == nullptr) {
      DropZone(kSampleRefused);
      return;
    }

    for (Zone& existing : instrument.zones) {
      const Fold fold = FoldOf(existing, zone, *sample);
      if (fold == Fold::None) continue;
      MergeZonePair(existing, fold == Fold::Stereo ? MergeStereo : MergeDual, zone);
      return;
    }
    SetZoneSample(zone, sample);
    AddZone(instrument, zone);
  }

  // AddSample for each planned sample; `sample` becomes the last one given. False when the bank
  // asks for more copies than it could need.
  bool AddPlannedSamples(Instrument& instrument, Sample*& sample) {
    for (PlannedSample& planned : plan_) {
      const SampleRequest& request = planned.request;
      const std::size_t samplesBefore = source_.samples.size();
      const std::uint64_t bytes = std::uint64_t{request.frames} * request.channels * 2;
      // Headers may point any number of times at the same data; a valid bank copies each byte
      // of its sample chunk (or of its decoded streams) about once, so a bank asking for far
      // more is cut off there.
      if (copied_ + bytes > copyBudget_) return false;
      if (Sample* added = AddSample(instrument, request)) sample = added;
      // A sample found again was not read: its pages went when it was copied.
      if (source_.samples.size() == samplesBefore) continue;
      copied_ += bytes;
      planned.made = true;
      for (std::size_t i = 0; i < planned.streams.size(); ++i) {
        if (planned.streams[i] != nullptr)
          planned.streams[i]->holder = sample;  // the values are in it now
        else
          ReleaseCopied(i == 0 ? request.first : request.second);
      }
    }
    return true;
  }

  // A zone that cannot be read is left out, and counted for the outcome.
  void DropZone(std::string_view reason) { drops_.Drop("zone", reason); }

  // Once copied, a sample's bytes in the mapping are not needed again (a later request for the
  // same sample is answered without reading them, and a rare re-read faults them back in), so
  // their pages go at once instead of piling up next to the copies.
  void ReleaseCopied(std::span<const std::byte> data) const {
    if (data.empty()) return;
    const std::span<const std::byte> chunk = records_.sampleChunk();
    const auto chunkBegin = static_cast<std::size_t>(chunk.data() - file_.data());
    const std::size_t chunkEnd = chunkBegin + chunk.size();
    const auto begin = static_cast<std::size_t>(data.data() - file_.data());
    const std::size_t end = begin + data.size();
    const std::size_t from =
        begin - chunkBegin > kReleaseMargin ? begin - kReleaseMargin : chunkBegin;
    const std::size_t to = chunkEnd - end > kReleaseMargin ? end + kReleaseMargin : chunkEnd;
    ReleaseRange(file_.subspan(from, to - from));
  }

  // Gives back the mapped pages of `bytes`, a part of the file.
  void ReleaseRange(std::span<const std::byte> bytes) const {
    if (mapped_ == nullptr || bytes.empty()) return;
    mapped_->Release(static_cast<std::size_t>(bytes.data() - file_.data()), bytes.size());
  }

  Library& library_;
  Source& source_;
  const SoundFontRecords& records_;
  std::span<const std::byte> file_;
  const MappedFile* mapped_;
  const std::string prefix_;
  std::vector<PlannedSample> plan_;  // the AddSample calls of the bag at hand, in order
  VisitOnce bagsLeft_{records_.bagCount()};
  VisitOnce generatorsLeft_{records_.generatorCount()};
  std::uint64_t copied_ = 0;  // sample bytes copied so far
  ImportDrops drops_;
  WorkProgress* const progress_;
  DecodedStreams streams_{records_, progress_};  // decoded before any instrument is built
  const std::uint64_t copyBudget_ =
      2 * (std::uint64_t{records_.sampleChunk().size()} + streams_.decodedBytes()) + (1u << 20);
};

}  // namespace

ImportOutcome ImportSoundFont(Library& library, Source& source, const ImportView& view) {
  const std::span<const std::byte> file = view.bytes;
  if (file.size() < kFormHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("sfbk"))
    return ImportOutcome::NotRecognised();

  ChunkWalkContext context;
  context.base = file;
  if (std::string damage = WalkBank(context); !damage.empty())
    return ImportOutcome::Damaged(std::move(damage));

  const SoundFontRecords records(context);
  if (records.sampleWordCount() == 0)
    return ImportOutcome::Damaged("the bank holds no sample data ('smpl' chunk)");
  if (records.instrumentCount() < 2)
    return ImportOutcome::Damaged("the bank holds no instruments ('inst' chunk)");
  // Without bags, generators or sample headers no zone can name a sample.
  for (const auto& [count, name] :
       {std::pair{records.bagCount(), "'ibag'"}, std::pair{records.generatorCount(), "'igen'"},
        std::pair{records.sampleHeaderCount(), "'shdr'"}}) {
    if (count == 0)
      return ImportOutcome::Damaged(std::string("the bank's ") + name +
                                    " chunk is missing or empty");
  }

  BankImport bank(library, source, records, file, view.file, view.progress);
  // The last record only closes the bag range of the one before it.
  for (std::size_t i = 0; i + 1 < records.instrumentCount(); ++i) {
    if (WorkCancelled(view.progress)) return ImportOutcome::Damaged("import cancelled");
    bank.ImportInstrument(i);
  }
  return bank.drops().Finish();
}

}  // namespace tolvane
