// Notes rendered offline into 16-bit frames, and the WAV bytes they are written as.

#include "audition/offline_render.h"

#include <gtest/gtest.h>

#include <cmath>

#include "audition/wave_encoder.h"
#include "base/bytes.h"
#include "tests/audition/instrument_builder.h"

namespace tolvane {
namespace {

using test_support::Constant;
using test_support::InstrumentBuilder;

std::shared_ptr<const PlayableInstrument> Looped(std::int16_t value) {
  InstrumentBuilder builder;
  builder.AddZone(
      builder.AddSample({.values = Constant(1000, value), .loopStart = 10, .loopEnd = 1000}),
      [](Zone& z) {
        z.mapping.flags = ZoneLoop;
        z.parameters.SetSigned(ZoneParameters::releaseVolEnv, -24);  // 1/4 s
      });
  return builder.Playable();
}

TEST(OfflineRenderTest, NotesFollowEachOtherWithTheirPeaks) {
  RenderSettings settings;
  settings.notes = {{60, 127}, {72, 64}};
  settings.holdSeconds = 0.5;
  settings.rate = 22050;
  const RenderedNotes rendered = RenderNotes(Looped(10000), settings);
  ASSERT_EQ(rendered.peaks.size(), 2U);
  EXPECT_EQ(rendered.peaks[0], 10000);
  EXPECT_EQ(rendered.peaks[1], std::lround(10000 * 64.0 * 64.0 / (127.0 * 127.0)));
  // Each note: held, then released until 96 dB down (a quarter of a second), in whole blocks.
  const std::size_t noteFrames = 22050 / 2 + 22050 / 4;
  EXPECT_GE(rendered.frames.size(), 2 * 2 * noteFrames);
  EXPECT_LE(rendered.frames.size(), 2 * 2 * (noteFrames + 512));
  EXPECT_EQ(rendered.frames[2 * 1000], 10000);
  EXPECT_EQ(rendered.frames[2 * 1000 + 1], 10000);
  EXPECT_EQ(rendered.frames.back(), 0);

  // A release longer than allowed is cut at the limit.
  settings.maxReleaseSeconds = 0.1;
  settings.notes.resize(1);
  const std::size_t frames = RenderNotes(Looped(10000), settings).frames.size() / 2;
  EXPECT_EQ(frames, 22050 / 2 + 2205);
}

TEST(OfflineRenderTest, PeaksInDbfs) {
  RenderSettings settings;
  settings.notes = {{60, 127}};
  settings.holdSeconds = 0.1;
  EXPECT_EQ(RenderNotes(Looped(0), settings).peaks, std::vector<std::int32_t>{0});
  EXPECT_EQ(PeakDbfs(0), -INFINITY);
  EXPECT_DOUBLE_EQ(PeakDbfs(32768), 0.0);
  EXPECT_NEAR(PeakDbfs(16384), -6.0206, 1e-4);
  EXPECT_NEAR(PeakDbfs(33), -59.9, 0.05);
}

TEST(OfflineRenderTest, ClipsAndRoundsToSixteenBits) {
  std::vector<std::int16_t> out;
  ToPcm16(std::vector<float>{0.0F, 1.0F, -1.0F, 2.0F, -2.0F, 0.5F / 32768, 1.5F / 32768}, out);
  EXPECT_EQ(out, (std::vector<std::int16_t>{0, 32767, -32768, 32767, -32768, 0, 2}));
}

// A frame counts once however many of its channels were cut; full scale itself is not cut,
// whichever way it is rounded.
TEST(OfflineRenderTest, CountsTheFramesClipped) {
  const std::vector<float> stereo{0.0F,  1.0F,  // 32768 becomes 32767: cut
                                  -1.0F, 0.0F,  // -32768 fits
                                  2.0F,  -2.0F, 32767.4F / 32768, -32768.4F / 32768};
  EXPECT_EQ(ClippedFrames(stereo, 2), 2U);
  EXPECT_EQ(ClippedFrames(stereo, 1), 3U);
  EXPECT_EQ(ClippedFrames(std::vector<float>{}, 2), 0U);
  // Each note counts its own: two zones of 20000 sum beyond 16 bits at full velocity only.
  InstrumentBuilder builder;
  Sample* sample =
      builder.AddSample({.values = Constant(1000, 20000), .loopStart = 10, .loopEnd = 1000});
  for (int zone = 0; zone < 2; ++zone)
    builder.AddZone(sample, [](Zone& z) { z.mapping.flags = ZoneLoop; });
  RenderSettings settings;
  settings.notes = {{60, 127}, {60, 1}};
  settings.holdSeconds = 0.1;
  settings.rate = 10000;
  const RenderedNotes rendered = RenderNotes(builder.Playable(), settings);
  ASSERT_EQ(rendered.clippedFrames.size(), 2U);
  EXPECT_GT(rendered.clippedFrames[0], 900U);  // the held second's tenth, but its attack
  EXPECT_LE(rendered.clippedFrames[0], 1000U + 256U);
  EXPECT_EQ(rendered.peaks[0], 32767);
  EXPECT_EQ(rendered.clippedFrames[1], 0U);
}

TEST(OfflineRenderTest, WaveHeaderDescribesTheFrames) {
  const std::vector<std::int16_t> frames{1, -2, 3, -4, 0x7FFF, -0x8000};
  const auto bytes = EncodeWave16(frames, 2, 48000);
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), 44U + 12U);
  const std::byte* p = bytes->data();
  EXPECT_EQ(LoadU32(p), FourCC("RIFF"));
  EXPECT_EQ(LoadU32(p + 4), 36U + 12U);
  EXPECT_EQ(LoadU32(p + 8), FourCC("WAVE"));
  EXPECT_EQ(LoadU32(p + 12), FourCC("fmt "));
  EXPECT_EQ(LoadU32(p + 16), 16U);
  EXPECT_EQ(LoadU16(p + 20), 1U);
  EXPECT_EQ(LoadU16(p + 22), 2U);
  EXPECT_EQ(LoadU32(p + 24), 48000U);
  EXPECT_EQ(LoadU32(p + 28), 48000U * 4);
  EXPECT_EQ(LoadU16(p + 32), 4U);
  EXPECT_EQ(LoadU16(p + 34), 16U);
  EXPECT_EQ(LoadU32(p + 36), FourCC("data"));
  EXPECT_EQ(LoadU32(p + 40), 12U);
  for (std::size_t i = 0; i < frames.size(); ++i)
    EXPECT_EQ(static_cast<std::int16_t>(LoadU16(p + 44 + 2 * i)), frames[i]);
}

}  // namespace
}  // namespace tolvane
