// The build without libsndfile (-DTOLVANE_SNDFILE=OFF): sample files are recognised
// and named, but not read.

#include <string>

#include "import/sample_files/sndfile_decode.h"

namespace tolvane {

bool SampleFilesReadable() {
  return false;
}

SoundReading DecodeSampleFile(std::span<const std::byte> file, SampleFileKind kind) {
  if (kind == SampleFileKind::Ogg) return DecodeOggFile(file);
  if (kind == SampleFileKind::Caf) {
    if (const std::optional<std::string> codec = UnreadCafCodec(file))
      return {std::nullopt,
              ImportOutcome::NotRecognised("CAF file of " + *codec + " audio, which is not read")};
  }
  return {std::nullopt, ImportOutcome::NotRecognised(std::string(SampleFileKindName(kind)) +
                                                     " files cannot be read by this build "
                                                     "(it was made without libsndfile)")};
}

}  // namespace tolvane
