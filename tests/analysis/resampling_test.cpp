// Resampling: the sound at the new rate lies where it lay in time, nothing above the new rate's
// half stays, and a loop's end is made from the loop running on, not from what the recording
// holds after it.

#include "analysis/resampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "signals.h"

namespace tolvane {
namespace {

using testing::Values;

// The largest difference between out[from, to) (channel `c` of `channels`) and a sine of `hz`
// and `amplitude` at `rate`, starting at phase 0.
int LargestError(const std::vector<std::int16_t>& out, std::uint32_t channels, std::uint32_t c,
                 double hz, double rate, double amplitude, std::size_t from, std::size_t to) {
  int largest = 0;
  for (std::size_t n = from; n < to; ++n) {
    const double meant = amplitude * std::sin(2 * std::numbers::pi * hz * n / rate);
    largest =
        std::max(largest, static_cast<int>(std::lround(std::abs(out[n * channels + c] - meant))));
  }
  return largest;
}

struct ToneCase {
  const char* name;
  double hz;
  std::uint32_t inRate, outRate, channels;
};

class ResampleToneTest : public ::testing::TestWithParam<ToneCase> {};

TEST_P(ResampleToneTest, KeepsTheToneInTime) {
  const ToneCase& c = GetParam();
  const std::vector<float> left = testing::Tone(c.hz, c.inRate, 0.5);
  std::vector<float> right(left.size());
  std::transform(left.begin(), left.end(), right.begin(), [](float v) { return -v / 2; });
  const auto frames = static_cast<std::uint32_t>(left.size());
  const double ratio = static_cast<double>(c.outRate) / c.inRate;
  const auto outFrames = static_cast<std::uint32_t>(std::lround(frames * ratio));
  const Resampled out = ResampleSound(c.channels == 2 ? Values({left, right}) : Values({left}),
                                      c.channels, frames, ratio, outFrames);
  ASSERT_EQ(out.error, "");
  ASSERT_EQ(out.values.size(), std::size_t{outFrames} * c.channels);
  // Away from the ends, where the tone starts and stops abruptly.
  const std::size_t edge = c.outRate / 50;
  EXPECT_LE(LargestError(out.values, c.channels, 0, c.hz, c.outRate, 16000, edge, outFrames - edge),
            2);
  if (c.channels == 2) {
    EXPECT_LE(LargestError(out.values, 2, 1, c.hz, c.outRate, -8000, edge, outFrames - edge), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Tones, ResampleToneTest,
                         ::testing::Values(ToneCase{"CdToSampler", 1000, 44100, 32000, 1},
                                           ToneCase{"StereoKeepsItsChannels", 440, 48000, 22050, 2},
                                           ToneCase{"LowToneAtATwelfth", 100, 96000, 8000, 1},
                                           ToneCase{"HighTone", 5000, 44100, 16000, 1}),
                         [](const ::testing::TestParamInfo<ToneCase>& tone) {
                           return std::string(tone.param.name);
                         });

// Partials above the new rate's half are gone, not folded back into what is heard.
TEST(Resample, LeavesNothingAboveTheNewHalfRate) {
  const std::vector<float> tone = testing::Tone(12000, 44100, 0.5);
  const auto frames = static_cast<std::uint32_t>(tone.size());
  const double ratio = 16000.0 / 44100;
  const auto outFrames = static_cast<std::uint32_t>(std::lround(frames * ratio));
  const Resampled out = ResampleSound(Values({tone}), 1, frames, ratio, outFrames);
  ASSERT_EQ(out.error, "");
  const std::size_t edge = 400;
  for (std::size_t n = edge; n < outFrames - edge; ++n) ASSERT_LE(std::abs(out.values[n]), 1) << n;
}

// A 441 Hz sine (100 frames a period) whose loop holds 10 periods, followed in the recording by
// silence: up to the loop's end the resampled sound continues the sine as the loop plays it; after
// it, it is the recording's silence, as the sound without a loop would be.
TEST(Resample, MakesALoopsEndFromTheLoopRunningOn) {
  const std::uint32_t loopStart = 3000, loopEnd = 4000, frames = 10000;
  std::vector<float> sound = testing::Tone(441, 44100, static_cast<double>(frames) / 44100);
  std::fill(sound.begin() + loopEnd, sound.end(), 0.0F);
  const SampleData data = Values({sound});
  for (const std::uint32_t outLength : {726U, 181U}) {
    SCOPED_TRACE(outLength);
    const double ratio = outLength / 1000.0;
    const auto start = static_cast<std::uint32_t>(std::lround(loopStart * ratio));
    const LoopPoints outLoop{start, start + outLength};
    const auto outFrames = static_cast<std::uint32_t>(std::lround(frames * ratio));
    const double outRate = 44100 * ratio;
    const Resampled looped =
        ResampleSound(data, 1, frames, ratio, outFrames, LoopPoints{loopStart, loopEnd}, outLoop);
    const Resampled plain = ResampleSound(data, 1, frames, ratio, outFrames);
    ASSERT_EQ(looped.error, "");
    ASSERT_EQ(plain.error, "");
    const std::size_t before = outLoop.end - 40;
    EXPECT_LE(LargestError(looped.values, 1, 0, 441, outRate, 16000, before, outLoop.end), 2);
    // Without the loop the silence after the end reaches back into the loop.
    EXPECT_GT(LargestError(plain.values, 1, 0, 441, outRate, 16000, before, outLoop.end), 10);
    for (std::size_t n = outLoop.end; n < outFrames; ++n)
      ASSERT_LE(std::abs(looped.values[n] - plain.values[n]), 1) << n;
    // The loop's frames run on into its start as the sine does.
    const std::vector<std::int16_t> wrapped{looped.values.begin() + outLoop.end - 20,
                                            looped.values.begin() + outLoop.end};
    for (std::size_t k = 0; k < wrapped.size(); ++k)
      EXPECT_NEAR(wrapped[k], looped.values[outLoop.start - 20 + k], 3) << k;
  }
}

}  // namespace
}  // namespace tolvane
