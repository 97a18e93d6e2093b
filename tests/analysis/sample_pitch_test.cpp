// The pitch of whole made-up samples, and keys and corrections from frequencies.

#include "analysis/sample_pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/analysis/signals.h"

namespace tolvane {
namespace {

using testing::Attacked;
using testing::kAbsent;
using testing::Noise;
using testing::Partials;
using testing::Sound;
using testing::Tone;

std::optional<SamplePitch> PitchOf(const std::vector<float>& values, std::uint32_t rate) {
  const SoundFrames sound = Sound({values}, rate);
  const LevelCurve level = MeasureLevel(sound);
  return MeasureSamplePitch(sound, level, FindSteadyPart(level));
}

TEST(SamplePitch, KeysAndCorrectionsFromFrequencies) {
  EXPECT_DOUBLE_EQ(KeyOfFrequency(440), 69);
  EXPECT_NEAR(KeyOfFrequency(261.6256), 60, 1e-4);
  EXPECT_NEAR(KeyOfFrequency(880), 81, 1e-9);
  struct Case {
    double key;
    std::uint32_t root;
    std::int32_t cents;
  };
  const Case cases[] = {{60, 60, 0}, {60.2, 60, -20}, {59.7, 60, 30}, {60.5, 61, 50},
                        {-3, 0, 0},  {130, 127, 0},   {0.4, 0, -40},  {126.9, 127, 10}};
  for (const Case& c : cases) {
    const RootKey root = RootKeyOf(c.key);
    EXPECT_EQ(root.key, c.root) << c.key;
    EXPECT_EQ(root.cents, c.cents) << c.key;
  }
}

TEST(SamplePitch, HeldDecayingAndShortTonesHaveTheirPitch) {
  struct Case {
    const char* what;
    std::vector<float> values;
    std::uint32_t rate;
    double hz;
  };
  const Case cases[] = {
      {"held saw", Tone(110, 44100, 2, 12, 16000, Attacked), 44100, 110},
      {"held sine, 48 kHz", Tone(1318.5, 48000, 1, 1, 16000, Attacked), 48000, 1318.5},
      {"plucked: 25 dB a second down",
       Tone(82.4, 44100, 2, 8, 16000, [](double t) { return -25 * t; }), 44100, 82.4},
      {"short: 0.1 s", Tone(587.3, 22050, 0.1, 4), 22050, 587.3},
      {"low, 40 Hz", Tone(40, 32000, 1.5, 8, 16000, Attacked), 32000, 40},
      {"high, 4 kHz", Tone(4000, 44100, 1, 3, 16000, Attacked), 44100, 4000},
      {"held, fundamental and third 20 dB under the octave",
       Partials(116.5, 44100, 1.5, {-20, 0, -20, -6, -15}, 16000, Attacked), 44100, 116.5},
      {"plucked, no fundamental: 20 dB a second down",
       Partials(49, 32000, 2, {kAbsent, 0, -15, -6}, 16000, [](double t) { return -20 * t; }),
       32000, 49},
  };
  for (const Case& c : cases) {
    const auto pitch = PitchOf(c.values, c.rate);
    ASSERT_TRUE(pitch) << c.what;
    EXPECT_NEAR(1200 * std::log2(pitch->hz / c.hz), 0, 10) << c.what;
    EXPECT_NEAR(pitch->key, KeyOfFrequency(c.hz), 0.1) << c.what;
    EXPECT_GE(pitch->agreeing, pitch->frames * kLeastAgreeingShare) << c.what;
  }
}

TEST(SamplePitch, ACheckSeeksMoreThanTwoOctavesBelowWithShorterFrames) {
  struct Case {
    double meantHz;
    double lowestHz;
  };
  const Case cases[] = {{20, 35},  {110, 35},  {165, 35},   {261.6, 35},
                        {340, 70}, {880, 140}, {4186, 560}, {20000, 2240}};
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(LowestPitchToCheck(c.meantHz), c.lowestHz) << c.meantHz;
  EXPECT_LT(PitchFrameLength(44100, 140), PitchFrameLength(44100) / 3);
  // A tone two octaves below what was meant is still found with the shorter frames.
  const std::vector<float> tone = Tone(220, 44100, 1, 6, 16000, Attacked);
  const SoundFrames sound = Sound({tone}, 44100);
  const MonoReader read = [&sound](std::size_t from, std::span<float> out) {
    std::copy_n(sound.mono.begin() + static_cast<std::ptrdiff_t>(from), out.size(), out.begin());
  };
  const auto pitch = MeasureSamplePitch(read, 44100, {4410, 44100}, 3, LowestPitchToCheck(880));
  ASSERT_TRUE(pitch);
  EXPECT_NEAR(pitch->hz, 220, 1);
  EXPECT_EQ(pitch->frames, 3u);
}

TEST(SamplePitch, NoPitchInNoiseSilenceAGlideOrTooShortASound) {
  EXPECT_FALSE(PitchOf(Noise(44100, 1), 44100));
  EXPECT_FALSE(PitchOf(std::vector<float>(44100, 0.0F), 44100));
  // Two octaves down in a second: the frames disagree.
  std::vector<float> glide(44100);
  double phase = 0;
  for (std::size_t i = 0; i < glide.size(); ++i) {
    phase += 2 * std::numbers::pi * 880 * std::exp2(-2.0 * i / 44100) / 44100;
    glide[i] = static_cast<float>(12000 * std::sin(phase));
  }
  EXPECT_FALSE(PitchOf(glide, 44100));
  EXPECT_FALSE(PitchOf(Tone(440, 44100, 0.02), 44100));
}

}  // namespace
}  // namespace tolvane
