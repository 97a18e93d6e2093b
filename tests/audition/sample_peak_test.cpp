// The loudness scan that names silent and near-silent instruments.

#include "audition/sample_peak.h"

#include <gtest/gtest.h>

#include "audition/offline_render.h"
#include "tests/audition/instrument_builder.h"

namespace tolvane {
namespace {

using test_support::InstrumentBuilder;

TEST(SamplePeakTest, TheScanEndsAtTheFirstValueThatIsLoudEnough) {
  InstrumentBuilder builder;
  Sample* const sample = builder.AddSample({.values = {3, -20, 7, -32768}});
  builder.AddZone(sample);
  builder.AddZone(sample);
  const struct {
    std::int32_t enough;
    std::int32_t peak;
  } cases[] = {
      {32768, 32768},  // read whole: the true peak
      {21, 32768},     // only the last value gets there
      {20, 20},        // stops on the second value
      {1, 3},          // stops on the first value
  };
  for (const auto& c : cases)
    EXPECT_EQ(InstrumentSamplePeak(builder.instrument(), c.enough), c.peak) << c.enough;
}

TEST(SamplePeakTest, TheLeastAudiblePeakIsTheQuietLimit) {
  EXPECT_GE(PeakDbfs(kLeastAudiblePeak), kQuietDbfs);
  EXPECT_LT(PeakDbfs(kLeastAudiblePeak - 1), kQuietDbfs);
}

}  // namespace
}  // namespace tolvane
