#include <cstring>

#include "base/bytes.h"
#include "import/sample_files/sndfile_decode.h"

namespace tolvane {

std::optional<SampleFileKind> RecogniseSampleFile(std::span<const std::byte> file) {
  if (file.size() >= 12 && LoadU32(file.data()) == FourCC("FORM") &&
      (LoadU32(file.data() + 8) == FourCC("AIFF") || LoadU32(file.data() + 8) == FourCC("AIFC")))
    return SampleFileKind::Aiff;
  if (file.size() >= 4 && LoadU32(file.data()) == FourCC("fLaC")) return SampleFileKind::Flac;
  if (file.size() >= 4 && LoadU32(file.data()) == FourCC("OggS")) return SampleFileKind::Ogg;
  return std::nullopt;
}

std::string_view SampleFileKindName(SampleFileKind kind) {
  switch (kind) {
    case SampleFileKind::Aiff:
      return "AIFF";
    case SampleFileKind::Flac:
      return "FLAC";
    case SampleFileKind::Ogg:
      return "Ogg";
  }
  return "sample";
}

}  // namespace tolvane
