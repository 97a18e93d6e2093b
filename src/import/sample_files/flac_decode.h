#pragma once
// FLAC files decoded with libFLAC itself, straight into the 16-bit values the library keeps:
// the common case of a sound library, without libsndfile's copies of every value on the way.
// Only for files that decode cleanly; every other file is left to libsndfile, so that damaged
// ones are read and named exactly as before.

#include <cstddef>
#include <optional>
#include <span>

#include "import/sample_files/decoded_sound.h"

namespace tolvane {

// The values of `file`, each as libsndfile's 16-bit reads give it (wider values keep their top
// 16 bits, narrower ones are shifted up), when it decodes without a single error to exactly the
// frames its STREAMINFO block claims, with 8, 16 or 24 bits and 1 to 8 channels in every frame,
// and within kSampleFileMaxGrowth of its size. Nothing otherwise (nothing is then decided about
// the file). The markers are left for the caller.
std::optional<DecodedSound> DecodeCleanFlac(std::span<const std::byte> file);

}  // namespace tolvane
