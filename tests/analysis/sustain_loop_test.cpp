// Sustain loops found in made-up sounds: where there is a steady periodic part, long and on
// rising crossings; none in noise or where nothing is acceptable.

#include "analysis/sustain_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/analysis/signals.h"

namespace tolvane {
namespace {

using testing::Attacked;
using testing::Noise;
using testing::Sound;
using testing::Tone;

constexpr std::uint32_t kRate = 44100;

bool Anything(LoopPoints) {
  return true;
}

// A tone whose pitch wavers by `cents` at 5 Hz.
std::vector<float> Vibrato(double hz, double seconds, double cents) {
  std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
  double phase = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double f = hz * std::exp2(cents / 1200 * std::sin(2 * std::numbers::pi * 5 * t));
    phase += 2 * std::numbers::pi * f / kRate;
    out[i] = static_cast<float>(std::pow(10.0, Attacked(t) / 20) *
                                (9000 * std::sin(phase) + 4000 * std::sin(2 * phase)));
  }
  return out;
}

bool RisesAt(const SoundFrames& sound, std::uint32_t frame) {
  return frame > 0 && sound.mono[frame - 1] < 0 && sound.mono[frame] >= 0;
}

TEST(SustainLoop, FoundInSteadyPeriodicSoundsOnRisingCrossingsAndLong) {
  struct Case {
    const char* what;
    std::vector<std::vector<float>> channels;
  };
  const Case cases[] = {
      {"a sine", {Tone(440, kRate, 2, 1, 16000, Attacked)}},
      {"a low saw", {Tone(41.2, kRate, 2, 20, 16000, Attacked)}},
      {"a high saw", {Tone(3520, kRate, 2, 6, 16000, Attacked)}},
      {"vibrato of 20 cents", {Vibrato(220, 2, 20)}},
      {"stereo, each channel its own tone",
       {Tone(220, kRate, 2, 4, 12000, Attacked), Tone(330, kRate, 2, 3, 12000, Attacked)}},
  };
  for (const Case& c : cases) {
    const SoundFrames sound = Sound(c.channels, kRate);
    const FrameRange steady = FindSteadyPart(MeasureLevel(sound));
    ASSERT_GT(steady.length(), kRate) << c.what;
    const auto found = FindSustainLoop(sound, steady, Anything);
    ASSERT_TRUE(found) << c.what;
    const LoopPoints loop = found->loop;
    EXPECT_TRUE(RisesAt(sound, loop.start) && RisesAt(sound, loop.end)) << c.what;
    EXPECT_GE(loop.start, steady.start) << c.what;
    EXPECT_LE(loop.end, steady.end) << c.what;
    // Longer loops are preferred: most of the steady part.
    EXPECT_GE(loop.end - loop.start, 0.7 * steady.length()) << c.what;
    EXPECT_GE(found->match, kLeastLoopMatch) << c.what;
    EXPECT_EQ(LoopMatch(sound, loop), found->match) << c.what;
  }
}

TEST(SustainLoop, NoneInNoiseOrWhereNothingIsAcceptable) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    const SoundFrames noise = Sound({Noise(kRate, 2, 6000, seed)}, kRate);
    EXPECT_FALSE(FindSustainLoop(noise, {2205, 86000}, Anything)) << seed;
  }
  const SoundFrames tone = Sound({Tone(440, kRate, 2, 3)}, kRate);
  EXPECT_FALSE(FindSustainLoop(tone, {2205, 86000}, [](LoopPoints) { return false; }));
  // Too short a part for the shortest loop.
  EXPECT_FALSE(FindSustainLoop(tone, {10000, 10000 + kRate / 10 - 1}, Anything));
  // A tone that rises a fifth half-way: no end matches a start.
  std::vector<float> fifth = Tone(440, kRate, 1, 3);
  const auto higher = Tone(660, kRate, 1, 3);
  std::copy(higher.begin() + kRate / 2, higher.end(), fifth.begin() + kRate / 2);
  EXPECT_FALSE(FindSustainLoop(Sound({fifth}, kRate), {2205, kRate - 2205}, Anything));
}

TEST(SustainLoop, TheLongestAcceptableLoopIsTaken) {
  const SoundFrames sound = Sound({Tone(440, kRate, 2, 3, 16000, Attacked)}, kRate);
  const FrameRange steady{4410, 84000};
  const auto longest = FindSustainLoop(sound, steady, Anything);
  ASSERT_TRUE(longest);
  const std::uint32_t length = longest->loop.end - longest->loop.start;
  // Refusing every loop longer than half that leaves a shorter one, still at least as long as
  // allowed.
  const auto shorter = FindSustainLoop(sound, steady, [&](LoopPoints loop) {
    return loop.end - loop.start <= length / 2;
  });
  ASSERT_TRUE(shorter);
  EXPECT_LE(shorter->loop.end - shorter->loop.start, length / 2);
  EXPECT_GE(shorter->loop.end - shorter->loop.start, kShortestSustainLoopSeconds * kRate);
}

TEST(SustainLoop, TheMatchComparesTheFramesAroundBothPoints) {
  // 100 frames a period.
  const SoundFrames sound = Sound({Tone(441, kRate, 0.5)}, kRate);
  EXPECT_NEAR(*LoopMatch(sound, {1000, 10000}), 1, 1e-3);        // whole periods
  EXPECT_NEAR(*LoopMatch(sound, {1000, 10050}), -1, 1e-3);       // half a period off
  EXPECT_NEAR(*LoopMatch(sound, {1000, 10025}), 0, 1e-2);        // a quarter: unrelated
  EXPECT_FALSE(LoopMatch(sound, {100, 10000}));                  // before the sound's start
  EXPECT_FALSE(LoopMatch(sound, {1000, sound.frames - 100}));    // past its end
}

}  // namespace
}  // namespace tolvane
