#include "export/sample_fitting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>

#include "analysis/resampling.h"
#include "base/all_cores.h"
#include "sifi/sifi_format.h"

namespace tolvane {
namespace {

constexpr double kFullScale = 32768;

// The frames a sample's zones start on by an offset of their own, earliest and latest (none
// when no zone has one), and whether one of them plays it looped. A zone without an offset
// starts where the sound starts, so the quiet frames before it are what a cut takes.
struct StartFrames {
  std::uint32_t earliest = std::numeric_limits<std::uint32_t>::max();
  std::uint32_t latest = 0;
  bool any = false;
  bool looped = false;

  void Add(std::int32_t startOffset, std::uint32_t frames) {
    if (startOffset <= 0) return;
    // Two bytes per frame, as the sampler counts.
    const std::uint32_t frame = std::min(static_cast<std::uint32_t>(startOffset / 2), frames);
    earliest = std::min(earliest, frame);
    latest = std::max(latest, frame);
    any = true;
  }
};

// Whether the second voice of a dual zone plays: only from a mono sample.
bool PlaysSecondLayer(const Zone& zone) {
  return (zone.mapping.flags & ZoneDual) != 0 && zone.sample->channels == 1;
}

std::unordered_map<const Sample*, StartFrames> StartsOf(const ExportGroup& group) {
  std::unordered_map<const Sample*, StartFrames> starts;
  for (const Instrument* member : group.members) {
    for (const Zone& zone : member->zones) {
      if (zone.sample == nullptr) continue;
      StartFrames& frames = starts[zone.sample];
      frames.Add(zone.mapping.startOffset, zone.sample->frames);
      if (PlaysSecondLayer(zone)) frames.Add(zone.mapping.startOffset2, zone.sample->frames);
      frames.looped = frames.looped || (zone.mapping.flags & ZoneLoop) != 0;
    }
  }
  return starts;
}

// Whether every pair of a stereo sample's first `values` values lies within the slack.
bool ChannelsSame(const SampleData& data, std::size_t values) {
  std::array<std::int16_t, 4096> block{};
  for (std::size_t from = 0; from < values; from += block.size()) {
    const std::span<std::int16_t> part =
        std::span(block).first(std::min(block.size(), values - from));
    data.CopyInterleaved(from, part);
    for (std::size_t i = 0; i + 1 < part.size(); i += 2)
      if (std::abs(part[i] - part[i + 1]) > kSameChannelsSlack) return false;
  }
  return true;
}

// The mean of two values, halves rounded to even so that folding adds no offset.
std::int16_t Mean(std::int16_t left, std::int16_t right) {
  const int sum = left + right;
  int half = sum >> 1;
  if ((sum & 1) != 0 && (half & 1) != 0) ++half;
  return static_cast<std::int16_t>(half);
}

SampleData MonoValues(const SampleData& data, std::uint32_t frames) {
  std::vector<std::int16_t> mono(frames);
  std::array<std::int16_t, 4096> block{};
  for (std::size_t from = 0; from < mono.size(); from += block.size() / 2) {
    const std::size_t count = std::min(block.size() / 2, mono.size() - from);
    const std::span<std::int16_t> part = std::span(block).first(2 * count);
    data.CopyInterleaved(2 * from, part);
    for (std::size_t i = 0; i < count; ++i) mono[from + i] = Mean(part[2 * i], part[2 * i + 1]);
  }
  return SampleData(std::move(mono));
}

bool Loud(const SampleData& data, std::uint32_t channels, std::uint32_t frame, int level) {
  for (std::uint32_t c = 0; c < channels; ++c)
    if (std::abs(int{data[std::size_t{frame} * channels + c]}) > level) return true;
  return false;
}

// How one sample is written once fitted.
struct Fitted {
  SampleData data;
  std::uint32_t channels = 1;
  std::uint32_t frames = 0;
  std::uint32_t lead = 0;  // frames cut before the first one kept
  LoopPoints loop;
  std::uint32_t rate = 0;
  double ratio = 1;  // written frames per frame kept
  bool mono = false;
  bool folded = false;
  bool loopFitted = false;  // the rate bent to keep a played loop whole
  std::string resampleError;
};

// The frames kept: from the first loud one to the last, widened to every zone's start and to a
// loop some zone plays, at least one. Loop points no zone plays (many formats give every sample
// one over its whole length) only move with the cut.
void Trim(Fitted& fitted, const StartFrames& starts, int level) {
  const std::uint32_t frames = fitted.frames;
  std::uint32_t first = 0;
  while (first < frames && !Loud(fitted.data, fitted.channels, first, level)) ++first;
  // The scan back stops at `first` at the latest; a sample without a loud frame keeps none.
  std::uint32_t end = first == frames ? 0 : frames;
  while (end > first && !Loud(fitted.data, fitted.channels, end - 1, level)) --end;

  const bool looped = starts.looped && fitted.loop.end > fitted.loop.start;
  std::uint32_t lead = std::min(first, frames - 1);
  if (starts.any) {
    lead = std::min(lead, starts.earliest);
    end = std::max(end, std::min(starts.latest + 1, frames));
  }
  if (looped) {
    lead = std::min(lead, fitted.loop.start);
    end = std::max(end, fitted.loop.end);
  }
  end = std::max(end, lead + 1);
  if (lead == 0 && end == frames) return;
  const auto cut = [lead](std::uint32_t point) { return point > lead ? point - lead : 0; };
  fitted.lead = lead;
  fitted.frames = end - lead;
  fitted.loop = ClampLoop(fitted.frames, cut(fitted.loop.start), cut(fitted.loop.end));
  if (lead > 0)
    fitted.data = fitted.data.Slice(std::size_t{lead} * fitted.channels,
                                    std::size_t{end - lead} * fitted.channels);
}

// A start offset (two bytes a frame) after `lead` frames were cut and the rest scaled by `ratio`.
std::int32_t MovedOffset(std::int32_t offset, std::uint32_t lead, double ratio) {
  if ((lead == 0 && ratio == 1) || offset <= 0) return offset;
  const std::int64_t frame = std::int64_t{offset / 2} - lead;
  return static_cast<std::int32_t>(2 * std::llround(static_cast<double>(frame) * ratio));
}

// Lowers the sample rate to `rate`. A loop a zone plays is scaled to a whole number of frames,
// the ratio (and so the written rate) following from it; other loop points are rounded.
void Resample(Fitted& fitted, bool looped, std::uint32_t rate, FitWork work, ResamplerPool& pool) {
  const double asked = static_cast<double>(rate) / fitted.rate;
  const LoopPoints loop = fitted.loop;
  const std::uint32_t length = loop.end - loop.start;
  looped = looped && length > 0;
  double ratio = asked;
  LoopPoints written;
  if (looped) {
    const auto scaled =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(length * asked)));
    ratio = static_cast<double>(scaled) / length;
    written.start = static_cast<std::uint32_t>(std::lround(loop.start * ratio));
    written.end = written.start + scaled;
  } else {
    written.start = static_cast<std::uint32_t>(std::lround(loop.start * ratio));
    written.end = static_cast<std::uint32_t>(std::lround(loop.end * ratio));
  }
  std::uint32_t frames =
      std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(fitted.frames * ratio)));
  if (looped) frames = std::max(frames, written.end);
  // A loop too short to shrink, or a sample too short to hold its scaled loop, stays as it is.
  if (ratio >= 1 || frames >= fitted.frames) return;

  if (work == FitWork::kWrite) {
    Resampled resampled = ResampleSound(fitted.data, fitted.channels, fitted.frames, ratio, frames,
                                        looped ? std::optional(loop) : std::nullopt,
                                        looped ? std::optional(written) : std::nullopt, &pool);
    if (!resampled.error.empty()) {
      fitted.resampleError = std::move(resampled.error);
      return;
    }
    fitted.data = SampleData(std::move(resampled.values));
  } else {
    fitted.data = fitted.data.Slice(0, std::size_t{frames} * fitted.channels);
  }
  fitted.rate = looped ? static_cast<std::uint32_t>(std::lround(fitted.rate * ratio)) : rate;
  fitted.loopFitted = looped && fitted.rate != rate;
  fitted.frames = frames;
  fitted.loop = ClampLoop(frames, written.start, written.end);
  fitted.ratio = ratio;
}

// The group's members and sample group as copies that play `fitted` in place of their samples.
void ReplaceSamples(ExportGroup& group, ExportCopies& copies,
                    const std::unordered_map<const Sample*, Fitted>& fitted) {
  std::unordered_map<const Sample*, Sample*> copyOf;
  auto sampleGroup = std::make_unique<SampleGroup>(*group.sampleGroup);
  for (Sample*& sample : sampleGroup->samples) {
    const auto found = fitted.find(sample);
    if (found == fitted.end()) continue;
    const Fitted& f = found->second;
    auto copy = std::make_unique<Sample>(*sample);
    copy->group = sampleGroup.get();
    copy->data = f.data;
    copy->channels = f.channels;
    copy->frames = f.frames;
    copy->sampleRate = f.rate;
    copy->loopStart = f.loop.start;
    copy->loopEnd = f.loop.end;
    group.loops.erase(sample);
    copyOf.emplace(sample, copy.get());
    sample = copy.get();
    copies.samples.push_back(std::move(copy));
  }
  sampleGroup->instruments.clear();
  for (const Instrument*& member : group.members) {
    auto copy = std::make_unique<Instrument>(*member);
    copy->group = sampleGroup.get();
    for (Zone& zone : copy->zones) {
      const auto found = fitted.find(zone.sample);
      if (found == fitted.end()) continue;
      const Fitted& f = found->second;
      ZoneMapping& m = zone.mapping;
      if (PlaysSecondLayer(zone)) m.startOffset2 = MovedOffset(m.startOffset2, f.lead, f.ratio);
      m.startOffset = MovedOffset(m.startOffset, f.lead, f.ratio);
      if (f.mono) m.flags &= static_cast<std::uint8_t>(~(ZoneStereo | ZoneDual));
      zone.sample = copyOf.at(zone.sample);
    }
    sampleGroup->instruments.push_back(copy.get());
    member = copy.get();
    copies.instruments.push_back(std::move(copy));
  }
  group.sampleGroup = sampleGroup.get();
  copies.groups.push_back(std::move(sampleGroup));
}

}  // namespace

namespace {

// One sample as fitting asks, with what that saved; nothing when it is written as it is.
std::optional<Fitted> FitSample(const Sample& sample, const StartFrames& starts,
                                std::optional<LoopPoints> mended, const SampleFitting& fit,
                                int level, FitWork work, ResamplerPool& pool, FitSavings& saved) {
  // A sample short of its values is left for the writer to refuse.
  if (sample.frames == 0 || sample.data.size() < std::size_t{sample.frames} * sample.channels)
    return std::nullopt;
  Fitted f;
  f.data = sample.data;
  f.channels = sample.channels;
  f.frames = sample.frames;
  f.loop = mended ? *mended : LoopPoints{sample.loopStart, sample.loopEnd};
  f.rate = sample.sampleRate;
  if (sample.channels == 2 && fit.mono != MonoFold::kNone) {
    const bool same = ChannelsSame(sample.data, std::size_t{sample.frames} * 2);
    if (same || fit.mono == MonoFold::kAll) {
      f.data = MonoValues(sample.data, sample.frames);
      f.channels = 1;
      f.mono = true;
      f.folded = !same;
      ++saved.monoSamples;
      saved.foldedSamples += f.folded ? 1 : 0;
      // The silent frames written after the sample lose a channel too.
      saved.monoBytes += std::uint64_t{2} * (sample.frames + sifi::kSilentFrames);
    }
  }
  if (fit.trimDbfs) {
    Trim(f, starts, level);
    if (f.frames != sample.frames) {
      ++saved.trimmedSamples;
      saved.trimmedBytes += std::uint64_t{sample.frames - f.frames} * 2 * f.channels;
    }
  }
  if (fit.rate && sample.sampleRate > *fit.rate) {
    const std::uint32_t before = f.frames;
    Resample(f, starts.looped, *fit.rate, work, pool);
    if (!f.resampleError.empty()) {
      ++saved.resampleFailures;
    } else if (f.frames != before) {
      ++saved.resampledSamples;
      if (f.loopFitted) {
        saved.loopFittedSamples = 1;
        saved.lowestLoopRate = saved.highestLoopRate = f.rate;
      }
      saved.resampledBytes += std::uint64_t{before - f.frames} * 2 * f.channels;
    }
  }
  if (!f.mono && f.frames == sample.frames) return std::nullopt;
  return f;
}

}  // namespace

FitSavings FitExportSet(ExportSet& set, const SampleFitting& fit, FitWork work) {
  FitSavings saved;
  if (!fit.any()) return saved;
  const int level =
      fit.trimDbfs ? static_cast<int>(std::floor(kFullScale * std::pow(10.0, *fit.trimDbfs / 20)))
                   : 0;
  // Every sample of every group is one item, fitted on any core; the copies are made after.
  struct Item {
    std::size_t group;
    const Sample* sample;
    StartFrames starts;
    std::optional<LoopPoints> mended;
    std::optional<Fitted> fitted;
    FitSavings saved;
  };
  std::vector<Item> items;
  for (std::size_t g = 0; g < set.groups.size(); ++g) {
    const ExportGroup& group = set.groups[g];
    const std::unordered_map<const Sample*, StartFrames> starts = StartsOf(group);
    for (const Sample* sample : group.sampleGroup->samples) {
      const auto found = starts.find(sample);
      const auto mended = group.loops.find(sample);
      items.push_back({g,
                       sample,
                       found != starts.end() ? found->second : StartFrames{},
                       mended != group.loops.end() ? std::optional(mended->second) : std::nullopt,
                       std::nullopt,
                       {}});
    }
  }
  ResamplerPool converters;
  ForEachOnAllCores(items.size(), [&](std::size_t i) {
    Item& item = items[i];
    item.fitted =
        FitSample(*item.sample, item.starts, item.mended, fit, level, work, converters, item.saved);
    return true;
  });
  for (std::size_t from = 0; from < items.size();) {
    std::unordered_map<const Sample*, Fitted> fitted;
    std::size_t to = from;
    for (; to < items.size() && items[to].group == items[from].group; ++to) {
      saved += items[to].saved;
      if (items[to].fitted) fitted.emplace(items[to].sample, std::move(*items[to].fitted));
    }
    if (!fitted.empty()) ReplaceSamples(set.groups[items[from].group], set.copies, fitted);
    from = to;
  }
  return saved;
}

}  // namespace tolvane
