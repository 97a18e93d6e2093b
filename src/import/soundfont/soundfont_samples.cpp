#include "import/soundfont/soundfont_samples.h"

#include <utility>

#include "base/mapped_file.h"

namespace tolvane {
namespace {

// The kernel maps pages around a touched one (up to 64 KiB) when it faults one in; releasing
// that much around a copied sample keeps those neighbours from staying resident as well.
constexpr std::size_t kReleaseMargin = std::size_t{64} * 1024;

// What `header` (the header a sampleID named) asks of the library, playing `shape`'s frames.
SampleRequest RequestFor(const SoundFontSampleHeader& header, std::uint32_t frames,
                         std::uint32_t loopStart, std::uint32_t loopEnd, std::string_view name,
                         std::uint32_t channels) {
  SampleRequest request;
  request.name = name;
  request.sampleRate = header.sampleRate;
  request.bitsPerSample = 16;
  request.channels = channels;
  request.frames = frames;
  request.loopStart = loopStart;
  request.loopEnd = loopEnd;
  request.rootKey = header.originalKey;
  request.pitchCorrection = header.pitchCorrection;
  return request;
}

}  // namespace

BankSamples::BankSamples(const SoundFontRecords& records, std::span<const std::byte> file,
                         const MappedFile* mapped, WorkProgress* progress)
    : records_(records),
      file_(file),
      mapped_(mapped),
      streams_(records, progress),
      copyBudget_(2 * (std::uint64_t{records.sampleChunk().size()} + streams_.decodedBytes()) +
                  (1u << 20)) {
  // Decoded, the Ogg Vorbis streams are not read again.
  if (streams_.decodedBytes() > 0) ReleaseRange(records_.sampleChunk());
}

std::optional<SampleTrouble> BankSamples::Plan(std::size_t index) {
  const auto header = records_.SampleHeader(index);
  if (!header) return SampleTrouble{&kSampleHeaderOutside, {}};
  if (header->channelType() != kSoundFontMonoSample || header->link != 0) {
    const auto linked = records_.SampleHeader(header->link);
    if (!linked) return SampleTrouble{&kStereoLinkOutside, {}};
    const bool headerLeft = header->channelType() == kSoundFontLeftSample &&
                            linked->channelType() == kSoundFontRightSample;
    const bool headerRight = header->channelType() == kSoundFontRightSample &&
                             linked->channelType() == kSoundFontLeftSample;
    if (headerLeft || headerRight) {
      const HeaderSample own = ShapeOf(index, *header);
      const HeaderSample other = ShapeOf(header->link, *linked);
      // A stream that did not decode has no length to compare.
      for (const HeaderSample* part : {&own, &other}) {
        if (!part->failure().empty()) return SampleTrouble{&kStreamUnreadable, part->failure()};
      }
      if (own.frames == other.frames && own.loopStart == other.loopStart &&
          own.loopEnd == other.loopEnd) {
        const bool planned = headerLeft ? PlanStereo(*header, *header, own, other, true)
                                        : PlanStereo(*header, *linked, other, own, false);
        if (planned) return std::nullopt;
        return SampleTrouble{&kSampleDataOutside, {}};
      }
    }
  }
  if (!plan_.empty()) return std::nullopt;  // the bag has its sample already
  const HeaderSample own = ShapeOf(index, *header);
  if (!own.failure().empty()) return SampleTrouble{&kStreamUnreadable, own.failure()};
  if (!own.readable()) return SampleTrouble{&kSampleDataOutside, {}};
  plan_.push_back({RequestFor(*header, own.frames, own.loopStart, own.loopEnd, header->name, 1),
                   {own, HeaderSample{}}});
  plan_.back().request.key = {OffsetOf(own), 0};
  return std::nullopt;
}

bool BankSamples::PlanStereo(const SoundFontSampleHeader& named,
                             const SoundFontSampleHeader& leftHeader, const HeaderSample& left,
                             const HeaderSample& right, bool namedIsLeft) {
  if (!left.readable() || !right.readable()) return false;
  const HeaderSample& shape = namedIsLeft ? left : right;
  SampleRequest request =
      RequestFor(named, shape.frames, shape.loopStart, shape.loopEnd, leftHeader.name, 2);
  // Two stereo samples that share a left channel but not their right one are not the same.
  request.key = {OffsetOf(left), OffsetOf(right)};
  plan_.push_back({request, {left, right}});
  return true;
}

BankSamples::HeaderSample BankSamples::ShapeOf(std::size_t index,
                                               const SoundFontSampleHeader& header) {
  HeaderSample shape;
  if (header.compressed()) {
    shape.stream = &streams_.Find(index, header);
    shape.frames = shape.stream->frames;
    shape.loopStart = header.loopStart;
    shape.loopEnd = header.loopEnd;
  } else {
    shape.data = records_.SampleData(header);
    shape.frames = header.end - header.start;
    shape.loopStart = header.loopStart - header.start;
    shape.loopEnd = header.loopEnd - header.start;
  }
  return shape;
}

std::uint64_t BankSamples::OffsetOf(const HeaderSample& channel) const {
  const std::byte* at =
      channel.stream != nullptr ? channel.stream->encoded.data() : channel.data->data();
  return static_cast<std::uint64_t>(at - file_.data());
}

SampleData BankSamples::ValuesOf(const HeaderSample& channel) {
  if (channel.stream != nullptr) return channel.stream->values;
  return SampleData::FromLittleEndian(*channel.data, channel.frames);
}

BankSamples::Added BankSamples::AddPlanned(Instrument& instrument) {
  Added added;
  for (const PlannedSample& planned : plan_) {
    const SampleRequest& request = planned.request;
    const std::uint64_t bytes = std::uint64_t{request.frames} * request.channels * 2;
    // Headers may point any number of times at the same data; a valid bank copies each byte
    // of its sample chunk (or of its decoded streams) about once, so a bank asking for far
    // more is cut off there.
    if (copied_ + bytes > copyBudget_) {
      added.copiedTooOften = true;
      return added;
    }
    const bool known = FindSample(instrument, request) != nullptr;
    SampleData data;
    if (!known) {
      data = request.channels == 2
                 ? SampleData::Planes(ValuesOf(planned.channels[0]), ValuesOf(planned.channels[1]))
                 : ValuesOf(planned.channels[0]);
    }
    Sample* const sample = AddSample(instrument, request, std::move(data));
    if (sample != nullptr) added.sample = sample;
    if (known || sample == nullptr) continue;
    copied_ += bytes;
    // A sample found again is not read: the pages of plain data can go once copied.
    for (std::size_t c = 0; c < request.channels; ++c) {
      if (planned.channels[c].data) ReleaseCopied(*planned.channels[c].data);
    }
  }
  return added;
}

void BankSamples::ReleaseCopied(std::span<const std::byte> data) const {
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

void BankSamples::ReleaseRange(std::span<const std::byte> bytes) const {
  if (mapped_ == nullptr || bytes.empty()) return;
  mapped_->Release(static_cast<std::size_t>(bytes.data() - file_.data()), bytes.size());
}

}  // namespace tolvane
