#include "import/gain_folding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvane {
namespace {

struct TestSample {
  std::uint32_t channels = 1;
  std::vector<std::int16_t> values;
};

struct Asked {
  std::size_t sample = 0;
  double gainDb = 0;
};

struct Case {
  const char* name;
  std::vector<TestSample> samples;
  std::vector<Asked> asked;
  std::vector<FoldedGain> expected;           // lostDb compared to 0.01 dB
  std::vector<std::optional<double>> scaled;  // per sample: the factor, or nothing: untouched
  std::optional<ImportNote> note;
};

double Factor(double db) {
  return std::pow(10.0, db / 20);
}

// The factor that brings a peak of `peak` to 32767, as dB.
double ToFullScaleDb(double peak) {
  return 20 * std::log10(32767 / peak);
}

TEST(GainFolding, SamplesTakeTheLargestGainAskedAsFarAsTheirPeakAllows) {
  const TestSample quiet{1, {0, 8000, -4000, 100}};
  const TestSample half{1, {16000, -12000, 5}};
  const double halfRoom = ToFullScaleDb(16000);  // 6.23 dB
  const Case cases[] = {
      {"0 dB and below change nothing",
       {quiet},
       {{0, 0}, {0, -6.4}},
       {{false, 0, 0}, {false, 6, 0}},
       {std::nullopt},
       std::nullopt},
      {"+6 dB scales the sample, the zone keeps none",
       {quiet},
       {{0, 6}},
       {{true, 0, 0}},
       {Factor(6)},
       std::nullopt},
      {"a shared sample takes the largest; the others keep the rest as attenuation",
       {quiet},
       {{0, 2}, {0, 6}, {0, -3}, {0, 0}},
       {{true, 4, 0}, {true, 0, 0}, {true, 9, 0}, {true, 6, 0}},
       {Factor(6)},
       std::nullopt},
      {"a gain past the peak stops at full scale, the rest is a note",
       {half},
       {{0, 12}, {0, 3}},
       {{true, 0, 12 - halfRoom}, {true, 3, 0}},
       {Factor(halfRoom)},
       ImportNote{NoteKind::GainAboveZero, 1, "5.8"}},
      {"a sample at full scale takes nothing",
       {{1, {-32768, 7}}},
       {{0, 3}, {0, 1}, {0, -2}},
       {{false, 0, 3}, {false, 0, 1}, {false, 2, 0}},
       {std::nullopt},
       ImportNote{NoteKind::GainAboveZero, 2, "3.0"}},
      {"both channels of a stereo sample take one factor, set by the louder",
       {{2, {4000, 16000, -2000, -8000}}},
       {{0, 12}},
       {{true, 0, 12 - halfRoom}},
       {Factor(halfRoom)},
       ImportNote{NoteKind::GainAboveZero, 1, "5.8"}},
      {"samples fold apart",
       {quiet, half, quiet},
       {{0, 3}, {1, 6}, {2, -1}},
       {{true, 0, 0}, {true, 0, 0}, {false, 1, 0}},
       {Factor(3), Factor(6), std::nullopt},
       std::nullopt},
      {"silence takes any gain and stays silence",
       {{1, {0, 0, 0}}},
       {{0, 20}, {0, 0}},
       {{true, 0, 0}, {true, 20, 0}},
       {std::nullopt},
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Sample> samples(c.samples.size());
    std::vector<SampleData> before;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      samples[i].channels = c.samples[i].channels;
      samples[i].frames =
          static_cast<std::uint32_t>(c.samples[i].values.size() / c.samples[i].channels);
      samples[i].data = SampleData(c.samples[i].values);
      before.push_back(samples[i].data);
    }
    std::vector<GainRequest> requests;
    for (const Asked& asked : c.asked) requests.push_back({&samples[asked.sample], asked.gainDb});

    const std::vector<FoldedGain> folded = FoldGains(requests);
    ASSERT_EQ(folded.size(), c.expected.size());
    for (std::size_t i = 0; i < folded.size(); ++i) {
      EXPECT_EQ(folded[i].folded, c.expected[i].folded) << i;
      EXPECT_EQ(folded[i].attenuation, c.expected[i].attenuation) << i;
      EXPECT_NEAR(folded[i].lostDb, c.expected[i].lostDb, 0.01) << i;
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
      if (!c.scaled[i]) {
        EXPECT_TRUE(samples[i].data.SharesValuesWith(before[i])) << i;
        continue;
      }
      // A new SampleData: whoever shared the old values keeps them.
      EXPECT_EQ(before[i], c.samples[i].values) << i;
      std::vector<std::int16_t> expected;
      for (const std::int16_t v : c.samples[i].values)
        expected.push_back(static_cast<std::int16_t>(std::lround(v * *c.scaled[i])));
      EXPECT_EQ(samples[i].data, expected) << i;
    }
    const std::optional<ImportNote> note = LostGainNote(folded);
    ASSERT_EQ(note.has_value(), c.note.has_value());
    if (note) {
      EXPECT_EQ(note->kind, c.note->kind);
      EXPECT_EQ(note->count, c.note->count);
      EXPECT_EQ(note->subject, c.note->subject);
    }
  }
}

}  // namespace
}  // namespace tolvane
