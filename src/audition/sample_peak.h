#pragma once
// How loud an instrument's samples are, for naming silent and near-silent instruments.

#include <cstdint>

#include "library/library.h"

namespace tolvane {

// The largest magnitude (0..32768) of any value of the samples the instrument's zones play. The
// scan ends at the first value whose magnitude reaches `enough`, and then returns that magnitude:
// a caller that only asks "at least this loud?" need not read every sample.
std::int32_t InstrumentSamplePeak(const Instrument& instrument, std::int32_t enough = 32768);

// Below this an instrument is named as too quiet.
inline constexpr double kQuietDbfs = -60.0;

// The smallest peak that is not below kQuietDbfs: 32768 x 10^(-60 / 20) = 32.768, so 33.
inline constexpr std::int32_t kLeastAudiblePeak = 33;

}  // namespace tolvane
