#pragma once
// How loud an instrument's samples are, for naming silent and near-silent instruments.

#include <cstdint>

#include "library/library.h"

namespace tolvane {

// The largest magnitude (0..32768) of any value of the samples the instrument's zones play.
std::int32_t InstrumentSamplePeak(const Instrument& instrument);

// Below this an instrument is named as too quiet.
inline constexpr double kQuietDbfs = -60.0;

}  // namespace tolvane
