// The YIN estimator's error bounds over the pitches it is asked for, with and without
// harmonics, and what it makes of sounds without a pitch.

#include "analysis/yin.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/sample_pitch.h"
#include "tests/analysis/signals.h"

namespace tolvane {
namespace {

using testing::kAbsent;
using testing::Noise;
using testing::Partials;
using testing::Tone;

double Cents(double measured, double hz) {
  return 1200 * std::log2(measured / hz);
}

TEST(YinPitch, FindsTonesFrom40HzTo4kHzWithinTheirBounds) {
  // The worst errors measured were 0.15 and 0.5 cents (at 22050 Hz, 440 Hz and 3520 Hz).
  constexpr double kSineCents = 1;
  constexpr double kHarmonicCents = 2;
  for (const std::uint32_t rate : {22050u, 32000u, 44100u, 96000u}) {
    YinPitch yin(rate);
    for (const double hz : {40.0, 41.2, 55.0, 98.0, 261.6, 440.0, 987.8, 2093.0, 3520.0, 4000.0}) {
      for (const int harmonics : {1, 2, 12}) {
        const auto tone = Tone(hz, rate, 0.2, harmonics);
        const PeriodEstimate estimate = yin.Estimate(tone);
        const double bound = harmonics == 1 ? kSineCents : kHarmonicCents;
        EXPECT_NEAR(Cents(estimate.hz, hz), 0, bound)
            << hz << " Hz at " << rate << ", " << harmonics << " harmonics";
        EXPECT_LT(estimate.aperiodicity, kYinThreshold) << hz << " Hz at " << rate;
      }
    }
  }
}

TEST(YinPitch, AWeakFundamentalBelowStrongOvertonesIsStillTheFundamental) {
  // Harmonics 2 and 3 at 4 and 3 times the fundamental's amplitude: the dip at the octave is
  // shallower than the period's.
  const std::uint32_t rate = 44100;
  for (const double hz : {65.4, 220.0, 880.0}) {
    std::vector<float> tone = Tone(hz, rate, 0.2);
    const auto second = Tone(2 * hz, rate, 0.2, 1, 4 * 16000);
    const auto third = Tone(3 * hz, rate, 0.2, 1, 3 * 16000);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (tone[i] + second[i] + third[i]) / 8;
    YinPitch yin(rate);
    EXPECT_NEAR(Cents(yin.Estimate(tone).hz, hz), 0, 6) << hz;
  }
}

// Partial levels (dB) with the fundamental weak or missing under a strong second partial: the
// first dip comes at half the period, well under the threshold.
struct WeakFundamental {
  const char* what;
  std::vector<double> db;
};
const WeakFundamental kWeakFundamentals[] = {
    {"fundamental 14 dB under the octave", {-14, 0}},
    {"fundamental and third 20 dB under the octave (a bassoon)", {-20, 0, -20, -6}},
    {"no fundamental, a weak third (a slapped bass)", {kAbsent, 0, -15, -6, -20}},
    {"fundamental 25 dB under, odd partials about 20 dB under (a double bass)",
     {-25, 0, -22, -3, -20, -6}},
};

TEST(YinPitch, AWeakOrMissingFundamentalUnderAStrongOctaveIsTheFundamental) {
  constexpr double kBoundCents = 2;
  for (const std::uint32_t rate : {22050u, 44100u, 96000u}) {
    YinPitch yin(rate);
    for (const double hz : {41.2, 65.4, 110.0, 261.6, 587.3, 1318.5, 2093.0}) {
      for (const WeakFundamental& c : kWeakFundamentals) {
        const PeriodEstimate estimate = yin.Estimate(Partials(hz, rate, 0.2, c.db));
        EXPECT_NEAR(Cents(estimate.hz, hz), 0, kBoundCents)
            << c.what << ", " << hz << " Hz at " << rate;
        EXPECT_LT(estimate.aperiodicity, kYinThreshold) << c.what << ", " << hz << " Hz";
      }
    }
  }
}

TEST(YinPitch, ALongerPeriodThatAddsLittleIsNotTaken) {
  // A partial an octave under the tone (40 dB down) or an odd one between its partials (30 dB
  // down, at 3.5 times its pitch) makes the sound repeat at twice the period, but leaves the
  // tone's own period nearly as good a match: the tone's pitch is what is heard.
  const std::uint32_t rate = 44100;
  YinPitch yin(rate);
  for (const double hz : {110.0, 440.0, 1760.0}) {
    const auto tone = Tone(hz, rate, 0.2, 4);
    const auto octaveDown = Tone(hz / 2, rate, 0.2, 1, 80);
    const auto between = Tone(3.5 * hz, rate, 0.2, 1, 250);
    std::vector<float> withOctave(tone.size()), withBetween(tone.size());
    for (std::size_t i = 0; i < tone.size(); ++i) {
      withOctave[i] = tone[i] + octaveDown[i];
      withBetween[i] = tone[i] + between[i];
    }
    EXPECT_NEAR(Cents(yin.Estimate(withOctave).hz, hz), 0, 2) << hz << " Hz, octave down";
    EXPECT_NEAR(Cents(yin.Estimate(withBetween).hz, hz), 0, 2) << hz << " Hz, 3.5 times";
  }
}

TEST(YinPitch, NoiseAndSilenceAreAperiodic) {
  YinPitch yin(44100);
  for (const unsigned seed : {1u, 2u, 3u}) {
    EXPECT_GT(yin.Estimate(Noise(44100, 0.1, 6000, seed)).aperiodicity, kMostAperiodicity) << seed;
  }
  const std::vector<float> silence(yin.frameLength(), 0.0F);
  EXPECT_EQ(yin.Estimate(silence).aperiodicity, 1);
}

TEST(YinPitch, AFrameCoversTwoOfTheLongestPeriods) {
  for (const std::uint32_t rate : {8000u, 44100u, 192000u}) {
    const YinPitch yin(rate);
    EXPECT_GE(yin.frameLength(), 2 * rate / kLowestPitchHz) << rate;
    EXPECT_LE(yin.frameLength(), 2 * rate / kLowestPitchHz + 8) << rate;
  }
}

}  // namespace
}  // namespace tolvane
