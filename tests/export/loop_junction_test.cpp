// Loop junctions over made-up waves: which click, and where snapping moves them.

#include "export/loop_junction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace tolvane {
namespace {

// `frames` frames of a sine of `period` frames per channel, interleaved; a rising saw for a
// negative period.
SampleData Sines(std::vector<std::pair<double, double>> channels, std::uint32_t frames = 2000) {
  std::vector<std::int16_t> values;
  for (std::uint32_t i = 0; i < frames; ++i) {
    for (const auto& [period, amplitude] : channels) {
      const double cycles = i / std::abs(period);
      const double wave = period > 0 ? std::sin(2 * std::numbers::pi * cycles)
                                     : 2 * (cycles - std::floor(cycles)) - 1;
      values.push_back(static_cast<std::int16_t>(std::lround(amplitude * wave)));
    }
  }
  return SampleData(std::move(values));
}

TEST(LoopJunction, ClicksAreJumpsInValueOrSlopeBeyondTheWaveAround) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> channels;
    LoopPoints loop;
    bool clicks;
    bool inValue;
  };
  const Case cases[] = {
      {"whole periods", {{100, 20000}}, {100, 500}, false, false},
      {"cut mid-slope", {{100, 20000}}, {100, 525}, true, true},
      {"crossings of opposite direction", {{100, 20000}}, {100, 550}, true, false},
      {"quiet: under the floor", {{100, 500}}, {100, 525}, false, false},
      {"noise-like: every step large", {{2.5, 20000}}, {100, 501}, false, false},
      {"too short to judge", {{100, 20000}}, {100, 102}, false, false},
      {"a saw's own jump, looped on a period", {{-100, 20000}}, {100, 200}, false, false},
      {"a saw cut half-way", {{-100, 20000}}, {150, 200}, true, true},
      {"at the sample's start, by the steps alone", {{100, 20000}}, {0, 425}, true, true},
      {"past the values", {{100, 20000}}, {100, 2001}, false, false},
      {"stereo, both whole", {{100, 20000}, {50, 20000}}, {100, 500}, false, false},
      {"stereo, right cut", {{100, 20000}, {75, 20000}}, {100, 500}, true, true},
  };
  for (const Case& c : cases) {
    const auto channels = static_cast<std::uint32_t>(c.channels.size());
    const LoopJunction junction = CheckLoopJunction(Sines(c.channels), channels, c.loop);
    EXPECT_EQ(junction.clicks, c.clicks) << c.what;
    if (c.clicks) {
      EXPECT_EQ(junction.inValue, c.inValue) << c.what;
      EXPECT_GT(junction.jump, kClickFloor) << c.what;
    }
  }
}

TEST(LoopJunction, SnappingFindsTheNearestCrossingsThatDoNotClick) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> channels;
    LoopPoints loop;
    std::optional<LoopPoints> snapped;
  };
  const Case cases[] = {
      {"end to the crossing before it", {{100, 20000}}, {100, 525}, LoopPoints{100, 500}},
      {"both points move", {{100, 20000}}, {110, 580}, LoopPoints{100, 600}},
      // Falling, the crossing is the first frame below 0 (sin at 150 rounds to 0).
      {"falling crossings pair too", {{100, 20000}}, {148, 553}, LoopPoints{151, 551}},
      // The nearest end, 100, would leave no loop: the next one keeps 32 frames and more.
      {"never below 32 frames", {{100, 20000}}, {100, 120}, LoopPoints{100, 200}},
      {"no crossing within reach", {{1900, 20000}}, {100, 700}, std::nullopt},
      {"stereo crossings of the sum",
       {{100, 20000}, {100, 10000}},
       {100, 525},
       LoopPoints{100, 500}},
  };
  for (const Case& c : cases) {
    const auto channels = static_cast<std::uint32_t>(c.channels.size());
    const SampleData values = Sines(c.channels);
    const std::optional<LoopPoints> snapped = SnapLoop(values, channels, c.loop);
    EXPECT_EQ(snapped, c.snapped) << c.what;
    if (snapped) {
      EXPECT_FALSE(CheckLoopJunction(values, channels, *snapped).clicks) << c.what;
      EXPECT_GE(snapped->end - snapped->start, kShortestSnappedLoop) << c.what;
    }
  }
}

}  // namespace
}  // namespace tolvane
