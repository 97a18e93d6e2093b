// The rules that read a sample file's name, and the plan that turns a folder's names into
// instruments.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "import/sample_folder/folder_plan.h"
#include "import/sample_folder/sample_name.h"

namespace tolvane {
namespace {

constexpr auto L = SampleChannel::Left;
constexpr auto R = SampleChannel::Right;
constexpr auto N = SampleChannel::None;

SampleLayer V(int value) {
  return {LayerKind::Number, value};
}
SampleLayer Dyn(int rank) {
  return {LayerKind::Dynamic, rank};
}

struct NameCase {
  std::string file;
  std::string stem;
  std::optional<int> key;  // under C3 = 60
  std::optional<SampleLayer> layer;
  std::optional<int> roundRobin;
  SampleChannel channel;
};

TEST(SampleName, TableOfNames) {
  const std::vector<NameCase> cases = {
      {"Piano-C3-V127", "Piano", 60, V(127), {}, N},
      {"Piano-F#3-V127", "Piano", 66, V(127), {}, N},
      {"Piano-Db3-V64", "Piano", 61, V(64), {}, N},
      {"piano_c3", "piano", 60, {}, {}, N},
      {"Kit_Snare_v1_rr2", "Kit_Snare", {}, V(1), 2, N},
      {"PolyBrute Triangle Wave C2", "PolyBrute Triangle Wave", 48, {}, {}, N},
      {"x_vl2_rr3", "x", {}, V(2), 3, N},
      {"Strings vel64 seq1", "Strings", {}, V(64), 1, N},
      {"Horn_layer3_alt2", "Horn", {}, V(3), 2, N},
      {"X LEVEL1 CLOSE 21", "X CLOSE", 21, V(1), {}, N},
      {"a3_f_rr1", "", 69, Dyn(5), 1, N},
      {"a2_pp_R2", "", 57, Dyn(1), 2, N},
      {"Cello soft G1", "Cello", 43, Dyn(1), {}, N},
      {"Cello-hard-G1", "Cello", 43, Dyn(6), {}, N},
      {"Organ_060", "Organ", 60, {}, {}, N},
      {"A_029__F1", "A", 29, {}, {}, N},  // a number and the note it is under C4 = 60
      {"Pad_C-1", "Pad", 12, {}, {}, N},
      {"Bass-ab3", "Bass", 68, {}, {}, N},
      {"Bass bb4", "Bass", 82, {}, {}, N},
      {"Bass b3", "Bass", 71, {}, {}, N},
      {"Bass E#3 Cb3", "Bass Cb3", 65, {}, {}, N},  // the first note counts
      {"Bass B#3", "Bass", 72, {}, {}, N},
      {"Pad_C3_L", "Pad", 60, {}, {}, L},
      {"Pad-C3-R", "Pad", 60, {}, {}, R},
      {"Pad C3 Left", "Pad", 60, {}, {}, L},
      {"Pad.C3.right", "Pad", 60, {}, {}, R},
      {"Juno 106 C3", "Juno 106", 60, {}, {}, N},  // a number that is not the note stays
      {"Take 3000", "Take 3000", {}, {}, {}, N},
      {"D50 Pad", "D50 Pad", {}, {}, {}, N},  // no octave 50
      {"Loop", "Loop", {}, {}, {}, N},
      {"Bass A", "Bass A", {}, {}, {}, N},
      {"C3", "", 60, {}, {}, N},
      {"Piano C♯3", "Piano", 61, {}, {}, N},
      {"", "", {}, {}, {}, N},
      {"__--", "", {}, {}, {}, N},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.file);
    const SampleName name = SampleName::Parse(c.file);
    EXPECT_EQ(name.stem, c.stem);
    EXPECT_EQ(name.Key(MiddleC::C3), c.key);
    EXPECT_EQ(name.layer, c.layer);
    EXPECT_EQ(name.roundRobin, c.roundRobin);
    EXPECT_EQ(name.channel, c.channel);
  }
}

TEST(SampleName, MiddleCConventions) {
  const SampleName c4 = SampleName::Parse("Piano C4");
  EXPECT_EQ(c4.Key(MiddleC::C3), 72);
  EXPECT_EQ(c4.Key(MiddleC::C4), 60);
  EXPECT_EQ(SampleName::Parse("Piano C-2").Key(MiddleC::C3), 0);
  EXPECT_EQ(SampleName::Parse("Piano C-2").Key(MiddleC::C4), std::nullopt);  // below key 0
  EXPECT_EQ(SampleName::Parse("Piano G9").Key(MiddleC::C4), 127);
  EXPECT_EQ(SampleName::Parse("Piano G9").Key(MiddleC::C3), std::nullopt);
  // A number and a name that agree tell the convention.
  EXPECT_EQ(ConventionOf(NoteName{5, 1}, 29), MiddleC::C4);
  EXPECT_EQ(ConventionOf(NoteName{0, 3}, 60), MiddleC::C3);
  EXPECT_EQ(ConventionOf(NoteName{0, 3}, 61), std::nullopt);
}

FolderFile File(const std::string& stem, std::uint32_t frames = 100,
                std::optional<std::uint32_t> ownRoot = {}, std::uint32_t channels = 1) {
  FolderFile file;
  file.stem = stem;
  file.name = SampleName::Parse(stem);
  file.ownRootKey = ownRoot;
  file.channels = channels;
  file.frames = frames;
  file.sampleRate = 44100;
  return file;
}

// Zones as "file:keyLow-keyHigh@root/velLow-velHigh", in plan order.
std::vector<std::string> Zones(const PlannedInstrument& instrument,
                               const std::vector<FolderFile>& files) {
  std::vector<std::string> out;
  for (const PlannedZone& zone : instrument.zones) {
    std::string text = files[zone.file].stem;
    if (zone.right) text += "+" + files[*zone.right].stem;
    text += ":" + std::to_string(zone.keyLow) + "-" + std::to_string(zone.keyHigh) + "@" +
            (zone.rootKey ? std::to_string(*zone.rootKey) : "-") + "/" +
            std::to_string(zone.velLow) + "-" + std::to_string(zone.velHigh);
    out.push_back(text);
  }
  return out;
}

using Texts = std::vector<std::string>;

TEST(FolderPlan, KeysSplitHalfwayAndLayersShareTheVelocities) {
  const std::vector<FolderFile> files = {
      File("Piano-C3-V127"), File("Piano-D3-V127"), File("Piano-F#3-V127"),
      File("Piano-C3-V64"),  File("Piano-F3-V64"),
  };
  const FolderPlan plan = PlanFolder(files, MiddleC::C3);
  ASSERT_EQ(plan.instruments.size(), 1u);
  EXPECT_EQ(plan.instruments[0].name, "Piano");
  // 60/62: 61 goes to the lower root; 62/66: 64 likewise.
  EXPECT_EQ(Zones(plan.instruments[0], files),
            (Texts{"Piano-C3-V64:0-62@60/1-64", "Piano-F3-V64:63-127@65/1-64",
                   "Piano-C3-V127:0-61@60/65-127", "Piano-D3-V127:62-64@62/65-127",
                   "Piano-F#3-V127:65-127@66/65-127"}));
  EXPECT_EQ(plan.roundRobinsLeftOut, 0u);
}

TEST(FolderPlan, VelocityLayers) {
  struct Case {
    Texts layers;
    Texts ranges;  // velLow-velHigh in layer order
  };
  const std::vector<Case> cases = {
      {{"v1"}, {"0-127"}},
      {{"v1", "v2"}, {"1-63", "64-127"}},
      {{"v3", "v1", "v2"}, {"1-42", "43-84", "85-127"}},
      {{"pp", "mf", "ff", "p"}, {"1-31", "32-63", "64-95", "96-127"}},
      {{"hard", "soft", "med"}, {"1-42", "43-84", "85-127"}},
      {{"V40", "V127", "V90"}, {"1-40", "41-90", "91-127"}},
      {{"V40", "V100"}, {"1-40", "41-127"}},  // the top layer reaches 127
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layers.front());
    std::vector<FolderFile> files;
    for (const std::string& layer : c.layers) files.push_back(File("Harp_C3_" + layer));
    const FolderPlan plan = PlanFolder(files, MiddleC::C3);
    ASSERT_EQ(plan.instruments.size(), 1u);
    Texts ranges;
    for (const PlannedZone& zone : plan.instruments[0].zones)
      ranges.push_back(std::to_string(zone.velLow) + "-" + std::to_string(zone.velHigh));
    EXPECT_EQ(ranges, c.ranges);
  }
}

TEST(FolderPlan, RoundRobinsKeepTheFirstAndAreCounted) {
  const std::vector<FolderFile> files = {
      File("Snare_C1_rr3"), File("Snare_C1_rr1"), File("Snare_C1_rr10"),
      File("Snare_D1_rr2"), File("Snare_D1_rr9"),
  };
  const FolderPlan plan = PlanFolder(files, MiddleC::C3);
  ASSERT_EQ(plan.instruments.size(), 1u);
  EXPECT_EQ(Zones(plan.instruments[0], files),
            (Texts{"Snare_C1_rr1:0-37@36/0-127", "Snare_D1_rr2:38-127@38/0-127"}));
  EXPECT_EQ(plan.roundRobinsLeftOut, 3u);
}

TEST(FolderPlan, LeftAndRightHalvesPairWhenTheyMatch) {
  const std::vector<FolderFile> files = {
      File("Pad_C3_L"),
      File("Pad_C3_R"),  // a pair
      File("Pad_C4_L"),
      File("Pad_C4_R", 99),  // lengths differ
      File("Hand_C3_l", 100, {}, 2),
      File("Hand_C3_r", 100, {}, 2),  // already stereo
  };
  const FolderPlan plan = PlanFolder(files, MiddleC::C3);
  ASSERT_EQ(plan.instruments.size(), 5u);
  EXPECT_EQ(plan.instruments[0].name, "Hand_l");
  EXPECT_EQ(plan.instruments[1].name, "Hand_r");
  EXPECT_EQ(plan.instruments[2].name, "Pad");
  EXPECT_EQ(Zones(plan.instruments[2], files), (Texts{"Pad_C3_L+Pad_C3_R:0-127@60/0-127"}));
  EXPECT_EQ(plan.instruments[3].name, "Pad_L");
  EXPECT_EQ(Zones(plan.instruments[3], files), (Texts{"Pad_C4_L:0-127@72/0-127"}));
  EXPECT_EQ(plan.instruments[4].name, "Pad_R");
}

TEST(FolderPlan, FilesWithoutANoteStandAloneUnlessTheyKnowTheirRoot) {
  const std::vector<FolderFile> files = {
      File("Kick"), File("Snare_v1"), File("Tom", 100, 50), File("Tom C3"), File("C2"),
  };
  const FolderPlan plan = PlanFolder(files, MiddleC::C3);
  ASSERT_EQ(plan.instruments.size(), 4u);
  EXPECT_EQ(plan.instruments[0].name, "");  // "C2": named after the folder
  EXPECT_EQ(plan.instruments[1].name, "Tom");
  EXPECT_EQ(Zones(plan.instruments[1], files),
            (Texts{"Tom:0-55@50/0-127", "Tom C3:56-127@60/0-127"}));
  EXPECT_EQ(plan.instruments[2].name, "Kick");
  EXPECT_EQ(Zones(plan.instruments[2], files), (Texts{"Kick:0-127@-/0-127"}));
  EXPECT_EQ(plan.instruments[3].name, "Snare_v1");
}

// A recorder's tag that differs in every file is no part of the instrument's name; a word that
// differs is, and so is a tag whose files would play the same key.
TEST(FolderPlan, TagsThatDifferInEveryFileLeaveTheName) {
  const char* const notes[] = {"C3",  "C#3", "D3",  "D#3", "E3", "F3",  "F#3", "G3",
                               "G#3", "A3",  "A#3", "B3",  "C4", "C#4", "D4"};
  const char* const tags[] = {"Z5O6", "WBNT", "K2PQ", "7RTA", "MMX1", "Q9ZB", "HHJ2", "U0UV",
                              "P3LA", "AAB8", "TT5T", "R2D2", "XY01", "CQ7F", "N0TE"};
  std::vector<FolderFile> files;
  for (std::size_t i = 0; i < std::size(notes); ++i)
    files.push_back(File(std::string("PolyBrute Triangle Wave-") + notes[i] + "-V127-" + tags[i]));
  for (const MiddleC middleC : {MiddleC::C3, MiddleC::C4}) {
    const FolderPlan plan = PlanFolder(files, middleC);
    ASSERT_EQ(plan.instruments.size(), 1u);
    EXPECT_EQ(plan.instruments[0].name, "PolyBrute Triangle Wave");
    const std::vector<PlannedZone>& zones = plan.instruments[0].zones;
    ASSERT_EQ(zones.size(), 15u);
    EXPECT_EQ(zones.front().keyLow, 0);
    EXPECT_EQ(zones.back().keyHigh, 127);
    for (std::size_t i = 0; i < zones.size(); ++i) {
      EXPECT_EQ(files[zones[i].file].stem.substr(24, std::string(notes[i]).size()), notes[i]);
      EXPECT_EQ(*zones[i].rootKey, (middleC == MiddleC::C3 ? 60 : 48) + static_cast<int>(i));
    }
  }
  const std::vector<FolderFile> words = {File("Piano-C3"), File("Organ-D3"), File("Flute-E3")};
  EXPECT_EQ(PlanFolder(words, MiddleC::C3).instruments.size(), 3u);
  const std::vector<FolderFile> sameKey = {File("Pad-C3-AB12"), File("Pad-C3-CD34"),
                                           File("Pad-D3-EF56")};
  EXPECT_EQ(PlanFolder(sameKey, MiddleC::C3).instruments.size(), 3u);
  const std::vector<FolderFile> two = {File("Pad-C3-AB12"), File("Pad-D3-CD34")};
  EXPECT_EQ(PlanFolder(two, MiddleC::C3).instruments.size(), 2u);
}

TEST(FolderPlan, NamesWithANumberAndANoteSettleTheConvention) {
  // F1 is 29 under C4 = 60: every plain note of the folder is read so.
  const std::vector<FolderFile> withNumbers = {File("A_029__F1"), File("B C4")};
  const FolderPlan settled = PlanFolder(withNumbers, MiddleC::C3);
  EXPECT_EQ(settled.middleC, MiddleC::C4);
  ASSERT_EQ(settled.instruments.size(), 2u);
  EXPECT_EQ(*settled.instruments[1].zones[0].rootKey, 60);

  // Names that disagree leave it to the setting.
  const std::vector<FolderFile> mixed = {File("A_029__F1"), File("A_053__F2"), File("B C4")};
  EXPECT_EQ(PlanFolder(mixed, MiddleC::C3).middleC, MiddleC::C3);
  const std::vector<FolderFile> plain = {File("B C4")};
  EXPECT_EQ(*PlanFolder(plain, MiddleC::C3).instruments[0].zones[0].rootKey, 72);
  EXPECT_EQ(*PlanFolder(plain, MiddleC::C4).instruments[0].zones[0].rootKey, 60);
}

}  // namespace
}  // namespace tolvane
