// The crossfade at a loop's end: its length within the sample, its gains at equal power, the
// values outside it untouched.

#include "analysis/crossfade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace tolvane {
namespace {

TEST(Crossfade, ItsLengthStaysBeforeTheStartAndWithinTheLoop) {
  struct Case {
    LoopPoints loop;
    double ms;
    std::uint32_t frames;
  };
  const Case cases[] = {
      {{10000, 50000}, 10, 441},      // as asked
      {{10000, 50000}, 0, 0},         // none
      {{10000, 50000}, -5, 0},        // none
      {{200, 50000}, 10, 200},        // no more than the frames before the start
      {{10000, 10300}, 10, 300},      // no more than the loop
      {{30000, 80000}, 1000, 22050},  // no more than the longest
      {{500, 500}, 10, 0},            // an empty loop
  };
  for (const Case& c : cases)
    EXPECT_EQ(CrossfadeFrames(c.loop, c.ms, 44100), c.frames) << c.loop.start << " " << c.ms;
}

TEST(Crossfade, BlendsTheEndIntoWhatPrecedesTheStartAtEqualPower) {
  // Two channels: before the start the values are 1000 and -8000, before the end -3000 and
  // 30000; the fade is 8 frames.
  constexpr std::uint32_t kFrames = 100;
  const LoopPoints loop{40, 90};
  std::vector<std::int16_t> values;
  for (std::uint32_t f = 0; f < kFrames; ++f) {
    values.push_back(static_cast<std::int16_t>(f < loop.start ? 1000 : -3000));
    values.push_back(static_cast<std::int16_t>(f < loop.start ? -8000 : 30000));
  }
  const SampleData data(values);
  const SampleData faded = CrossfadeLoop(data, 2, kFrames, loop, 8);
  ASSERT_EQ(faded.size(), values.size());
  for (std::size_t f = 0; f < kFrames; ++f) {
    if (f < loop.end - 8 || f >= loop.end) {
      EXPECT_EQ(faded[2 * f], values[2 * f]) << f;
      EXPECT_EQ(faded[2 * f + 1], values[2 * f + 1]) << f;
      continue;
    }
    const double angle = std::numbers::pi / 2 * (static_cast<double>(f) - (loop.end - 8) + 1.0) / 9;
    EXPECT_EQ(faded[2 * f], std::lround(-3000 * std::cos(angle) + 1000 * std::sin(angle))) << f;
    const double right = 30000 * std::cos(angle) - 8000 * std::sin(angle);
    EXPECT_EQ(faded[2 * f + 1], std::lround(std::clamp(right, -32768.0, 32767.0))) << f;
  }
  // Equal power: at the middle of a fade between equal values the sum is above either.
  const SampleData flat(std::vector<std::int16_t>(kFrames, 20000));
  const SampleData loud = CrossfadeLoop(flat, 1, kFrames, {40, 90}, 9);
  EXPECT_EQ(loud[85], 28284);  // 20000 x (cos + sin) of pi/4
  EXPECT_EQ(loud[30], 20000);
  // Kept within 16 bits.
  const SampleData top(std::vector<std::int16_t>(kFrames, 30000));
  EXPECT_EQ(CrossfadeLoop(top, 1, kFrames, {40, 90}, 9)[85], 32767);
}

}  // namespace
}  // namespace tolvane
