// Hostile MPC programs: missing and duplicate elements, absurd numbers, too many instruments,
// empty names and sample names that try to leave the program's folder. Each has an outcome
// that says what happened; none crashes.

#include <gtest/gtest.h>

#include <string>

#include "import/mpc/mpc_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "tests/import/mpc/mpc_files.h"

namespace tolvane {
namespace {

using testing::Element;
using testing::MpcInstrumentText;
using testing::MpcLayerText;
using testing::MpcProgramText;

std::string Layer(const std::string& sample, const std::string& more = {}) {
  return MpcLayerText(1, more + Element("SampleName", sample));
}

std::string Keygroups(const std::string& instruments, const std::string& program = {}) {
  return MpcProgramText("Keygroup", "2.1",
                        program + "<Instruments>" + instruments + "</Instruments>");
}

std::string Many(int count) {
  std::string instruments;
  for (int n = 1; n <= count; ++n) instruments += MpcInstrumentText(n, {}, Layer("a"));
  return instruments;
}

TEST(MpcHostile, EveryFileHasAClearOutcome) {
  testing::MpcFakeFiles files;
  files.samples["a.wav"] = {};
  files.samples["Sub/b.wav"] = {};
  const std::string a = MpcInstrumentText(1, {}, Layer("a"));
  const std::string a2 = MpcInstrumentText(2, {}, Layer("a"));
  const struct {
    std::string what;
    std::string text;
    std::size_t zones;
    std::string lines;  // the first line as the programs word the outcome
  } cases[] = {
      {"empty", "", 0,
       "damaged: not an MPC program: not well-formed XML: No document element found at byte 0"},
      {"another root", "<MPCV/>", 0, "damaged: not an MPC program: no <MPCVObject> root"},
      {"no program", "<MPCVObject><Version/></MPCVObject>", 0,
       "damaged: not an MPC program: no <Program> element"},
      {"cut short", Keygroups(a).substr(0, 300), 0,
       "damaged: not an MPC program: not well-formed XML: Start-end tags mismatch at byte 299"},
      {"a MIDI program", MpcProgramText("Midi", "2.1", a), 0,
       "not read: an MPC Midi program (only keygroup and drum programs hold samples)"},
      {"no type", MpcProgramText("", "2.1", a), 0,
       "not read: an MPC untyped program (only keygroup and drum programs hold samples)"},
      {"no instruments", Keygroups(""), 0, "damaged: no layer names a sample"},
      {"no layers", Keygroups(MpcInstrumentText(1, {}, "")), 0, "damaged: no layer names a sample"},
      {"Version as an attribute",
       "<MPCVObject Version=\"2.1\"><Program type=\"Keygroup\"><Instruments>" + a +
           "</Instruments></Program></MPCVObject>",
       1, ""},
      {"programs and names twice: the first counts",
       "<MPCVObject><Program type=\"Keygroup\"><ProgramName>One</ProgramName><ProgramName>Two"
       "</ProgramName><Instruments>" +
           a + "</Instruments></Program><Program type=\"Midi\"/></MPCVObject>",
       1, ""},
      {"an instrument numbered twice", Keygroups(a + a), 1,
       "note: 1 instrument left out: past the program's keygroup count, numbered twice or outside "
       "1 to 128"},
      {"numbered 0 and 129",
       Keygroups(MpcInstrumentText(0, {}, Layer("a")) + MpcInstrumentText(129, {}, Layer("a")) + a),
       1,
       "note: 2 instruments left out: past the program's keygroup count, numbered twice or "
       "outside 1 to 128"},
      {"128 instruments", Keygroups(Many(128)), 128, ""},
      {"129 instruments", Keygroups(Many(129)), 128,
       "note: 1 instrument left out: past the program's keygroup count, numbered twice or outside "
       "1 to 128"},
      {"128 drum pads",
       MpcProgramText("Drum", "2.1", "<Instruments>" + Many(128) + "</Instruments>"), 128, ""},
      {"absurd numbers are clamped",
       Keygroups(MpcInstrumentText(
                     1,
                     Element("LowNote", "-5") + Element("HighNote", "1e30") +
                         Element("Volume", "1e308") + Element("TuneCoarse", "nan") +
                         Element("VolumeAttack", "-7") + Element("Cutoff", "inf"),
                     Layer("a", Element("VelStart", "900") + Element("VelEnd", "-3") +
                                    Element("RootNote", "99999") + Element("Pitch", "-1e9") +
                                    Element("SliceStart", "1e20") + Element("SliceEnd", "-1") +
                                    Element("SliceLoop", "7") + Element("SliceLoopStart", "4e9"))),
                 Element("KeygroupNumKeygroups", "1e12") + Element("Volume", "-2")),
       1, ""},
      {"no keygroups counted", Keygroups(a, Element("KeygroupNumKeygroups", "0")), 0,
       "damaged: no layer left to play"},
      {"an empty program name: the file's", Keygroups(a, Element("ProgramName", "  ")), 1, ""},
      {"empty sample names make no zone", Keygroups(MpcInstrumentText(1, {}, Layer("   "))), 0,
       "damaged: no layer names a sample"},
      {"inactive layers make no zone",
       Keygroups(MpcInstrumentText(1, {}, Layer("a", Element("Active", "False")))), 0,
       "damaged: no layer names a sample"},
      {"a missing sample is named", Keygroups(MpcInstrumentText(1, {}, Layer("Gone  ")) + a2), 1,
       "damaged (1 instrument imported): 1 layer left out: sample 'Gone.wav' not found"},
      {"climbing out", Keygroups(MpcInstrumentText(1, {}, Layer("../../etc/passwd"))), 0,
       "damaged: no layer left to play; 1 layer left out: sample '../../etc/passwd' lies outside "
       "the instrument's folder or archive"},
      {"a Windows path", Keygroups(MpcInstrumentText(1, {}, Layer("..\\Sub\\b")) + a2), 1,
       "damaged (1 instrument imported): 1 layer left out: sample '..\\Sub\\b' lies outside the "
       "instrument's folder or archive"},
      {"an absolute path", Keygroups(MpcInstrumentText(1, {}, Layer("/Sub/b")) + a2), 1,
       "damaged (1 instrument imported): 1 layer left out: sample '/Sub/b' lies outside the "
       "instrument's folder or archive"},
      {"a drive letter is only a name", Keygroups(MpcInstrumentText(1, {}, Layer("C:b")) + a2), 1,
       "damaged (1 instrument imported): 1 layer left out: sample 'C:b.wav' not found"},
      {"SampleFile names the file when SampleName is empty",
       Keygroups(MpcInstrumentText(1, {}, Layer("", Element("SampleFile", "../x/b.WAV")))), 1, ""},
  };
  for (const auto& c : cases) {
    Library library;
    Source& source = CreateSource(library, "/mpc/File Name.xpm");
    const ImportOutcome outcome = ImportMpcProgramText(library, source, c.text, 0, files);
    std::size_t zones = 0;
    for (const auto& instrument : library.instruments) zones += instrument->zones.size();
    EXPECT_EQ(zones, c.zones) << c.what;
    const auto lines = ImportOutcomeLines(outcome, library.instruments.size());
    EXPECT_EQ(lines.empty() ? "" : lines.front(), c.lines) << c.what;
    if (c.zones > 0 && c.what.starts_with("an empty")) {
      EXPECT_EQ(library.instruments[0]->name, "File Name");
    }
  }
}

}  // namespace
}  // namespace tolvane
