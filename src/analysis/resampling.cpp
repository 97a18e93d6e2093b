#include "analysis/resampling.h"

#include <soxr.h>

#include <algorithm>
#include <numeric>
#include <span>

namespace tolvane {

struct ResamplerPool::Converter {
  double ratio = 0;
  std::uint32_t channels = 0;
  soxr_t soxr = nullptr;

  Converter() = default;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { soxr_delete(soxr); }
};

ResamplerPool::ResamplerPool() = default;
ResamplerPool::~ResamplerPool() = default;

std::unique_ptr<ResamplerPool::Converter> ResamplerPool::Take(double ratio, std::uint32_t channels,
                                                              std::string& error) {
  {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(idle_.begin(), idle_.end(), [&](const auto& converter) {
      return converter->ratio == ratio && converter->channels == channels;
    });
    if (found != idle_.end()) {
      std::unique_ptr<Converter> converter = std::move(*found);
      idle_.erase(found);
      if (const soxr_error_t failed = soxr_clear(converter->soxr)) {
        error = failed;
        return nullptr;
      }
      return converter;
    }
  }
  // 16-bit values in and out, rounded without dither so that silence stays silent.
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  io.flags |= SOXR_NO_DITHER;
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  soxr_error_t failed = nullptr;
  auto converter = std::make_unique<Converter>();
  converter->ratio = ratio;
  converter->channels = channels;
  converter->soxr = soxr_create(1.0, ratio, channels, &failed, &io, &quality, nullptr);
  if (failed != nullptr || converter->soxr == nullptr) {
    error = failed != nullptr ? failed : "the resampler could not be made";
    return nullptr;
  }
  return converter;
}

void ResamplerPool::GiveBack(std::unique_ptr<Converter> converter) {
  if (converter == nullptr) return;
  std::unique_ptr<Converter> oldest;  // freed outside the lock
  const std::lock_guard lock(mutex_);
  // A few are kept: most sounds share their rates, and a looped one's ratio is often its own.
  if (idle_.size() == kIdleConverters) {
    oldest = std::move(idle_.front());
    idle_.erase(idle_.begin());
  }
  idle_.push_back(std::move(converter));
}

namespace {

// Input frames beyond which the library's filter reaches from an output frame, with room: its
// very high quality filter reaches about a thousand input frames at a twelfth of the rate.
constexpr std::uint32_t kFilterReach = 2048;

// Frames of a sound, fed to a converter in runs, and the frames it gives written on.
class Stream {
 public:
  Stream(soxr_t soxr, std::uint32_t channels, std::span<std::int16_t> out)
      : soxr_(soxr), channels_(channels), out_(out) {}

  // False with `error` set when the library fails.
  bool Feed(std::span<const std::int16_t> in) {
    while (!in.empty() && !out_.empty()) {
      std::size_t used = 0;
      std::size_t made = 0;
      if (const soxr_error_t failed = soxr_process(soxr_, in.data(), in.size() / channels_, &used,
                                                   out_.data(), out_.size() / channels_, &made)) {
        error = failed;
        return false;
      }
      in = in.subspan(used * channels_);
      out_ = out_.subspan(made * channels_);
      if (used == 0 && made == 0) break;
    }
    return true;
  }

  // The frames still held back by the filter, after the last input.
  bool Flush() {
    while (!out_.empty()) {
      std::size_t made = 0;
      if (const soxr_error_t failed = soxr_process(soxr_, nullptr, 0, nullptr, out_.data(),
                                                   out_.size() / channels_, &made)) {
        error = failed;
        return false;
      }
      if (made == 0) break;
      out_ = out_.subspan(made * channels_);
    }
    return true;
  }

  std::string error;

 private:
  soxr_t soxr_;
  std::uint32_t channels_;
  std::span<std::int16_t> out_;
};

// Frames [from, to) of `data` as one interleaved run: its own values when it holds them so, else
// a copy in `copy`.
std::span<const std::int16_t> Interleaved(const SampleData& data, std::uint32_t channels,
                                          std::uint32_t from, std::uint32_t to,
                                          std::vector<std::int16_t>& copy) {
  const std::size_t first = std::size_t{from} * channels;
  const std::size_t count = std::size_t{to - from} * channels;
  if (!data.planar()) return data.interleaved().subspan(first, count);
  copy.resize(count);
  data.CopyInterleaved(first, copy);
  return copy;
}

// The loop [start, end) of `sound` (frames from `from` on) repeated for kFilterReach frames.
std::vector<std::int16_t> RunOn(std::span<const std::int16_t> sound, std::uint32_t channels,
                                std::uint32_t from, LoopPoints loop) {
  const std::size_t length = std::size_t{loop.end - loop.start} * channels;
  const std::size_t start = std::size_t{loop.start - from} * channels;
  std::vector<std::int16_t> runOn(std::size_t{kFilterReach} * channels);
  for (std::size_t i = 0; i < runOn.size(); ++i) runOn[i] = sound[start + i % length];
  return runOn;
}

// The latest input frame at most `before` that lands on a whole output frame when a loop of
// `length` input frames becomes `outLength`: a multiple of length / gcd.
std::uint32_t AlignedFrame(std::uint32_t before, std::uint32_t length, std::uint32_t outLength) {
  const std::uint32_t step = length / std::gcd(length, outLength);
  return before / step * step;
}

}  // namespace

Resampled ResampleSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        double ratio, std::uint32_t outFrames, std::optional<LoopPoints> loop,
                        std::optional<LoopPoints> outLoop, ResamplerPool* pool) {
  Resampled result;
  ResamplerPool own;
  ResamplerPool& converters = pool != nullptr ? *pool : own;
  std::unique_ptr<ResamplerPool::Converter> converter =
      converters.Take(ratio, channels, result.error);
  if (converter == nullptr) return result;
  std::vector<std::int16_t> out(std::size_t{outFrames} * channels);
  const std::span<std::int16_t> all(out);
  std::vector<std::int16_t> copy;
  std::string error;
  if (!loop || !outLoop) {
    Stream stream(converter->soxr, channels, all);
    if (!stream.Feed(Interleaved(data, channels, 0, frames, copy)) || !stream.Flush())
      error = stream.error;
  } else {
    // Up to the loop's end from the sound as it is played looped; after it, from the recording,
    // starting far enough before the end for the filter, on a frame that lands on a whole output
    // frame so that the two runs line up.
    const std::span<const std::int16_t> head = Interleaved(data, channels, 0, loop->end, copy);
    const std::vector<std::int16_t> runOn = RunOn(head, channels, 0, *loop);
    Stream stream(converter->soxr, channels, all.first(std::size_t{outLoop->end} * channels));
    if (!stream.Feed(head) || !stream.Feed(runOn) || !stream.Flush()) error = stream.error;
    if (error.empty() && outLoop->end < outFrames) {
      const std::uint32_t length = loop->end - loop->start;
      const std::uint32_t outLength = outLoop->end - outLoop->start;
      const std::uint32_t from =
          AlignedFrame(loop->end > kFilterReach ? loop->end - kFilterReach : 0, length, outLength);
      const std::size_t outFrom = std::size_t{from} * outLength / length;
      std::vector<std::int16_t> tail(out.size() - outFrom * channels);
      if (const soxr_error_t failed = soxr_clear(converter->soxr)) {
        error = failed;
      } else {
        Stream rest(converter->soxr, channels, tail);
        if (!rest.Feed(Interleaved(data, channels, from, frames, copy)) || !rest.Flush())
          error = rest.error;
        const std::size_t headEnd = std::size_t{outLoop->end} * channels;
        std::copy(tail.begin() + static_cast<std::ptrdiff_t>(headEnd - outFrom * channels),
                  tail.end(), out.begin() + static_cast<std::ptrdiff_t>(headEnd));
      }
    }
  }
  converters.GiveBack(std::move(converter));
  if (!error.empty()) {
    result.error = std::move(error);
    return result;
  }
  result.values = std::move(out);
  return result;
}

}  // namespace tolvane
