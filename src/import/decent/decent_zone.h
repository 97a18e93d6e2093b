#pragma once
// One Decent Sampler sample record as a zone: key and velocity ranges, tuning, gain, pan,
// start, amplitude envelope, and what its sample, end and loop are to be.

#include <cstdint>
#include <optional>
#include <string>

#include "import/decent/decent_records.h"
#include "import/sample_files/decoded_sound.h"
#include "library/zone.h"

namespace tolvane {

// Why a record makes no zone although it names a sample: what the instrument cannot hold.
enum class DecentSkip : std::uint8_t { None, ReleaseTrigger, LaterRoundRobin };

struct DecentZonePlan {
  Zone zone;         // every field but the sample, the stereo flag and the loop flag
  std::string path;  // as the preset writes it, '\' turned into '/'
  std::optional<std::uint32_t> rootKey;  // rootNote; nothing: the file's own, else 60
  std::optional<std::uint32_t> end;      // the last frame played (`end` is inclusive)
  std::optional<std::uint32_t> loopStart;
  std::optional<std::uint32_t> loopEnd;  // past the loop's last frame
  std::optional<bool> looped;            // loopEnabled; nothing: as the file has a loop or not
  // The gain the preset asks for, the product of its three stages, in dB. The zone holds it
  // brought down to 0 dB at most; above that the caller notes GainAboveZero.
  double gainDb = 0;
  DecentSkip skip = DecentSkip::None;
};

// Nothing for a record without a path.
std::optional<DecentZonePlan> PlanDecentZone(const DecentSampleRecord& record);

// A `volume` value: linear ("0.5") or decibels ("-3dB", any case, spaces allowed), in dB;
// nothing when it is neither. Linear 0 or less is silence (-144 dB).
std::optional<double> DecentVolumeDb(std::string_view text);

// A plain decimal number, surrounding spaces allowed; nothing for anything else.
std::optional<double> DecentNumber(std::string_view text);

}  // namespace tolvane
