// Every Hydrogen drum kit Debian ships (hydrogen-drumkits, hydrogen-data; scripts/setup installs
// them), dropped as its folder: each instrument on its key, each layer on the velocities Hydrogen
// plays it at, checked against the kit's XML read here on its own.

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"

namespace tolvane {
namespace {

const std::filesystem::path kKits = "/usr/share/hydrogen/data/drumkits";

struct KitFacts {
  const char* folder;
  const char* name;     // the instrument's
  std::size_t kept;     // instruments that play: not muted, their sample there
  const char* missing;  // the one sample the package lacks, or null
};

// Muted instruments and empty slots of the list play nothing; Millo_MultiLayered2's cowbell names a
// file the kit does not have, so that kit alone is damaged.
const KitFacts kKitFacts[] = {
    {"Audiophob", "Audiophob", 14, nullptr},
    {"BJA_Pacific", "BJA_Pacific", 14, nullptr},
    {"ColomboAcousticDrumkit", "ColomboAcousticDrumkit", 18, nullptr},
    {"ElectricEmpireKit", "ElectricEmpireKit", 32, nullptr},
    {"ForzeeStereo", "Forzee Stereo Drumkit", 27, nullptr},
    {"GMRockKit", "GMRockKit", 18, nullptr},
    {"Gimme A Hand 1.0", "Gimme A Hand 1.0", 14, nullptr},
    {"HardElectro1", "HardElectro1", 16, nullptr},
    {"Millo-Drums_v.1", "Millo-Drums_v.1", 16, nullptr},
    {"Millo_MultiLayered2", "Millo_MultiLayered2", 15, "misc_Cowbell.flac"},
    {"Millo_MultiLayered3", "Millo_MultiLayered3", 13, nullptr},
    {"TR808EmulationKit", "TR808EmulationKit", 16, nullptr},
    {"The Black Pearl 1.0", "The Black Pearl 1.0", 22, nullptr},
    {"VariBreaks", "VariBreaks", 16, nullptr},
    {"circAfrique v4", "circAfrique v4", 27, nullptr},
    {"rumpf_kit_z01_h2", "rumpf_kit_z01_gm", 82, nullptr},
};

struct XmlLayer {
  std::string stem;
  double min = 0;
  double max = 1;
};

std::string Stem(const std::string& file) {
  return std::filesystem::path(file).stem().string();
}

// The layers of an instrument element in any of the three forms.
std::vector<XmlLayer> LayersOf(const pugi::xml_node& instrument) {
  std::vector<XmlLayer> layers;
  const auto add = [&](const pugi::xml_node& parent) {
    for (const pugi::xml_node& layer : parent.children("layer")) {
      layers.push_back({Stem(layer.child("filename").text().get()),
                        layer.child("min").text().as_double(),
                        layer.child("max").text().as_double()});
    }
  };
  add(instrument);
  for (const pugi::xml_node& component : instrument.children("instrumentComponent")) add(component);
  // An empty slot of the list has no filename either.
  const std::string file = instrument.child("filename").text().get();
  if (layers.empty() && !file.empty()) layers.push_back({Stem(file), 0, 1});
  return layers;
}

// The stem of the first layer whose range holds velocity v; empty in a gap.
std::string FirstHolding(const std::vector<XmlLayer>& layers, int v) {
  for (const XmlLayer& layer : layers)
    if (layer.min * 127 - 1e-3 <= v && v <= layer.max * 127 + 1e-3) return layer.stem;
  return {};
}

TEST(HydrogenKits, EveryDebianKitPlaysAsItsXmlSays) {
  for (const KitFacts& facts : kKitFacts) {
    SCOPED_TRACE(facts.folder);
    const std::filesystem::path folder = kKits / facts.folder;
    ASSERT_TRUE(std::filesystem::is_regular_file(folder / "drumkit.xml"))
        << "missing kit: scripts/setup installs hydrogen-drumkits and hydrogen-data";
    Library library;
    SoundDatabase database;
    const ImportOutcome outcome = ImportFile(library, database, folder.string());
    if (facts.missing == nullptr) {
      EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
    } else {
      ASSERT_EQ(outcome.leftOut.size(), 1u) << OutcomeReason(outcome);
      EXPECT_EQ(outcome.leftOut[0].subject, facts.missing);
      EXPECT_EQ(outcome.leftOut[0].kind, LeftOutKind::SampleNotFound);
      EXPECT_EQ(outcome.leftOut[0].count, 1u);
    }
    ASSERT_EQ(library.instruments.size(), 1u);
    const Instrument& instrument = *library.instruments[0];
    EXPECT_EQ(instrument.name, facts.name);

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((folder / "drumkit.xml").c_str()));
    int key = 36;
    std::size_t kept = 0;
    for (const pugi::xml_node& node :
         document.child("drumkit_info").child("instrumentList").children("instrument")) {
      SCOPED_TRACE(key);
      const bool muted = std::string(node.child("isMuted").text().get()) == "true";
      const std::vector<XmlLayer> layers = LayersOf(node);
      // Which zone of this key each velocity plays.
      std::vector<int> playedBy(128, 0);
      for (const Zone& zone : instrument.zones) {
        if (zone.mapping.keyLow != key) continue;
        EXPECT_EQ(zone.mapping.keyHigh, key);
        EXPECT_EQ(zone.mapping.overridingRootKey, key);
        for (int v = zone.mapping.velLow; v <= zone.mapping.velHigh; ++v) {
          ++playedBy[v];
          const std::string first = FirstHolding(layers, v);
          if (!first.empty()) {
            EXPECT_EQ(zone.sample->name, first) << "velocity " << v;
          }
        }
      }
      const bool missing =
          facts.missing != nullptr && layers.size() == 1 && layers[0].stem == Stem(facts.missing);
      if (muted || missing || layers.empty()) {
        EXPECT_EQ(std::count(playedBy.begin(), playedBy.end(), 0), 128);
      } else {
        ++kept;
        EXPECT_EQ(playedBy[0], 0);
        for (int v = 1; v <= 127; ++v) EXPECT_EQ(playedBy[v], 1) << "velocity " << v;
      }
      ++key;
    }
    EXPECT_EQ(kept, facts.kept);
  }
}

// A few facts read off the kits by hand, for the rounding of the velocity ranges.
TEST(HydrogenKits, HandCheckedLayers) {
  struct Case {
    const char* folder;
    int key;
    const char* sample;
    int velLow, velHigh;
  };
  const Case cases[] = {
      {"BJA_Pacific", 36, "BD_01", 1, 15},         // 0 .. 0.125
      {"BJA_Pacific", 36, "BD_02", 16, 31},        // 0.125 .. 0.25
      {"BJA_Pacific", 36, "BD_08", 112, 127},      // 0.875 .. 1
      {"GMRockKit", 36, "Kick-Softest", 1, 25},    // 0 .. 0.202899
      {"GMRockKit", 36, "Kick-Soft", 26, 46},      // 0.202899 .. 0.369565
      {"Millo-Drums_v.1", 36, "bd1", 1, 127},      // the oldest form
      {"rumpf_kit_z01_h2", 117, nullptr, 1, 127},  // the 82nd instrument
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + " " + (c.sample ? c.sample : ""));
    Library library;
    SoundDatabase database;
    ImportFile(library, database, (kKits / c.folder).string());
    ASSERT_EQ(library.instruments.size(), 1u);
    bool found = false;
    for (const Zone& zone : library.instruments[0]->zones) {
      if (zone.mapping.keyLow != c.key) continue;
      if (c.sample != nullptr && zone.sample->name != c.sample) continue;
      found = true;
      EXPECT_EQ(zone.mapping.velLow, c.velLow);
      EXPECT_EQ(zone.mapping.velHigh, c.velHigh);
    }
    EXPECT_TRUE(found);
  }
}

}  // namespace
}  // namespace tolvane
