// Samples resampled for an export: rate, frames, loop points and start offsets as written, notes
// played at the pitch they had (heard through the sampler), loops as click-free as they were, on
// made-up tones and on Debian's FluidR3_GM bank; hits of Hydrogen's kits where they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "analysis/sample_pitch.h"
#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/loop_check.h"
#include "export/sample_fitting.h"
#include "import/import_file.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* kKits = "/usr/share/hydrogen/data/drumkits";

// The pitch of `key` held for a second, measured over its held part (Hz); 0 when none is found.
double RenderedPitch(const Instrument& instrument, const ExportGroup* written, std::uint8_t key) {
  RenderSettings settings;
  settings.notes = {{key, 100}};
  settings.holdSeconds = 1.0;
  settings.maxReleaseSeconds = 0.01;
  const RenderedNotes rendered = RenderNotes(MakePlayable(instrument, written), settings);
  const MonoReader left = [&](std::size_t from, std::span<float> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = rendered.frames[2 * (from + i)];
  };
  const FrameRange held{settings.rate / 5, settings.rate * 9 / 10};
  const auto pitch = MeasureSamplePitch(left, settings.rate, held);
  return pitch ? pitch->hz : 0;
}

double Cents(double from, double to) {
  return 1200 * std::log2(to / from);
}

struct RateCase {
  const char* name;
  std::uint32_t rate, channels, frames;
  double hz;             // a sine
  LoopPoints loop;       // of the sample
  bool played;           // by the zone
  std::uint32_t offset;  // the zone's start, frames
  std::uint32_t asked;
  // What is written.
  std::uint32_t writtenRate, writtenFrames;
  LoopPoints writtenLoop;
  std::uint32_t writtenOffset;
};

class RateFitTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(RateFitTest, WritesTheSampleAtTheRateAndTheNoteAtItsPitch) {
  const RateCase& c = GetParam();
  Library library;
  Source& source = CreateSource(library, "tones.sf2");
  auto made = CreateInstrument(source, "Tone", "Tone", SoundIdHash("TONE"));
  std::vector<std::int16_t> values;
  for (std::uint32_t f = 0; f < c.frames; ++f)
    for (std::uint32_t ch = 0; ch < c.channels; ++ch)
      values.push_back(static_cast<std::int16_t>(std::lround(
          (ch == 0 ? 12000 : 6000) * std::sin(2 * std::numbers::pi * c.hz * f / c.rate))));
  SampleRequest request;
  request.name = "tone";
  request.key.first = 1;
  request.sampleRate = c.rate;
  request.channels = c.channels;
  request.frames = c.frames;
  request.loopStart = c.loop.start;
  request.loopEnd = c.loop.end;
  request.rootKey = 69;
  Sample* sample = AddSample(*made, request, SampleData(values));
  Zone zone;
  InitZone(zone);
  zone.mapping.startOffset = static_cast<std::int32_t>(2 * c.offset);
  if (c.played) zone.mapping.flags |= ZoneLoop;
  if (c.channels == 2) zone.mapping.flags |= ZoneStereo;
  SetZoneSample(zone, sample);
  AddZone(*made, zone);
  const Instrument& original = AddInstrument(library, std::move(made));

  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, original);
  const FitSavings saved =
      FitExportSet(*set, SampleFitting{std::nullopt, MonoFold::kNone, c.asked});
  const ExportGroup& group = set->groups[0];
  const Sample& written = *group.members[0]->zones[0].sample;
  EXPECT_EQ(written.sampleRate, c.writtenRate);
  EXPECT_EQ(written.frames, c.writtenFrames);
  EXPECT_EQ(written.data.size(), std::size_t{c.writtenFrames} * c.channels);
  EXPECT_EQ((LoopPoints{written.loopStart, written.loopEnd}), c.writtenLoop);
  EXPECT_EQ(group.members[0]->zones[0].mapping.startOffset,
            static_cast<std::int32_t>(2 * c.writtenOffset));
  const bool resampled = c.writtenRate != c.rate;
  EXPECT_EQ(saved.resampledSamples, resampled ? 1u : 0u);
  EXPECT_EQ(saved.resampledBytes, std::uint64_t{c.frames - c.writtenFrames} * 2 * c.channels);
  EXPECT_EQ(saved.loopFittedSamples, resampled && c.writtenRate != c.asked ? 1u : 0u);
  // The library keeps its sample.
  EXPECT_EQ(original.zones[0].sample, sample);
  EXPECT_EQ(sample->sampleRate, c.rate);

  const double before = RenderedPitch(original, nullptr, 69);
  const double after = RenderedPitch(*group.members[0], &group, 69);
  ASSERT_GT(before, 0);
  EXPECT_NEAR(before, c.hz, c.hz * 0.001);
  EXPECT_LT(std::abs(Cents(before, after)), 1.0) << before << " Hz, then " << after << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Cases, RateFitTest,
                         ::testing::Values(
                             // 32000 / 44100 of 60,000 frames and of a start at 4410.
                             RateCase{"UnloopedAtTheRateAsked",
                                      44100,
                                      1,
                                      60000,
                                      441,
                                      {},
                                      false,
                                      4410,
                                      32000,
                                      32000,
                                      43537,
                                      {},
                                      3200},
                             // One period of 100 frames, looped: 72.56 frames would play 438.4 Hz
                             // at 32000 Hz as 73; 73 frames at 44100 x 73/100 Hz play 441 Hz.
                             RateCase{"ASingleCycleLoopStaysWhole",
                                      44100,
                                      1,
                                      30000,
                                      441,
                                      {20000, 20100},
                                      true,
                                      0,
                                      32000,
                                      32193,
                                      21900,
                                      {14600, 14673},
                                      0},
                             // 21768.7 frames make 21769: at 32000.4 Hz, written as 32000.
                             RateCase{"ALongLoop",
                                      44100,
                                      1,
                                      60000,
                                      441,
                                      {10000, 40000},
                                      true,
                                      0,
                                      32000,
                                      32000,
                                      43538,
                                      {7256, 29025},
                                      0},
                             RateCase{"ALoopNoZonePlaysIsRounded",
                                      44100,
                                      1,
                                      60000,
                                      441,
                                      {10050, 10150},
                                      false,
                                      0,
                                      32000,
                                      32000,
                                      43537,
                                      {7293, 7365},
                                      0},
                             // 45.94 frames make 46, at 48000 x 46/100 Hz.
                             RateCase{"StereoAt48k",
                                      48000,
                                      2,
                                      48000,
                                      480,
                                      {24000, 24100},
                                      true,
                                      1000,
                                      22050,
                                      22080,
                                      22080,
                                      {11040, 11086},
                                      460},
                             RateCase{"AtTheRateStays",
                                      32000,
                                      1,
                                      32000,
                                      400,
                                      {16000, 16080},
                                      true,
                                      0,
                                      32000,
                                      32000,
                                      32000,
                                      {16000, 16080},
                                      0}),
                         [](const ::testing::TestParamInfo<RateCase>& rate) {
                           return std::string(rate.param.name);
                         });

std::vector<const Instrument*> Melodic(const Library& library) {
  std::vector<const Instrument*> melodic;
  for (const auto& instrument : library.instruments)
    if (instrument->program && instrument->program->bank < 128 &&
        instrument->program->program < 112)
      melodic.push_back(instrument.get());
  return melodic;
}

// Every melodic instrument of FluidR3_GM at 32000 Hz: a root key it plays sounds at the pitch it
// had, and no loop clicks that did not click before.
TEST(RateRealDataTest, FluidR3NotesKeepTheirPitchAndLoopsTheirJunction) {
  if (!std::filesystem::exists(kFluidR3)) GTEST_SKIP() << kFluidR3 << " is not installed";
  Library bank;
  SoundDatabase database;
  ImportSettings settings;
  settings.soundFont = SoundFontMode::Presets;
  ASSERT_TRUE(ImportFile(bank, database, kFluidR3, nullptr, settings).imported());
  const std::vector<const Instrument*> melodic = Melodic(bank);
  ASSERT_GT(melodic.size(), 100u);

  auto plain = CreateExportSet();
  auto fitted = CreateExportSet();
  for (const Instrument* instrument : melodic) {
    AddInstrumentToExportSet(*plain, *instrument);
    AddInstrumentToExportSet(*fitted, *instrument);
  }
  const std::size_t clicking = CheckExportLoops(*plain, LoopMending::kNameOnly).size();
  const FitSavings saved =
      FitExportSet(*fitted, SampleFitting{std::nullopt, MonoFold::kNone, 32000});
  EXPECT_GT(saved.resampledSamples, 500u);
  EXPECT_EQ(saved.resampleFailures, 0u);
  // The fitted members, as a new export would judge them.
  auto again = CreateExportSet();
  for (const ExportGroup& group : fitted->groups)
    for (const Instrument* member : group.members) AddInstrumentToExportSet(*again, *member);
  EXPECT_LE(CheckExportLoops(*again, LoopMending::kNameOnly).size(), clicking);

  // Fitting keeps the set's groups and members in their order.
  ASSERT_EQ(fitted->groups.size(), plain->groups.size());
  std::size_t measured = 0;
  for (std::size_t g = 0; g < fitted->groups.size(); ++g) {
    const ExportGroup& group = fitted->groups[g];
    for (std::size_t m = 0; m < group.members.size(); ++m) {
      const Instrument* member = group.members[m];
      // The first zone whose sample's root key it plays at velocity 100.
      const auto plays = [](const Zone& z) {
        return z.sample != nullptr && z.sample->rootKey >= z.mapping.keyLow &&
               z.sample->rootKey <= z.mapping.keyHigh && z.mapping.velLow <= 100 &&
               z.mapping.velHigh >= 100;
      };
      const auto zone = std::find_if(member->zones.begin(), member->zones.end(), plays);
      if (zone == member->zones.end()) continue;
      const auto key = static_cast<std::uint8_t>(zone->sample->rootKey);
      const double before = RenderedPitch(*plain->groups[g].members[m], nullptr, key);
      if (before == 0) continue;  // no steady pitch to compare
      ++measured;
      const double after = RenderedPitch(*member, &group, key);
      EXPECT_LT(std::abs(Cents(before, after)), 1.0)
          << member->name << ": " << before << " Hz, then " << after << " Hz";
    }
  }
  EXPECT_GT(measured, 80u);
}

// Every sample of Debian's Hydrogen kits (44.1 and 48 kHz) at 22050 Hz lasts as long, at the
// rate asked (no zone of a kit plays a loop).
TEST(RateRealDataTest, HydrogenKitsKeepTheirLength) {
  if (!std::filesystem::is_directory(kKits)) GTEST_SKIP() << kKits << " is not installed";
  Library kits;
  SoundDatabase database;
  for (const auto& kit : std::filesystem::directory_iterator(kKits))
    ImportFile(kits, database, kit.path().string());
  auto set = CreateExportSet();
  for (const auto& instrument : kits.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::vector<const Sample*>> before;
  for (const ExportGroup& group : set->groups)
    before.emplace_back(group.sampleGroup->samples.begin(), group.sampleGroup->samples.end());
  const FitSavings saved = FitExportSet(*set, SampleFitting{std::nullopt, MonoFold::kNone, 22050});
  EXPECT_GT(saved.resampledSamples, 500u);
  EXPECT_EQ(saved.resampleFailures, 0u);
  std::size_t resampled = 0;
  for (std::size_t g = 0; g < set->groups.size(); ++g) {
    const std::vector<Sample*>& after = set->groups[g].sampleGroup->samples;
    ASSERT_EQ(after.size(), before[g].size());
    for (std::size_t i = 0; i < after.size(); ++i) {
      const Sample& was = *before[g][i];
      const Sample& is = *after[i];
      SCOPED_TRACE(was.name);
      if (was.sampleRate <= 22050) continue;
      EXPECT_EQ(is.sampleRate, 22050u);
      EXPECT_NEAR(static_cast<double>(is.frames) / is.sampleRate,
                  static_cast<double>(was.frames) / was.sampleRate, 1.0 / is.sampleRate);
      ++resampled;
    }
  }
  EXPECT_EQ(resampled, saved.resampledSamples);
}

}  // namespace
}  // namespace tolvane
