// The level over time and where a sound holds steady: after its attack, before it fades, not
// in a decay, through tremolo.

#include "analysis/sound_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/analysis/signals.h"

namespace tolvane {
namespace {

using testing::Attacked;
using testing::Sound;
using testing::Tone;

constexpr std::uint32_t kRate = 44100;

TEST(SoundLevel, ReadsChannelsAndTheirSum) {
  const SoundFrames mono = Sound({{1, -2, 3}}, 8000);
  EXPECT_EQ(mono.channels, 1u);
  EXPECT_EQ(mono.mono, (std::vector<float>{1, -2, 3}));
  EXPECT_EQ(mono.interleaved().size(), 3u);
  const SoundFrames stereo = Sound({{1, -2, 3}, {10, 20, -30}}, 8000);
  EXPECT_EQ(stereo.frames, 3u);
  EXPECT_EQ(stereo.mono, (std::vector<float>{11, 18, -27}));
  EXPECT_EQ(stereo.values, (std::vector<float>{1, 10, -2, 20, 3, -30}));
}

TEST(SoundLevel, MeasuresTheChannelsMeanAgainstFullScale) {
  // A full-scale sine is -3 dB; two equal channels read as one.
  const LevelCurve one = MeasureLevel(Sound({Tone(440, kRate, 1, 1, 32767)}, kRate));
  EXPECT_NEAR(one.peakDb, -3.01, 0.05);
  const auto half = Tone(440, kRate, 1, 1, 16384);
  const LevelCurve two = MeasureLevel(Sound({half, half}, kRate));
  EXPECT_NEAR(two.peakDb, -9.03, 0.05);
  EXPECT_EQ(two.blockFrames, 441u);
  EXPECT_EQ(two.db.size(), 100u);
}

TEST(SoundLevel, TheSteadyPartLiesAfterTheAttackAndBeforeTheFade) {
  struct Case {
    const char* what;
    std::function<double(double)> level;
    double seconds;
    double firstStart, lastStart;  // seconds; the steady part starts in between
    double firstEnd, lastEnd;      // and ends in between; all 0: no steady part
  };
  const Case cases[] = {
      {"held after a fast attack", Attacked, 2, 0.05, 0.3, 1.9, 2},
      {"held, with 5 Hz tremolo of 6 dB",
       [](double t) { return Attacked(t) + 3 * std::sin(2 * std::numbers::pi * 5 * t); }, 2,
       0.05, 0.3, 1.9, 2},
      {"faded out over its last half second",
       [](double t) { return t < 1.5 ? Attacked(t) : -120 * (t - 1.5); }, 2, 0.05, 0.3, 1.3,
       1.55},
      {"swelling for a second, then held",
       [](double t) { return t < 1 ? -40 + 40 * t : 0.0; }, 3, 1.0, 1.3, 2.9, 3},
      {"decaying at 20 dB a second", [](double t) { return -20 * t; }, 2, 0, 0, 0, 0},
      {"decaying at 60 dB a second", [](double t) { return -60 * t; }, 2, 0, 0, 0, 0},
      {"a drum: 5 ms up, then 40 dB a second down",
       [](double t) { return t < 0.005 ? -60 + 12000 * t : -40 * t; }, 1.5, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const SoundFrames sound = Sound({Tone(220, kRate, c.seconds, 6, 16000, c.level)}, kRate);
    const FrameRange steady = FindSteadyPart(MeasureLevel(sound));
    if (c.lastEnd == 0) {
      EXPECT_LT(steady.length(), 0.1 * kRate) << c.what;
      continue;
    }
    EXPECT_GE(steady.start, c.firstStart * kRate) << c.what;
    EXPECT_LE(steady.start, c.lastStart * kRate) << c.what;
    EXPECT_GE(steady.end, c.firstEnd * kRate) << c.what;
    EXPECT_LE(steady.end, c.lastEnd * kRate) << c.what;
  }
}

TEST(SoundLevel, SilenceHasNoSteadyOrSoundingPart) {
  const SoundFrames silence = Sound({std::vector<float>(kRate, 0.0F)}, kRate);
  const LevelCurve level = MeasureLevel(silence);
  EXPECT_EQ(FindSteadyPart(level).length(), 0u);
  EXPECT_EQ(FindSoundingPart(level).length(), 0u);
}

TEST(SoundLevel, TheSoundingPartRunsFromTheLoudestMomentUntil30DbBelow) {
  // Up in 0.1 s, then down 20 dB a second: 30 dB below the loudest 200 ms (-1.7 dB) 1.5 s
  // later.
  const SoundFrames sound = Sound(
      {Tone(220, kRate, 3, 1, 16000, [](double t) { return t < 0.1 ? 100 * t - 10 : 2 - 20 * t; })},
      kRate);
  const FrameRange part = FindSoundingPart(MeasureLevel(sound));
  EXPECT_NEAR(part.start, 0.1 * kRate, 0.06 * kRate);
  EXPECT_NEAR(part.end, 1.68 * kRate, 0.04 * kRate);
}

}  // namespace
}  // namespace tolvane
