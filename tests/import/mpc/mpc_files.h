#pragma once
// MPC programs written from the format's facts, and their samples from memory, for the MPC
// tests.

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "import/instrument_files.h"

namespace tolvane::testing {

// A sample of the fake files: 1000 frames unless told, mono unless told.
struct FakeSample {
  std::uint32_t frames = 1000;
  std::uint16_t channels = 1;
  std::optional<SoundLoop> loop;
  std::optional<std::uint32_t> root;
};

// Files from memory by exact path; listed as a folder's tree; every read counted.
class MpcFakeFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    ++reads;
    const auto found = samples.find(path);
    if (found == samples.end()) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = found->second.channels;
    sound.frames = found->second.frames;
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 1000);
    sound.markers.loop = found->second.loop;
    sound.markers.rootKey = found->second.root;
    return {std::move(sound), {}};
  }
  std::uint64_t SampleSize(const std::string& path) const override {
    return samples.contains(path) || path == marker ? 1 : 0;
  }
  std::vector<std::string> ListFiles(const std::string& folder) const override {
    std::vector<std::string> listed;
    for (const auto& [path, sample] : samples)
      if (path.starts_with(folder)) listed.push_back(path);
    return listed;
  }

  std::map<std::string, FakeSample> samples;
  std::string marker;  // a file that is there but no sample (Expansion.xml)
  mutable std::atomic<int> reads{0};
};

// <MPCVObject> with a <Version> of `fileVersion` and a <Program> of `type` holding `body`.
inline std::string MpcProgramText(const std::string& type, const std::string& fileVersion,
                                  const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MPCVObject>\n  <Version>\n"
         "    <File_Version>" +
         fileVersion +
         "</File_Version>\n    <Application>MPC-V</Application>\n"
         "    <Platform>Linux</Platform>\n  </Version>\n  <Program type=\"" +
         type + "\">\n" + body + "  </Program>\n</MPCVObject>\n";
}

inline std::string Element(const std::string& name, const std::string& value) {
  return "<" + name + ">" + value + "</" + name + ">";
}

// A <Layer> of `number` holding `fields`.
inline std::string MpcLayerText(int number, const std::string& fields) {
  return "<Layer number=\"" + std::to_string(number) + "\">" + fields + "</Layer>";
}

// An <Instrument> of `number` holding `fields` and <Layers> of `layers`.
inline std::string MpcInstrumentText(int number, const std::string& fields,
                                     const std::string& layers) {
  return "<Instrument number=\"" + std::to_string(number) + "\">" + fields + "<Layers>" + layers +
         "</Layers></Instrument>";
}

}  // namespace tolvane::testing
