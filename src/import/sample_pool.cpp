#include "import/sample_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "base/all_cores.h"
#include "base/work_progress.h"
#include "import/instrument_files.h"

namespace tolvane {

std::optional<UnplayableSample> WhyUnplayable(const PooledSample& sample) {
  const SoundReading& reading = sample.reading;
  if (!reading.sound) {
    const LeftOutKind kind = UnreadSampleKind(reading);
    return UnplayableSample{
        kind, kind == LeftOutKind::SampleUnreadable ? reading.refusal.reason : std::string()};
  }
  if (reading.sound->channels > 2) return UnplayableSample{LeftOutKind::SampleManyChannels, {}};
  return std::nullopt;
}

std::size_t SamplePool::Add(std::string path) {
  const auto [known, added] = byPath_.try_emplace(path, samples_.size());
  if (added) samples_.push_back(PooledSample{std::move(path), {}, {}});
  return known->second;
}

bool SamplePool::DecodeAll(const InstrumentFiles& files, WorkProgress* progress) {
  // Cores take files in this order: the longest decodes go first, the short ones fill the end.
  std::vector<std::pair<std::uint64_t, std::size_t>> order;
  order.reserve(samples_.size());
  for (std::size_t i = 0; i < samples_.size(); ++i)
    order.emplace_back(files.SampleSize(samples_[i].path), i);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });

  std::atomic<std::size_t> done{0};
  std::atomic<bool> stopped{false};
  ForEachOnAllCores(order.size(), [&](std::size_t i) {
    if (WorkCancelled(progress)) {
      stopped = true;
      return false;
    }
    PooledSample& sample = samples_[order[i].second];
    sample.reading = files.ReadSample(sample.path);
    if (sample.reading.sound) {
      // Values no zone can play are let go at once.
      std::vector<std::int16_t> values = std::move(sample.reading.sound->values);
      if (sample.reading.sound->channels <= 2) sample.data = SampleData(std::move(values));
    }
    ReportStep(progress, kReadingSamplesStep, ++done, order.size());
    return true;
  });
  return !stopped;
}

}  // namespace tolvane
