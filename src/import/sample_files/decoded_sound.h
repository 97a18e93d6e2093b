#pragma once
// A sound file decoded to what the library keeps: 16-bit values, with the loop and root key the
// file gives.

#include <cstdint>
#include <optional>
#include <vector>

#include "import/import_outcome.h"

namespace tolvane {

struct SoundLoop {
  std::uint32_t start = 0;  // frames
  std::uint32_t end = 0;    // frames, past the last frame of the loop
};

// Where a file keeps a sampler's settings for its sound.
struct SoundMarkers {
  std::optional<SoundLoop> loop;
  std::optional<std::uint32_t> rootKey;
  std::int32_t pitchCorrection = 0;  // cents
};

struct DecodedSound {
  std::uint32_t sampleRate = 0;
  std::uint32_t channels = 0;
  std::uint32_t frames = 0;
  // The frames the file says it holds: more than `frames` when it was cut short (the frames
  // there are kept); 0 when it does not say.
  std::uint64_t claimedFrames = 0;
  std::vector<std::int16_t> values;  // frames x channels, interleaved
  SoundMarkers markers;
};

struct SoundReading {
  std::optional<DecodedSound> sound;  // set when the file was read
  ImportOutcome refusal;  // otherwise: NotRecognised or Damaged, with the reason; CannotOpen
  bool missing = false;   // CannotOpen because no file is there
};

// Why a sample file that was not read leaves the zones that play it out.
inline LeftOutKind UnreadSampleKind(const SoundReading& reading) {
  if (reading.refusal.status == ImportStatus::CannotOpen)
    return reading.missing ? LeftOutKind::SampleNotFound : LeftOutKind::SampleCannotOpen;
  if (reading.refusal.status == ImportStatus::NotRecognised && reading.refusal.reason.empty())
    return LeftOutKind::SampleNotSound;
  return LeftOutKind::SampleUnreadable;
}

}  // namespace tolvane
