#pragma once
// Runs tolvane-convert on a table of command lines and checks what it says: each case is a
// command line, every line on stderr and the status; lines stdout must hold where it carries
// the news.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "tests/cli/tone_wave.h"
#include "tests/support/run_program.h"
#include "tests/support/test_folder.h"

namespace tolvane::testing {

using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

inline Lines LinesOf(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Case {
  Args arguments;  // "%" stands for the test's folder
  int status;
  Lines err;  // every line, without "tolvane-convert: "
  Lines out;  // lines stdout holds among others
};

class MessagesFixture : public ::testing::Test {
 protected:
  MessagesFixture() {
    WriteFileText(dir_ / "tone.wav", ToneWave(44100, 16, 1, 0.5));
    WriteFileText(dir_ / "loud.wav", ToneWave(44100, 16, 1, 1.0));
    // A bank cut short before any instrument could be read.
    WriteFileText(dir_ / "cut.sf2", std::string("RIFF\xE8\x03\0\0sfbkLIST\x10\0\0\0INFO", 24));
    WriteFileText(dir_ / "blocker", "a file, not a folder");
    WriteFileText(dir_ / "two.sfz", "<region> sample=loud.wav\n<region> sample=loud.wav\n");
    WriteFileText(dir_ / "narrow.sfz",
                  "<region> sample=tone.wav lokey=42 hikey=46 pitch_keycenter=44\n"
                  "<region> sample=tone.wav key=50 lovel=64\n");
    WriteFileText(dir_ / "holed.sfz", "<region> sample=tone.wav\n<region> sample=gone.wav key=9\n");
  }

  std::string Path(const std::string& text) const {
    const std::string place = tolvane::PathToUtf8(dir_.path());
    std::string path = text;
    for (std::size_t at = path.find('%'); at != std::string::npos; at = path.find('%', at)) {
      path.replace(at, 1, place);
      at += place.size();
    }
    return path;
  }

  // Runs `program` (the converter, unless another runs it) with `before`, then `arguments`
  // with "%" replaced, and the test's own database for a command that imports.
  ProgramRun Convert(Args arguments, const std::filesystem::path& program = TOLVANE_CONVERT,
                     Args before = {}) const {
    if (arguments[0] != "categories") arguments.insert(arguments.end(), {"--database", "%/db.ini"});
    for (const std::string& argument : arguments) before.push_back(Path(argument));
    return RunProgram(program, before, dir_.path());
  }

  void Check(const std::vector<Case>& cases, const std::filesystem::path& program = TOLVANE_CONVERT,
             const Args& before = {}) const {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::PrintToString(c.arguments));
      const ProgramRun result = Convert(c.arguments, program, before);
      EXPECT_EQ(result.status, c.status) << result.err;
      Lines expected;
      for (const std::string& line : c.err) expected.push_back("tolvane-convert: " + Path(line));
      EXPECT_EQ(LinesOf(result.err), expected);
      const Lines out = LinesOf(result.out);
      for (const std::string& line : c.out) {
        EXPECT_TRUE(std::find(out.begin(), out.end(), Path(line)) != out.end())
            << line << " not in:\n"
            << result.out;
      }
    }
  }

  TestFolder dir_;
};

}  // namespace tolvane::testing
