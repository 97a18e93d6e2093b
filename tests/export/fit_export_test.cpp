// Exports with and without the options that fit the sampler's memory: without them the bytes are
// the writer's alone; with them the files shrink by what the options name, the measured size is
// the written one, and on Debian's banks and Hydrogen's kits every zone keeps what it plays.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "export/export_commands.h"
#include "export/export_size.h"
#include "export/sifi_writer.h"
#include "import/import_file.h"
#include "model_builder.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using test_support::ModelBuilder;

constexpr const char* kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* kKits = "/usr/share/hydrogen/data/drumkits";
// The threshold's magnitude at the default -60 dBFS.
constexpr int kQuiet = 32;

std::vector<const Instrument*> All(const Library& library) {
  std::vector<const Instrument*> all;
  for (const auto& instrument : library.instruments) all.push_back(instrument.get());
  return all;
}

std::vector<std::byte> Plain(std::span<const Instrument* const> checked) {
  auto set = CreateExportSet();
  for (const Instrument* instrument : checked) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::byte> bytes;
  EXPECT_TRUE(SerializeExportSet(*set, bytes));
  return bytes;
}

std::vector<std::byte> Bytes(const fs::path& path) {
  const std::string text = testing::ReadFileText(path);
  const auto* begin = reinterpret_cast<const std::byte*>(text.data());
  return {begin, begin + text.size()};
}

// Instruments of mono and stereo samples, looped and not, one pair sharing a sample.
class FitExportTest : public ::testing::Test {
 protected:
  FitExportTest() {
    const auto shared = model.Stream(400);
    for (const char* name : {"Harp", "Lute"}) {
      auto instrument = model.Begin(name);
      model.AddTestZone(*instrument, model.NewSample(*instrument, "shared", 400, 1, shared), 0);
      model.Finish(std::move(instrument));
    }
    auto stereo = model.Begin("Pad");
    model.AddTestZone(*stereo, model.NewSample(*stereo, "wide", 300, 2), 0).mapping.flags |=
        ZoneStereo | ZoneLoop;
    model.Finish(std::move(stereo));
    model.Simple("Bell", 900);
  }

  void SetUp() override { fs::create_directories(folder / "single"); }

  testing::TestFolder folder;
  ModelBuilder model;
};

// The options off, one at a time as a run may leave them, write what the writer writes alone.
TEST_F(FitExportTest, WithoutTheOptionsTheBytesAreTheWritersAlone) {
  const std::vector<const Instrument*> all = All(model.library());
  const std::vector<std::byte> plain = Plain(all);
  ExportOptions off;
  off.trimDbfs = std::nullopt;
  off.mono = MonoFold::kNone;
  for (const ExportOptions& options : {ExportOptions{}, off}) {
    ASSERT_TRUE(ExportCollection(all, folder / "All.SLC", nullptr, options));
    EXPECT_EQ(Bytes(folder / "All.SLC"), plain);
    const SingleExportResult single =
        ExportSingleInstruments(model.library(), all, folder / "single", nullptr, options);
    ASSERT_TRUE(single.ok());
    // One file per group, in the order the groups were made.
    const auto& groups = model.source().groups;
    ASSERT_EQ(single.written.size(), groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
      const std::vector<const Instrument*> members(groups[i]->instruments.begin(),
                                                   groups[i]->instruments.end());
      EXPECT_EQ(Bytes(single.written[i]), Plain(members)) << single.written[i];
    }
    EXPECT_EQ(single.saved.bytes(), 0u);
  }
}

TEST_F(FitExportTest, WithThemTheFileShrinksByWhatTheyNameAndAsMeasured) {
  const std::vector<const Instrument*> all = All(model.library());
  // Every third value of the test streams is below the threshold at most by chance, so a
  // threshold above the streams' values cuts; -20 dBFS is 3277. The samples' rates are above
  // 22,350 Hz.
  ExportOptions cut;
  cut.trimDbfs = -20;
  cut.mono = MonoFold::kAll;
  ExportOptions lower;
  lower.rate = 16000;
  ExportOptions every = cut;
  every.rate = 22050;
  for (const ExportOptions& options : {cut, lower, every}) {
    SCOPED_TRACE(options.rate ? *options.rate : 0);
    const ExportSize measured = MeasureExport(all, options);
    const ExportResult written = ExportCollection(all, folder / "All.SLC", nullptr, options);
    ASSERT_TRUE(written);
    EXPECT_GT(written.saved.bytes(), 0u);
    EXPECT_EQ(written.saved.monoSamples, options.mono == MonoFold::kAll ? 1u : 0u);
    EXPECT_EQ(written.saved.resampledSamples, options.rate ? 3u : 0u);
    EXPECT_EQ(fs::file_size(folder / "All.SLC") + written.saved.bytes(), Plain(all).size());
    EXPECT_EQ(measured.collectionBytes, fs::file_size(folder / "All.SLC"));
    EXPECT_EQ(measured.saved.bytes(), written.saved.bytes());

    const SingleExportResult single =
        ExportSingleInstruments(model.library(), all, folder / "single", nullptr, options);
    ASSERT_TRUE(single.ok());
    std::uint64_t total = 0;
    for (const fs::path& file : single.written) total += fs::file_size(file);
    EXPECT_EQ(measured.singleBytes, total);
    EXPECT_EQ(measured.singleFiles, 3u);
    EXPECT_EQ(single.saved.bytes(), written.saved.bytes());
  }
}

bool Quiet(const Sample& sample, std::uint32_t from, std::uint32_t to) {
  for (std::size_t i = std::size_t{from} * sample.channels; i < std::size_t{to} * sample.channels;
       ++i)
    if (std::abs(int{sample.data[i]}) > kQuiet) return false;
  return true;
}

// Where the fitted sample's frames start in the original's, if they are its frames.
std::optional<std::uint32_t> LeadOf(const Sample& original, const Sample& fitted) {
  const std::size_t channels = fitted.channels;
  const auto values = static_cast<std::ptrdiff_t>(fitted.frames * channels);
  for (std::uint32_t lead = 0; lead + fitted.frames <= original.frames; ++lead) {
    if (std::equal(fitted.data.begin(), fitted.data.begin() + values,
                   original.data.begin() + static_cast<std::ptrdiff_t>(lead * channels)))
      return lead;
  }
  return std::nullopt;
}

// Trims `library` as an export of all of it would and checks every zone: its sample is the
// original's frames, only quiet ones cut, its start offset and played loop moved with the cut.
// The number of samples cut.
std::size_t ExpectEveryZonePlaysTheSame(const Library& library) {
  auto set = CreateExportSet();
  for (const auto& instrument : library.instruments) AddInstrumentToExportSet(*set, *instrument);
  std::vector<std::vector<const Instrument*>> originals;
  for (const ExportGroup& group : set->groups) originals.push_back(group.members);
  const FitSavings saved = FitExportSet(*set, kDefaultTrimDbfs, MonoFold::kNone);
  for (std::size_t g = 0; g < set->groups.size(); ++g) {
    const ExportGroup& group = set->groups[g];
    for (std::size_t m = 0; m < group.members.size(); ++m) {
      const Instrument& before = *originals[g][m];
      const Instrument& after = *group.members[m];
      SCOPED_TRACE(before.name);
      EXPECT_EQ(after.zones.size(), before.zones.size());
      for (std::size_t z = 0; z < before.zones.size() && z < after.zones.size(); ++z) {
        const Zone& was = before.zones[z];
        const Zone& is = after.zones[z];
        if (was.sample == is.sample) continue;
        const auto lead = LeadOf(*was.sample, *is.sample);
        EXPECT_TRUE(lead) << was.sample->name;
        if (!lead) continue;
        EXPECT_TRUE(Quiet(*was.sample, 0, *lead)) << was.sample->name;
        EXPECT_TRUE(Quiet(*was.sample, *lead + is.sample->frames, was.sample->frames))
            << was.sample->name;
        const auto moved = [&](std::int32_t offset) {
          return offset > 0 ? offset - 2 * static_cast<std::int32_t>(*lead) : offset;
        };
        EXPECT_EQ(is.mapping.startOffset, moved(was.mapping.startOffset));
        if ((was.mapping.flags & ZoneLoop) != 0) {
          EXPECT_EQ(is.sample->loopStart + *lead, was.sample->loopStart);
          EXPECT_EQ(is.sample->loopEnd + *lead, was.sample->loopEnd);
        }
      }
    }
  }
  return saved.trimmedSamples;
}

TEST(FitRealDataTest, EveryZoneOfDebiansBanksPlaysWhatItPlayedOnceTrimmed) {
  std::size_t banks = 0;
  for (const char* path : {kTimGM6mb, kFluidR3}) {
    if (!fs::exists(path)) continue;
    SCOPED_TRACE(path);
    ++banks;
    SoundDatabase database;
    Library bank;
    ASSERT_TRUE(ImportFile(bank, database, path).imported());
    EXPECT_GT(ExpectEveryZonePlaysTheSame(bank), 0u);
  }
  if (banks == 0) GTEST_SKIP() << "no SoundFont bank of Debian's is installed";
}

TEST(FitRealDataTest, EveryZoneOfHydrogensKitsPlaysWhatItPlayedOnceTrimmed) {
  if (!fs::is_directory(kKits)) GTEST_SKIP() << kKits << " is not installed";
  SoundDatabase database;
  Library kits;
  for (const auto& kit : fs::directory_iterator(kKits))
    ImportFile(kits, database, kit.path().string());
  ASSERT_FALSE(kits.instruments.empty());
  EXPECT_GT(ExpectEveryZonePlaysTheSame(kits), 100u);
}

// Stereo samples of the kits: those of equal channels become mono exactly; folding all of them
// keeps the level of the centred ones (the side no more than -20 dB below the channels).
TEST(FitRealDataTest, HydrogensStereoSamplesFoldToMono) {
  if (!fs::is_directory(kKits)) GTEST_SKIP() << kKits << " is not installed";
  SoundDatabase database;
  Library kits;
  for (const auto& kit : fs::directory_iterator(kKits))
    ImportFile(kits, database, kit.path().string());
  std::size_t same = 0;
  std::size_t centred = 0;
  for (const MonoFold fold : {MonoFold::kSame, MonoFold::kAll}) {
    auto set = CreateExportSet();
    for (const auto& instrument : kits.instruments) AddInstrumentToExportSet(*set, *instrument);
    std::vector<std::vector<Sample*>> originals;
    for (const ExportGroup& group : set->groups) originals.push_back(group.sampleGroup->samples);
    FitExportSet(*set, std::nullopt, fold);
    for (std::size_t g = 0; g < set->groups.size(); ++g) {
      for (std::size_t s = 0; s < originals[g].size(); ++s) {
        const Sample& was = *originals[g][s];
        const Sample& is = *set->groups[g].sampleGroup->samples[s];
        if (was.channels != 2) continue;
        double left = 0, right = 0, side = 0, mono = 0;
        bool within = true;
        for (std::size_t f = 0; f < was.frames; ++f) {
          const double l = was.data[2 * f], r = was.data[2 * f + 1];
          left += l * l;
          right += r * r;
          side += (l - r) * (l - r);
          within = within && std::abs(l - r) <= kSameChannelsSlack;
          if (is.channels == 1) mono += static_cast<double>(is.data[f]) * is.data[f];
        }
        SCOPED_TRACE(was.name);
        if (fold == MonoFold::kSame) {
          ASSERT_EQ(is.channels, within ? 1u : 2u);
          same += within ? 1 : 0;
          continue;
        }
        ASSERT_EQ(is.channels, 1u);
        if (left + right == 0 || side > 0.01 * (left + right)) continue;
        ++centred;
        EXPECT_NEAR(10 * std::log10(mono / ((left + right) / 2)), 0.0, 0.1);
      }
    }
  }
  EXPECT_GT(same, 0u);
  EXPECT_GE(centred, same);
}

}  // namespace
}  // namespace tolvane
