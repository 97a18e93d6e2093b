// Sample files from memory for the fuzz targets of text formats: a path naming "missing" is not
// there, one naming "stereo" is a stereo sound, one naming "loop" has a loop (where loops are
// asked for), any other a short mono sound. Included files all hold the same text, or are
// missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "import/instrument_files.h"

namespace tolvane::fuzz {

// How many frames the sound at a path has: a length that follows the path makes zones on
// different files differ.
using FramesOf = std::uint32_t (*)(const std::string& path);

struct MemoryFilesShape {
  FramesOf frames = [](const std::string&) -> std::uint32_t { return 64; };
  bool loops = true;
  std::optional<std::string_view> included;  // the text of every included file
};

class MemoryFiles : public InstrumentFiles {
 public:
  explicit MemoryFiles(MemoryFilesShape shape = {})
      : frames_(shape.frames), loops_(shape.loops), included_(shape.included) {}

  std::optional<std::string> ReadText(const std::string& /*path*/) const override {
    return included_;
  }

  // Formats that look for a sample in several places (EXS) find it anywhere but "missing".
  bool Exists(const std::string& path) const override {
    return path.find("missing") == std::string::npos;
  }

  SoundReading ReadSample(const std::string& path) const override {
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 22050;
    sound.channels = path.find("stereo") != std::string::npos ? 2 : 1;
    sound.frames = frames_(path);
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 100);
    if (loops_ && path.find("loop") != std::string::npos) sound.markers.loop = SoundLoop{8, 40};
    return {std::move(sound), {}};
  }

 private:
  FramesOf frames_;
  bool loops_;
  std::optional<std::string> included_;
};

}  // namespace tolvane::fuzz
