// The sampler through its public operations, against sample data the tests make.

#include "audition/sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "audition/offline_render.h"
#include "tests/audition/instrument_builder.h"

namespace tolvane {
namespace {

using test_support::Constant;
using test_support::InstrumentBuilder;
using test_support::Noise;
using test_support::Sine;
using test_support::TestSample;

constexpr double kRate = 44100;
// The default attack and hold (-12000 timecents each) are over by then.
constexpr std::size_t kAfterAttack = 100;

MidiMessage NoteOn(std::uint8_t key, std::uint8_t velocity = 127) {
  return {0x90, key, velocity};
}
MidiMessage NoteOff(std::uint8_t key) {
  return {0x80, key, 0};
}
MidiMessage Control(std::uint8_t number, std::uint8_t value) {
  return {0xB0, number, value};
}

// `frames` frames from the sampler, left and right, in full scale 1.0.
std::vector<float> RenderFloat(Sampler& sampler, std::size_t frames) {
  std::vector<float> out(2 * frames);
  // In uneven blocks, as a device asks for them.
  for (std::size_t at = 0; at < frames;) {
    const std::size_t n = std::min<std::size_t>(frames - at, 61 + at % 200);
    sampler.Render(std::span(out).subspan(2 * at, 2 * n));
    at += n;
  }
  return out;
}

std::vector<std::int16_t> Render16(Sampler& sampler, std::size_t frames) {
  std::vector<std::int16_t> out;
  ToPcm16(RenderFloat(sampler, frames), out);
  return out;
}

TEST(SamplerTest, RootKeyPlaysTheSampleUnchangedAndOctaveUpEveryOtherFrame) {
  const std::vector<std::int16_t> values = Noise(4000);
  for (const std::uint8_t key : {60, 72}) {
    SCOPED_TRACE(int{key});
    InstrumentBuilder builder;
    builder.AddZone(builder.AddSample({.values = values}));
    Sampler sampler(kRate);
    sampler.SetInstrument(builder.Playable());
    ASSERT_TRUE(sampler.Post(NoteOn(key)));
    const std::size_t step = key == 60 ? 1 : 2;
    const auto out = Render16(sampler, values.size() / step + 50);
    for (std::size_t k = kAfterAttack; k < values.size() / step; ++k) {
      ASSERT_EQ(out[2 * k], values[step * k]) << k;
      ASSERT_EQ(out[2 * k + 1], values[step * k]) << k;
    }
    // An unlooped sample ends the voice at its end.
    EXPECT_EQ(sampler.ActiveVoices(), 0U);
    EXPECT_EQ(out[2 * (values.size() / step + 10)], 0);
  }
}

TEST(SamplerTest, RateAndTuningSetThePitch) {
  // Each case must land on the octave: frame k is sample frame 2k.
  struct Case {
    const char* name;
    std::uint32_t rate;
    std::uint8_t key;
    std::uint8_t overridingRootKey;
    std::int16_t scaleTuning;
    std::int8_t coarseTune;
  } const cases[] = {
      {"sample at twice the rate", 88200, 60, 0, 0, 0},
      {"overriding root key", 44100, 60, 48, 0, 0},
      {"coarse tune", 44100, 60, 0, 0, 12},
      {"scale tuning", 44100, 61, 0, 1200, 0},
  };
  const std::vector<std::int16_t> values = Noise(2000, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstrumentBuilder builder;
    builder.AddZone(builder.AddSample({.values = values, .rate = c.rate}), [&](Zone& z) {
      z.mapping.overridingRootKey = c.overridingRootKey;
      z.mapping.scaleTuning = c.scaleTuning;
      z.mapping.coarseTune = c.coarseTune;
    });
    Sampler sampler(kRate);
    sampler.SetInstrument(builder.Playable());
    sampler.Post(NoteOn(c.key));
    const auto out = Render16(sampler, values.size() / 2);
    for (std::size_t k = kAfterAttack; k < values.size() / 2; ++k)
      ASSERT_EQ(out[2 * k], values[2 * k]) << k;
  }
}

TEST(SamplerTest, LoopContinuesWithoutAJump) {
  // Ten periods of 100 frames between the loop points: a seamless loop.
  const std::vector<std::int16_t> values = Sine(3000, 100, 20000);
  InstrumentBuilder builder;
  builder.AddZone(builder.AddSample({.values = values, .loopStart = 1000, .loopEnd = 2000}),
                  [](Zone& z) { z.mapping.flags = ZoneLoop; });
  const auto instrument = builder.Playable();

  // At the root key the frames after the loop end are those after its start.
  Sampler root(kRate);
  root.SetInstrument(instrument);
  root.Post(NoteOn(60));
  const auto out = Render16(root, 5500);
  for (std::size_t k = kAfterAttack; k < 5500; ++k) {
    const std::size_t expected = k < 2000 ? k : 1000 + (k - 2000) % 1000;
    ASSERT_EQ(out[2 * k], values[expected]) << k;
  }

  // Between frames, through many loop ends and the release, no step is larger than the sine's
  // steepest one at that pitch.
  Sampler tuned(kRate);
  tuned.SetInstrument(instrument);
  tuned.Post(NoteOn(67));
  const auto played = RenderFloat(tuned, 20000);
  EXPECT_EQ(tuned.ActiveVoices(), 1U);
  const double ratio = std::exp2(7.0 / 12.0);
  const double steepest = 20000.0 / 32768.0 * 2 * std::numbers::pi / 100 * ratio;
  for (std::size_t k = kAfterAttack + 1; k < 20000; ++k)
    ASSERT_LE(std::abs(played[2 * k] - played[2 * (k - 1)]), steepest * 1.01 + 2.0 / 32768) << k;
}

TEST(SamplerTest, SineSevenKeysUpIsCleanAndInTune) {
  // 441 Hz, looped over whole periods; rendered 7 keys up.
  const std::vector<std::int16_t> values = Sine(44100, 100, 16000);
  InstrumentBuilder builder;
  builder.AddZone(builder.AddSample({.values = values, .loopStart = 100, .loopEnd = 44100}),
                  [](Zone& z) { z.mapping.flags = ZoneLoop; });
  Sampler sampler(kRate);
  sampler.SetInstrument(builder.Playable());
  sampler.Post(NoteOn(67));
  const auto out = RenderFloat(sampler, 30000);

  // Least squares fit of a sine at the expected frequency; what it leaves is distortion and
  // noise, and a frequency off by a fraction of a cent would leave much more.
  const double w = 2 * std::numbers::pi / 100 * std::exp2(7.0 / 12.0);
  double ss = 0, sc = 0, cc = 0, xs = 0, xc = 0, xx = 0;
  const std::size_t first = 1000, last = 30000;
  for (std::size_t k = first; k < last; ++k) {
    const double s = std::sin(w * static_cast<double>(k)), c = std::cos(w * static_cast<double>(k));
    const double x = out[2 * k];
    ss += s * s, sc += s * c, cc += c * c, xs += x * s, xc += x * c, xx += x * x;
  }
  const double det = ss * cc - sc * sc;
  const double a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
  const double fitted = a * xs + b * xc;  // energy of the fitted sine
  const double residual = xx - fitted;
  EXPECT_NEAR(std::sqrt(a * a + b * b), 16000.0 / 32768.0, 1e-3);
  EXPECT_LT(10 * std::log10(std::max(residual, 1e-30) / fitted), -60.0);
}

TEST(SamplerTest, KeyAndVelocityRangesChooseTheZones) {
  // Constant samples whose values add up to tell which zones sound.
  InstrumentBuilder builder;
  auto zone = [&](std::int16_t value, int keyLow, int keyHigh, int velLow, int velHigh) {
    builder.AddZone(
        builder.AddSample({.values = Constant(1000, value), .loopStart = 10, .loopEnd = 1000}),
        [&](Zone& z) {
          z.mapping.keyLow = static_cast<std::uint8_t>(keyLow);
          z.mapping.keyHigh = static_cast<std::uint8_t>(keyHigh);
          z.mapping.velLow = static_cast<std::uint8_t>(velLow);
          z.mapping.velHigh = static_cast<std::uint8_t>(velHigh);
          z.mapping.flags = ZoneLoop;
        });
  };
  zone(1000, 0, 59, 0, 127);
  zone(2000, 60, 127, 0, 99);
  zone(4000, 60, 127, 100, 127);
  zone(8000, 64, 64, 0, 127);
  const auto instrument = builder.Playable();
  struct Case {
    std::uint8_t key, velocity;
    int expected;  // at velocity 127
  } const cases[] = {
      {0, 127, 1000},   {59, 127, 1000}, {60, 99, 2000},   {60, 100, 4000},
      {64, 127, 12000}, {64, 1, 10000},  {127, 127, 4000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.key} << " at " << int{c.velocity});
    Sampler sampler(kRate);
    sampler.SetInstrument(instrument);
    sampler.Post(NoteOn(c.key, c.velocity));
    const auto out = RenderFloat(sampler, 300);
    // The default velocity curve: the square of velocity / 127.
    const double gain = c.velocity * c.velocity / (127.0 * 127.0);
    EXPECT_NEAR(out[598] * 32768, c.expected * gain, 0.5);
  }
}

TEST(SamplerTest, PanAttenuationStereoAndDualZones) {
  struct Case {
    const char* name;
    std::uint32_t channels;
    std::uint8_t flags;
    int pan;  // in the zone's units, -100..100
    int attenuation;
    double left, right;
  } const cases[] = {
      {"mono centre", 1, 0, 0, 0, 8000, 8000},
      {"mono half right", 1, 0, 50, 0, 4000, 8000},
      {"mono hard left", 1, 0, -100, 0, 8000, 0},
      {"mono 6 dB down", 1, 0, 0, 6, 8000 * 0.501187, 8000 * 0.501187},
      {"stereo", 2, ZoneStereo, 0, 0, 8000, -4000},
      {"dual, half right and half left", 1, ZoneDual, 50, 0, 12000, 12000},
      {"dual, hard left and hard right", 1, ZoneDual, -100, 0, 8000, 8000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::int16_t> values;
    for (int i = 0; i < 1000; ++i) {
      values.push_back(8000);
      if (c.channels == 2) values.push_back(-4000);
    }
    InstrumentBuilder builder;
    Sample* sample = builder.AddSample(
        {.values = values, .channels = c.channels, .loopStart = 10, .loopEnd = 1000});
    builder.AddZone(sample, [&](Zone& z) {
      z.mapping.flags = static_cast<std::uint8_t>(c.flags | ZoneLoop);
      z.parameters.SetSigned(ZoneParameters::pan, c.pan);
      z.parameters.bytes[ZoneParameters::attenuation] = static_cast<std::uint8_t>(c.attenuation);
    });
    // A second zone elsewhere on the keyboard, so that averaging makes the first one relative.
    builder.AddZone(sample, [](Zone& z) { z.mapping.keyLow = z.mapping.keyHigh = 0; });
    Sampler sampler(kRate);
    sampler.SetInstrument(builder.Playable());
    sampler.Post(NoteOn(60));
    const auto out = RenderFloat(sampler, 300);
    EXPECT_NEAR(out[598] * 32768, c.left, 0.5);
    EXPECT_NEAR(out[599] * 32768, c.right, 0.5);
  }
}

TEST(SamplerTest, StoredDifferencesPlayFromTheZoneDefaults) {
  struct Case {
    const char* name;
    bool differencesOnly;
    int attenuation;  // the zone's stored value
    std::int32_t cutoff, attack;
    double attenuationDb;
  } const cases[] = {
      // A SiFi zone at its instrument's average stores all zeros: a closed filter and
      // envelope stages of 1 timecent, were they played as they stand.
      {"zeros, as stored", false, 0, 0, 0, 0},
      {"zeros, from the defaults", true, 0, 13500, -12000, 0},
      {"6 dB down, from the defaults", true, 6, 13500, -12000, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstrumentBuilder builder;
    builder.AddZone(builder.AddSample({.values = Constant(100, 1000)}), [&](Zone& z) {
      z.parameters = ZoneParameters{};
      z.parameters.words.fill(0);
      z.parameters.bytes.fill(0);
      z.parameters.bytes[ZoneParameters::attenuation] = static_cast<std::uint8_t>(c.attenuation);
    });
    const auto playable =
        c.differencesOnly ? builder.PlayableFromDifferences() : MakePlayable(builder.instrument());
    ASSERT_EQ(playable->zones.size(), 1u);
    const PlayableZone& zone = playable->zones[0];
    EXPECT_EQ(zone.filterCutoff, c.cutoff);
    EXPECT_EQ(zone.envelope.attack, c.attack);
    EXPECT_EQ(zone.envelope.release, c.attack);
    EXPECT_NEAR(zone.attenuationDb, c.attenuationDb, 1e-9);
  }
}

// A held, looped constant sample with a release of `releaseTimecents`.
std::shared_ptr<const PlayableInstrument> Sustained(int releaseTimecents = -12000) {
  InstrumentBuilder builder;
  builder.AddZone(
      builder.AddSample({.values = Constant(1000, 10000), .loopStart = 10, .loopEnd = 1000}),
      [&](Zone& z) {
        z.mapping.flags = ZoneLoop;
        z.parameters.SetSigned(ZoneParameters::releaseVolEnv, releaseTimecents / 100);
      });
  return builder.Playable();
}

TEST(SamplerTest, ReleaseEndsTheVoice) {
  Sampler sampler(kRate);
  sampler.SetInstrument(Sustained(-1200));  // half a second for 96 dB
  sampler.Post(NoteOn(60));
  RenderFloat(sampler, 44100);
  EXPECT_EQ(sampler.VoicesOf(60), 1U);  // held and looped: it lasts
  sampler.Post(NoteOff(60));
  const auto out = RenderFloat(sampler, 44100 / 4);
  EXPECT_EQ(sampler.VoicesOf(60), 1U);
  // 48 dB down after a quarter of a second.
  EXPECT_NEAR(20 * std::log10(out[2 * (44100 / 4 - 1)] * 32768 / 10000), -48.0, 0.5);
  RenderFloat(sampler, 44100 / 4 + 100);
  EXPECT_EQ(sampler.ActiveVoices(), 0U);
  const auto after = RenderFloat(sampler, 100);
  EXPECT_EQ(after, std::vector<float>(200, 0.0F));
}

TEST(SamplerTest, TheSixtyFifthVoiceStealsTheOldestReleasedThenTheOldest) {
  Sampler sampler(kRate);
  sampler.SetInstrument(Sustained(4800));  // released notes last long
  for (std::uint8_t key = 0; key < 64; ++key) sampler.Post(NoteOn(key));
  RenderFloat(sampler, 200);
  sampler.Post(NoteOff(10));
  sampler.Post(NoteOff(20));
  RenderFloat(sampler, 10);
  EXPECT_EQ(sampler.ActiveVoices(), 64U);
  struct Step {
    std::uint8_t key, stolen;
  } const steps[] = {{100, 10}, {101, 20}, {102, 0}, {103, 1}};
  for (const Step& s : steps) {
    sampler.Post(NoteOn(s.key));
    RenderFloat(sampler, 10);
    EXPECT_EQ(sampler.ActiveVoices(), 64U);
    EXPECT_EQ(sampler.VoicesOf(s.key), 1U);
    EXPECT_EQ(sampler.VoicesOf(s.stolen), 0U) << int{s.stolen};
  }
}

TEST(SamplerTest, PitchBendMovesUpToTwoSemitones) {
  const std::vector<std::int16_t> values = Noise(20000, 3);
  InstrumentBuilder builder;
  builder.AddZone(builder.AddSample({.values = values}));
  const auto instrument = builder.Playable();
  auto play = [&](std::uint8_t key, std::uint16_t bend) {
    Sampler sampler(kRate);
    sampler.SetInstrument(instrument);
    sampler.Post(
        {0xE0, static_cast<std::uint8_t>(bend & 0x7F), static_cast<std::uint8_t>(bend >> 7)});
    sampler.Post(NoteOn(key));
    return Render16(sampler, 5000);
  };
  const auto centre = play(60, 8192);
  EXPECT_EQ(play(58, 8192), play(60, 0));  // the full throw down
  EXPECT_NE(centre, play(60, 0));
  EXPECT_NE(centre, play(60, 16383));

  // A bend moves a sounding note too: octave up, then a whole tone down from there.
  Sampler sampler(kRate);
  sampler.SetInstrument(instrument);
  sampler.Post(NoteOn(72));
  Render16(sampler, 1000);
  sampler.Post({0xE0, 0, 0});
  const auto bent = Render16(sampler, 1000);
  const double step = std::exp2(10.0 / 12.0);
  const auto at = [&](std::size_t k) { return 2000 + step * static_cast<double>(k); };
  for (std::size_t k = 0; k < 1000; ++k) {
    // Where the bend lands on a whole frame, that frame is played as it is.
    if (at(k) == std::floor(at(k))) {
      ASSERT_EQ(bent[2 * k], values[static_cast<std::size_t>(at(k))]) << k;
    }
  }
}

TEST(SamplerTest, SustainPedalHoldsReleasedNotes) {
  Sampler sampler(kRate);
  sampler.SetInstrument(Sustained());
  sampler.Post(Control(64, 127));
  sampler.Post(NoteOn(60));
  sampler.Post(NoteOn(62));
  sampler.Post(NoteOff(60));
  RenderFloat(sampler, 1000);
  EXPECT_EQ(sampler.VoicesOf(60), 1U);
  sampler.Post(Control(64, 0));
  RenderFloat(sampler, 1000);
  EXPECT_EQ(sampler.VoicesOf(60), 0U);
  EXPECT_EQ(sampler.VoicesOf(62), 1U);  // still held by its key
  sampler.Post(Control(123, 0));        // all notes off
  RenderFloat(sampler, 1000);
  EXPECT_EQ(sampler.ActiveVoices(), 0U);
}

TEST(SamplerTest, AllSoundOffAndSilenceEndEveryVoiceAtOnce) {
  for (const bool fromControl : {false, true}) {
    Sampler sampler(kRate);
    sampler.SetInstrument(Sustained(4800));
    sampler.Post(NoteOn(60));
    sampler.Post(NoteOn(61));
    RenderFloat(sampler, 200);
    if (fromControl)
      sampler.Silence();
    else
      sampler.Post(Control(120, 0));
    EXPECT_EQ(RenderFloat(sampler, 10), std::vector<float>(20, 0.0F));
    EXPECT_EQ(sampler.ActiveVoices(), 0U);
  }
}

TEST(SamplerTest, AnInstrumentIsKeptWhileAVoicePlaysIt) {
  Sampler sampler(kRate);
  std::weak_ptr<const PlayableInstrument> first;
  {
    auto instrument = Sustained();
    first = instrument;
    sampler.SetInstrument(std::move(instrument));
  }
  sampler.Post(NoteOn(60));
  RenderFloat(sampler, 100);
  sampler.SetInstrument(Sustained());
  RenderFloat(sampler, 100);
  sampler.SetInstrument(nullptr);  // new notes are silent now
  EXPECT_FALSE(first.expired());   // the note still plays it
  sampler.Post(NoteOn(61));
  const auto out = RenderFloat(sampler, 100);
  EXPECT_EQ(sampler.VoicesOf(60), 1U);
  EXPECT_EQ(sampler.VoicesOf(61), 0U);
  EXPECT_NE(out[199], 0.0F);
  sampler.Post(NoteOff(60));
  RenderFloat(sampler, 1000);
  sampler.SetInstrument(nullptr);
  EXPECT_TRUE(first.expired());
}

}  // namespace
}  // namespace tolvane
