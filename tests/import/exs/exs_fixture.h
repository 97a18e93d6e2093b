#pragma once
// An EXS instrument and its samples written to a fresh folder, then dropped as a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "database/sound_database.h"
#include "exs_writer.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "tests/import/zip_builder.h"
#include "tests/support/test_folder.h"

namespace tolvane::testing {

class ExsFolder : public ::testing::Test {
 protected:
  // A quiet mono WAV at `path` below the folder, with room for gains above 0 dB.
  void Wave(const std::string& path, std::uint32_t frames = 1000) {
    std::filesystem::create_directories((folder_ / path).parent_path());
    Bytes values;
    for (std::uint32_t i = 0; i < frames; ++i) PutU16(values, static_cast<std::uint16_t>(i % 100));
    WriteFile(folder_ / path, Riff("WAVE", {FormatChunk(1, 22050, 16), Chunk("data", values)}));
  }
  ImportOutcome Drop(const ExsContents& contents,
                     const std::string& path = "Instruments/Piano.exs") {
    std::filesystem::create_directories((folder_ / path).parent_path());
    WriteFile(folder_ / path, WriteExs(contents));
    ClearLibrary(library_);
    return ImportFile(library_, database_, PathToUtf8(folder_ / path));
  }
  // The zones of the one instrument, with absolute parameters.
  std::vector<Zone> Zones() const {
    if (library_.instruments.size() != 1) return {};
    const Instrument& instrument = *library_.instruments[0];
    std::vector<Zone> zones = instrument.zones;
    for (Zone& zone : zones) AddParameters(zone, instrument.parameters);
    return zones;
  }
  static std::string Lines(const ImportOutcome& outcome) {
    std::string text;
    for (const std::string& line : ImportOutcomeLines(outcome, 1)) text += line + "\n";
    return text;
  }

  TestFolder folder_;
  SoundDatabase database_;
  Library library_;
};

}  // namespace tolvane::testing
