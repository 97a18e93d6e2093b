// An MPC expansion as the folder it installs into and as its .xpn archive: the same
// instruments, their samples found by name through the expansion's folders, and the files no
// program plays passed over and counted.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "tests/import/mpc/mpc_files.h"
#include "tests/import/zip_builder.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::Element;
using testing::MpcInstrumentText;
using testing::MpcLayerText;
using testing::MpcProgramText;

Bytes Text(const std::string& text) {
  Bytes bytes;
  for (const char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

std::string Layer(int number, const std::string& sample, const std::string& more = {}) {
  return MpcLayerText(number, Element("SampleName", sample) + more);
}

// The files of a small drum expansion: a kit in a folder of its own with its samples below it,
// a keygroup program at the top, a preview, a demo project and the browser's cache.
std::vector<testing::ZipItem> ExpansionFiles() {
  const std::string kit =
      MpcProgramText("Drum", "2.1",
                     Element("ProgramName", "Kit A") + "<Instruments>" +
                         MpcInstrumentText(1, Element("ZonePlay", "1"),
                                           Layer(1, "kick", Element("VelEnd", "100")) +
                                               Layer(2, "Snare ", Element("VelStart", "101"))) +
                         MpcInstrumentText(2, {}, Layer(1, "Keys C3")) + "</Instruments>");
  const std::string keys =
      MpcProgramText("Keygroup", "2.1",
                     Element("ProgramName", "Keys") + "<Instruments>" +
                         MpcInstrumentText(1, Element("LowNote", "0") + Element("HighNote", "72"),
                                           Layer(1, "Keys C3", Element("RootNote", "61")) +
                                               Layer(2, "kick", Element("SliceLoop", "1"))) +
                         "</Instruments>" + Element("KeygroupNumKeygroups", "1"));
  return {
      {"Expansion.xml", Text("<expansion version=\"2.0.0.0\"><title>Test</title></expansion>")},
      {"Drum Kits/Kit A.xpm", Text(kit), true},
      {"Drum Kits/Samples/Kick.WAV", testing::TestWave(300)},
      {"Drum Kits/Samples/Snare .wav", testing::TestWave(200, 2)},
      {"Keys.xpm", Text(keys)},
      {"Keys C3.WAV", testing::TestWave(400, 1, 100, 300)},
      {"[Previews]/Keys.xpm.wav", testing::TestWave(50)},
      {"Demo.xpj", Text("<?xml version=\"1.0\"?><MPCVObject/>")},
      {"Cache.json", Text("{}")},
  };
}

// Every instrument's name and zones: keys, velocities, sample, frames, loop.
std::vector<std::string> Described(const Library& library) {
  std::vector<std::string> described;
  for (const auto& instrument : library.instruments) {
    described.push_back(instrument->name + ":");
    for (const Zone& zone : instrument->zones) {
      const ZoneMapping& m = zone.mapping;
      described.push_back(
          zone.sample->name + " k" + std::to_string(m.keyLow) + "-" + std::to_string(m.keyHigh) +
          " v" + std::to_string(m.velLow) + "-" + std::to_string(m.velHigh) + " r" +
          std::to_string(m.overridingRootKey != 0 ? m.overridingRootKey : zone.sample->rootKey) +
          " f" + std::to_string(zone.sample->frames) + " c" +
          std::to_string(zone.sample->channels) +
          ((m.flags & ZoneLoop) != 0 ? " L" + std::to_string(zone.sample->loopStart) + "-" +
                                           std::to_string(zone.sample->loopEnd)
                                     : ""));
    }
  }
  return described;
}

std::string Lines(const ImportOutcome& outcome, std::size_t instruments) {
  std::string lines;
  for (const std::string& line : ImportOutcomeLines(outcome, instruments))
    lines += (lines.empty() ? "" : "\n") + line;
  return lines;
}

TEST(MpcExpansion, FolderAndArchiveGiveTheSameInstruments) {
  const testing::TestFolder folder;
  const std::filesystem::path root = folder / "Test Expansion";
  for (const testing::ZipItem& item : ExpansionFiles()) {
    std::filesystem::create_directories((root / item.name).parent_path());
    testing::WriteFile(root / item.name, item.data);
  }
  testing::WriteFile(folder / "Test.xpn", testing::MakeZip(ExpansionFiles()));

  // Instruments in name order, zones in key order. Without loop fields the sample's own loop
  // plays, on a pad too; SliceLoop loops the whole sample, a loop of its own.
  const std::vector<std::string> expected = {
      "Keys:",
      "Kick 0-300 k0-72 v0-127 r60 f300 c1 L0-300",
      "Keys C3 k0-72 v0-127 r60 f400 c1 L100-300",
      "Kit A:",
      "Keys C3 k36-36 v0-127 r36 f400 c1 L100-300",
      "Kick k37-37 v0-100 r37 f300 c1",
      "Snare  k37-37 v101-127 r37 f200 c2",
  };
  Library fromFolder;
  SoundDatabase database;
  const ImportOutcome folderOutcome =
      ImportFile(fromFolder, database, PathToUtf8(root), nullptr, {});
  EXPECT_EQ(Described(fromFolder), expected);
  EXPECT_EQ(Lines(folderOutcome, fromFolder.instruments.size()),
            "note: 1 sound file that no instrument plays was passed over\n"
            "note: 2 files beside the instruments (projects, tracks, sequences, caches) were "
            "passed over");
  ASSERT_EQ(fromFolder.sources.size(), 1u);

  Library fromArchive;
  const ImportOutcome archiveOutcome =
      ImportFile(fromArchive, database, PathToUtf8(folder / "Test.xpn"), nullptr, {});
  EXPECT_EQ(Described(fromArchive), expected);
  EXPECT_EQ(Lines(archiveOutcome, fromArchive.instruments.size()),
            "note: 3 files of the expansion that no program plays (previews, sequences, caches, "
            "tracks, artwork) passed over");
  ASSERT_EQ(fromArchive.sources.size(), 1u);
  // Samples two programs play are stored once in the source.
  EXPECT_EQ(fromArchive.sources[0]->groups.size(), fromFolder.sources[0]->groups.size());

  // An expansion inside a larger library finds its samples the same way.
  Library fromLibrary;
  const ImportOutcome libraryOutcome =
      ImportFile(fromLibrary, database, PathToUtf8(folder.path()), nullptr, {});
  EXPECT_EQ(libraryOutcome.status, ImportStatus::Imported);
  std::size_t zones = 0;
  for (const auto& instrument : fromLibrary.instruments) zones += instrument->zones.size();
  EXPECT_EQ(fromLibrary.instruments.size(), 4u);  // the folder's two and the archive's two
  EXPECT_EQ(zones, 10u);
}

TEST(MpcExpansion, AnArchiveWithoutExpansionXmlOrProgramsIsDamaged) {
  const testing::TestFolder folder;
  const struct {
    std::vector<testing::ZipItem> items;
    std::string lines;
  } cases[] = {
      {{{"Keys.xpm", Text("x")}}, "damaged: no Expansion.xml at the archive's top"},
      {{{"Expansion.xml", Text("<expansion/>")}, {"a.wav", testing::TestWave(10)}},
       "damaged: an expansion without a program"},
      {{{"Expansion.xml", Text("<expansion/>")},
        {"Keys.xpm", Text("not xml")},
        {"../evil.xpm", Text("x")}},
       "damaged: Keys.xpm: not an MPC program: not well-formed XML: No document element found at "
       "byte 7; 1 file left out: archive entry '../evil.xpm' refused: it has a '..' part"},
  };
  for (const auto& c : cases) {
    testing::WriteFile(folder / "E.xpn", testing::MakeZip(c.items));
    Library library;
    SoundDatabase database;
    const ImportOutcome outcome =
        ImportFile(library, database, PathToUtf8(folder / "E.xpn"), nullptr, {});
    EXPECT_EQ(Lines(outcome, library.instruments.size()), c.lines);
  }
}

}  // namespace
}  // namespace tolvane
