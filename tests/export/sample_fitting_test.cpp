// Samples fitted for an export: what a trim keeps, what mono stores, that every zone plays what
// it played (heard through the sampler), and that the library keeps its own samples.

#include "export/sample_fitting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A tone of `tone` frames between `lead` and `tail` frames of `quiet`, each frame `channels`
// values; the right channel is the left plus `rightOffset` times a pattern of -1, 0, 1.
std::vector<std::int16_t> Frames(std::uint32_t lead, std::uint32_t tone, std::uint32_t tail,
                                 std::uint32_t channels, std::int16_t quiet = 0,
                                 int rightOffset = 0) {
  std::vector<std::int16_t> values;
  for (std::uint32_t f = 0; f < lead + tone + tail; ++f) {
    const bool sounding = f >= lead && f < lead + tone;
    // A cosine, so that the tone's first frame is loud.
    const auto value = sounding ? static_cast<std::int16_t>(std::lround(
                                      12000 * std::cos(2 * kPi * 440 * (f - lead) / kRate)))
                                : quiet;
    values.push_back(value);
    if (channels == 2)
      values.push_back(
          static_cast<std::int16_t>(value + rightOffset * (static_cast<int>(f % 3) - 1)));
  }
  return values;
}

struct TestZone {
  std::uint32_t start = 0;  // frames
  bool loop = false;
  std::optional<std::uint32_t> second{};  // a dual zone's second voice
};

// Instruments over one sample; zone i plays key 60 + i at its root, so that a note renders the
// sample frame for frame.
class Bank {
 public:
  Bank() : source_(&CreateSource(library_, "bank.sf2")) {}

  Instrument& Add(std::string_view name, std::vector<std::int16_t> values, std::uint32_t channels,
                  LoopPoints loop, const std::vector<TestZone>& zones) {
    auto instrument = CreateInstrument(*source_, name, name, SoundIdHash(name));
    SampleRequest request;
    request.name = "tone";
    request.key.first = 1;
    request.sampleRate = kRate;
    request.channels = channels;
    request.frames = static_cast<std::uint32_t>(values.size() / channels);
    request.loopStart = loop.start;
    request.loopEnd = loop.end;
    request.rootKey = 60;
    Sample* sample = AddSample(*instrument, request, SampleData(std::move(values)));
    for (std::size_t i = 0; i < zones.size(); ++i) {
      Zone zone;
      InitZone(zone);
      const auto key = static_cast<std::uint8_t>(60 + i + 10 * library_.instruments.size());
      zone.mapping.keyLow = zone.mapping.keyHigh = zone.mapping.overridingRootKey = key;
      zone.mapping.startOffset = static_cast<std::int32_t>(2 * zones[i].start);
      if (zones[i].loop) zone.mapping.flags |= ZoneLoop;
      if (channels == 2) zone.mapping.flags |= ZoneStereo;
      if (zones[i].second) {
        zone.mapping.flags |= ZoneDual;
        zone.mapping.startOffset2 = static_cast<std::int32_t>(2 * *zones[i].second);
      }
      zone.parameters.SetSigned(ZoneParameters::pan, 20);
      zone.parameters.bytes[ZoneParameters::attenuation] = 30;
      SetZoneSample(zone, sample);
      AddZone(*instrument, zone);
    }
    return AddInstrument(library_, std::move(instrument));
  }

 private:
  Library library_;
  Source* source_;
};

std::vector<std::int16_t> Values(const Sample& sample) {
  const std::size_t count = std::size_t{sample.frames} * sample.channels;
  return {sample.data.begin(), sample.data.begin() + static_cast<std::ptrdiff_t>(count)};
}

RenderedNotes Render(const Instrument& instrument, std::uint8_t key) {
  RenderSettings settings;
  settings.notes = {{key, 100}};
  settings.holdSeconds = 0.1;
  settings.maxReleaseSeconds = 0.05;
  settings.rate = kRate;
  return RenderNotes(MakePlayable(instrument), settings);
}

struct TrimCase {
  const char* name;
  std::uint32_t lead, tone, tail;
  std::vector<TestZone> zones;
  LoopPoints loop;
  std::uint32_t keptFrom, keptTo;
  std::int16_t quiet{};
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

// What is kept, where the zones and the loop then lie, and that each note sounds as before once
// the quiet frames cut before the sound have passed (with a start offset: from the first frame).
TEST_P(TrimTest, KeepsWhatEveryZonePlays) {
  const TrimCase& c = GetParam();
  Bank bank;
  const std::vector<std::int16_t> values = Frames(c.lead, c.tone, c.tail, 1, c.quiet);
  Instrument& original = bank.Add("Tone", values, 1, c.loop, c.zones);
  const Sample* librarySample = original.zones.front().sample;

  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, original);
  const FitSavings saved = FitExportSet(*set, kDefaultTrimDbfs, MonoFold::kNone);
  const Instrument& fitted = *set->groups[0].members[0];
  const Sample& sample = *set->groups[0].sampleGroup->samples[0];

  const std::vector<std::int16_t> kept(values.begin() + c.keptFrom, values.begin() + c.keptTo);
  EXPECT_EQ(Values(sample), kept);
  const std::uint32_t cut = static_cast<std::uint32_t>(values.size()) - (c.keptTo - c.keptFrom);
  EXPECT_EQ(saved.trimmedSamples, cut > 0 ? 1u : 0u);
  EXPECT_EQ(saved.trimmedBytes, 2u * cut);
  const bool looped = std::any_of(c.zones.begin(), c.zones.end(), [](auto& z) { return z.loop; });
  if (looped) {
    EXPECT_EQ(sample.loopStart + c.keptFrom, c.loop.start);
    EXPECT_EQ(sample.loopEnd + c.keptFrom, c.loop.end);
  }

  ASSERT_EQ(fitted.zones.size(), c.zones.size());
  for (std::size_t i = 0; i < c.zones.size(); ++i) {
    SCOPED_TRACE(i);
    const ZoneMapping& m = fitted.zones[i].mapping;
    const std::uint32_t start = c.zones[i].start;
    EXPECT_EQ(m.startOffset, start > 0 ? 2 * static_cast<std::int32_t>(start - c.keptFrom) : 0);
    if (c.zones[i].second) {
      EXPECT_EQ(m.startOffset2, 2 * static_cast<std::int32_t>(*c.zones[i].second - c.keptFrom));
    }
    const std::uint8_t key = m.keyLow;
    const RenderedNotes before = Render(original, key);
    const RenderedNotes after = Render(fitted, key);
    // Zones that start at the sound lose the frames before it; the envelope's first
    // milliseconds and the release then fall on other frames.
    const std::size_t shift = start > 0 ? 0 : c.keptFrom;
    const std::size_t settled = start > 0 ? 0 : 2 * 441;
    const std::size_t held = 2 * (kRate / 10 - shift);
    ASSERT_GT(after.frames.size(), held);
    for (std::size_t v = settled; v < held; ++v)
      ASSERT_EQ(before.frames[v + 2 * shift], after.frames[v]) << "value " << v;
  }
  // The library's sample and zones are as they were.
  EXPECT_EQ(original.zones.front().sample, librarySample);
  EXPECT_EQ(Values(*librarySample), values);
  EXPECT_EQ(original.zones.front().mapping.startOffset, 2 * static_cast<int>(c.zones[0].start));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimTest,
    ::testing::Values(
        TrimCase{"QuietEndsCut", 3000, 6000, 2000, {{}}, {}, 3000, 9000},
        TrimCase{"ValuesAtTheThresholdAreQuiet", 3000, 6000, 2000, {{}}, {}, 3000, 9000, 32},
        TrimCase{"ValuesAboveItAreNot", 3000, 6000, 2000, {{}}, {}, 0, 11000, 33},
        TrimCase{"AStartOffsetBoundsTheLeadingCut", 3000, 6000, 2000, {{1200}}, {}, 1200, 9000},
        TrimCase{"TheEarliestOffsetOfSeveralZones",
                 3000,
                 6000,
                 2000,
                 {{}, {2500}, {900}},
                 {},
                 900,
                 9000},
        TrimCase{"ADualZonesSecondVoiceBoundsItToo",
                 3000,
                 6000,
                 2000,
                 {{2000, false, 700}},
                 {},
                 700,
                 9000},
        TrimCase{"AZoneStartingInTheTailKeepsItsStart",
                 3000,
                 6000,
                 2000,
                 {{}, {10000}},
                 {},
                 3000,
                 10001},
        TrimCase{
            "APlayedLoopBoundsBothEnds", 3000, 6000, 2000, {{0, true}}, {2000, 10000}, 2000, 10000},
        TrimCase{"ALoopNoZonePlaysMovesWithTheCut", 3000, 6000, 2000, {{}}, {0, 11000}, 3000, 9000},
        TrimCase{"ASilentSampleKeepsOneFrame", 0, 0, 3000, {{}}, {}, 2999, 3000}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SampleFittingTest, ASharedSampleIsCutToWhatAllItsInstrumentsKeep) {
  Bank bank;
  const std::vector<std::int16_t> values = Frames(3000, 6000, 2000, 1);
  Instrument& early = bank.Add("Early", values, 1, {}, {{1000}});
  Instrument& late = bank.Add("Late", values, 1, {}, {{2500}});
  ASSERT_EQ(early.group, late.group);
  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, early);
  AddInstrumentToExportSet(*set, late);
  FitExportSet(*set, kDefaultTrimDbfs, MonoFold::kNone);
  const ExportGroup& group = set->groups[0];
  EXPECT_EQ(group.sampleGroup->samples[0]->frames, 8000u);
  EXPECT_EQ(group.members[0]->zones[0].mapping.startOffset, 0);
  EXPECT_EQ(group.members[1]->zones[0].mapping.startOffset, 2 * 1500);
  EXPECT_EQ(group.members[0]->zones[0].sample, group.members[1]->zones[0].sample);
}

struct MonoCase {
  const char* name;
  int rightOffset;  // how far the right channel lies from the left
  MonoFold fold;
  bool mono;
  bool folded;
};

class MonoTest : public ::testing::TestWithParam<MonoCase> {};

TEST_P(MonoTest, StoresStereoAsMonoAtTheSameLevelAndPan) {
  const MonoCase& c = GetParam();
  Bank bank;
  const std::vector<std::int16_t> values = Frames(0, 8000, 0, 2, 0, c.rightOffset);
  Instrument& original = bank.Add("Tone", values, 2, {}, {{}});
  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, original);
  const FitSavings saved = FitExportSet(*set, std::nullopt, c.fold);
  const Instrument& fitted = *set->groups[0].members[0];
  const Sample& sample = *fitted.zones[0].sample;
  EXPECT_EQ(sample.channels, c.mono ? 1u : 2u);
  EXPECT_EQ(saved.monoSamples, c.mono ? 1u : 0u);
  EXPECT_EQ(saved.foldedSamples, c.folded ? 1u : 0u);
  EXPECT_EQ(saved.monoBytes, c.mono ? 2u * (8000 + 32) : 0u);  // and the silence after
  EXPECT_EQ((fitted.zones[0].mapping.flags & ZoneStereo) != 0, !c.mono);
  EXPECT_EQ(fitted.zones[0].parameters, original.zones[0].parameters);
  EXPECT_EQ(original.zones[0].sample->channels, 2u);
  if (!c.mono) return;
  for (std::size_t f = 0; f < 8000; ++f) {
    const int sum = values[2 * f] + values[2 * f + 1];
    ASSERT_LE(std::abs(2 * sample.data[f] - sum), 1) << "frame " << f;
  }
  const RenderedNotes before = Render(original, fitted.zones[0].mapping.keyLow);
  const RenderedNotes after = Render(fitted, fitted.zones[0].mapping.keyLow);
  if (c.rightOffset == 0) {
    EXPECT_EQ(before.frames, after.frames);  // equal channels: the very same sound
    return;
  }
  // A centred tone keeps its level: the mean of two equal channels is each of them.
  const auto rms = [](const std::vector<std::int16_t>& v) {
    double sum = 0;
    for (const std::int16_t x : v) sum += static_cast<double>(x) * x;
    return std::sqrt(sum / static_cast<double>(v.size()));
  };
  EXPECT_NEAR(20 * std::log10(rms(after.frames) / rms(before.frames)), 0.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonoTest,
    ::testing::Values(MonoCase{"EqualChannelsSame", 0, MonoFold::kSame, true, false},
                      MonoCase{"WithinOneSame", 1, MonoFold::kSame, true, false},
                      MonoCase{"TwoApartStaysStereo", 2, MonoFold::kSame, false, false},
                      MonoCase{"EqualChannelsAll", 0, MonoFold::kAll, true, false},
                      MonoCase{"CentredWithNoiseAll", 40, MonoFold::kAll, true, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SampleFittingTest, MonoFirstThenTrimCountsEachSaving) {
  Bank bank;
  Instrument& original = bank.Add("Tone", Frames(1000, 4000, 500, 2), 2, {}, {{}});
  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, original);
  const FitSavings saved = FitExportSet(*set, kDefaultTrimDbfs, MonoFold::kSame);
  const Sample& sample = *set->groups[0].members[0]->zones[0].sample;
  EXPECT_EQ(sample.channels, 1u);
  EXPECT_EQ(sample.frames, 4000u);
  EXPECT_EQ(saved.monoBytes, 2u * (5500 + 32));
  EXPECT_EQ(saved.trimmedBytes, 2u * 1500);
  EXPECT_EQ(saved.bytes(), 2u * (5500 + 32) + 2u * 1500);
}

TEST(SampleFittingTest, WithoutOptionsNothingIsCopied) {
  Bank bank;
  Instrument& original = bank.Add("Tone", Frames(1000, 4000, 500, 2), 2, {}, {{}});
  auto set = CreateExportSet();
  AddInstrumentToExportSet(*set, original);
  const FitSavings saved = FitExportSet(*set, std::nullopt, MonoFold::kNone);
  EXPECT_EQ(saved.bytes(), 0u);
  EXPECT_EQ(set->groups[0].members[0], &original);
  EXPECT_TRUE(set->copies.samples.empty());
}

TEST(SampleFittingTest, NotesNameWhatEachOptionSaved) {
  FitSavings saved;
  saved.trimmedSamples = 3;
  saved.trimmedBytes = 2048;
  saved.monoSamples = 2;
  saved.foldedSamples = 1;
  saved.monoBytes = 4096;
  EXPECT_EQ(FitSavingsTexts(saved, std::nullopt, MonoFold::kNone), std::vector<std::string>{});
  EXPECT_EQ(FitSavingsTexts(saved, -60, MonoFold::kSame),
            (std::vector<std::string>{
                "trimmed 3 samples at their quiet ends (below -60 dBFS): 2.0 kB less sample data",
                "wrote 2 stereo samples with equal channels as mono: 4.0 kB less sample data"}));
  EXPECT_EQ(FitSavingsTexts(saved, std::nullopt, MonoFold::kAll),
            (std::vector<std::string>{
                "folded 2 stereo samples to mono, the mean of their channels (1 of them differ "
                "between left and right, and lose their stereo image): 4.0 kB less sample data"}));
}

}  // namespace
}  // namespace tolvane
