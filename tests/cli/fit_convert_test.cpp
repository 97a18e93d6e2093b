// tolvane-convert's options that fit the sampler's memory: list --size tells the size export
// then writes, and export names what each option saved.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "tests/cli/tone_wave.h"
#include "tests/support/run_program.h"
#include "tests/support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using tolvane::testing::ProgramRun;

std::string U(const fs::path& path) {
  return tolvane::PathToUtf8(path);
}

// The byte count list --size gives for the collection, or 0.
std::uint64_t CollectionBytes(const std::string& out) {
  const auto at = out.find("export size: ");
  const auto open = out.find('(', at);
  if (at == std::string::npos || open == std::string::npos) return 0;
  return std::stoull(out.substr(open + 1));
}

struct FitCase {
  Args options;
  std::uint64_t saved;             // bytes less than the plain export
  std::vector<std::string> notes;  // on stderr, after "tolvane-convert: note: "
};

constexpr std::uint64_t kMonoSaved =
    std::uint64_t{2} * (1103 + 32);  // a channel of the sample and its silence

// A stereo tone of equal channels, 1103 frames whose first value is 0: trimming cuts that frame,
// mono halves the sample and the 32 silent frames after it.
TEST(FitConvertTest, ListSizeIsWhatExportWritesAndExportNamesTheSaving) {
  const tolvane::testing::TestFolder dir;
  const fs::path tone = dir / "Bells.wav";
  tolvane::testing::WriteFileText(tone, tolvane::testing::ToneWave(22050, 16, 2, 0.5));
  const auto convert = [&](Args arguments) {
    arguments.insert(arguments.end(), {"--database", U(dir / "db.ini"), U(tone)});
    return tolvane::testing::RunProgram(tolvane::PathFromUtf8(TOLVANE_CONVERT), arguments,
                                        dir.path());
  };
  const std::string trimmed = "trimmed 1 samples at their quiet ends (below -60 dBFS): 4 B less";
  const std::string mono = "wrote 1 stereo samples with equal channels as mono: 2.2 kB less";
  const FitCase cases[] = {
      {{}, 0, {}},
      {{"--trim"}, 4, {trimmed}},
      {{"--mono=same"}, kMonoSaved, {mono}},
      {{"--mono=all"},
       kMonoSaved,
       {"folded 1 stereo samples to mono, the mean of their "
        "channels (0 of them differ"}},
      {{"--trim", "--mono=same"},
       kMonoSaved + 2,
       {"trimmed 1 samples at their quiet ends (below -60 dBFS): 2 B less", mono}},
      // 1103 frames at 22050 Hz are 800 at 16000 Hz.
      {{"--rate", "16000"},
       std::uint64_t{2} * 2 * (1103 - 800),
       {"resampled 1 samples above 16000 Hz to it: 1.1 kB less"}},
      {{"--rate=22050"}, 0, {"resampled 0 samples above 22050 Hz to it: 0 B less"}},
  };
  std::uint64_t plain = 0;
  for (const FitCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    Args list = {"list", "--size"};
    list.insert(list.end(), c.options.begin(), c.options.end());
    const ProgramRun listed = convert(list);
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::uint64_t measured = CollectionBytes(listed.out);
    if (c.options.empty()) plain = measured;
    EXPECT_EQ(measured + c.saved, plain) << listed.out;

    const fs::path out = dir / "out.SLC";
    Args exported = {"export", "--collection", U(out)};
    exported.insert(exported.end(), c.options.begin(), c.options.end());
    const ProgramRun run = convert(exported);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(out), measured);
    if (c.options.empty()) {
      EXPECT_EQ(run.out, "wrote " + U(out) + "\n");  // as ever
      EXPECT_EQ(run.err, "");
      continue;
    }
    EXPECT_NE(run.out.find("written: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(" + std::to_string(measured) + " bytes) in 1 file"), std::string::npos)
        << run.out;
    for (const std::string& note : c.notes) {
      EXPECT_NE(run.err.find("tolvane-convert: note: " + note), std::string::npos) << run.err;
      EXPECT_NE(listed.out.find(note), std::string::npos) << listed.out;
    }
  }
}

}  // namespace
