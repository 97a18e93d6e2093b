// The two export commands without their dialogs: which instruments go into which file, in which
// order, and what the single-instrument export marks, names and counts.

#include "export/export_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/bytes.h"
#include "base/paths.h"
#include "export/sifi_writer.h"
#include "import/sifi/sifi_import.h"
#include "model_builder.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

using test_support::ModelBuilder;
using Names = std::vector<std::string>;

// The instrument names of every group chunk of a SiFi file, group by group.
std::vector<Names> GroupsOfFile(const std::filesystem::path& path) {
  const std::string text = testing::ReadFileText(path);
  const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
  std::vector<Names> groups;
  if (text.size() < 16) return groups;
  for (std::size_t at = LoadU16(bytes + 14); at + 12 <= text.size();) {
    const std::uint32_t length = LoadU32(bytes + at + 4);
    if (length < 12) break;
    if (LoadU32(bytes + at) == FourCC("SiIg")) {
      Names& names = groups.emplace_back();
      const std::size_t table = at + LoadU16(bytes + at + 12);
      for (std::size_t i = 0; i < LoadU16(bytes + at + 14); ++i)
        names.push_back(text.substr(table + 40 * i, 24).c_str());
    }
    at += length;
  }
  return groups;
}

// Cello and Zither share a sample, so they are one group (Cello first, in name order); Bass and
// Alto have a group each.
class ExportCommandsTest : public ::testing::Test {
 protected:
  ExportCommandsTest() {
    const auto shared = model.Stream(8);
    auto zither = model.Begin("Zither");
    model.AddTestZone(*zither, model.NewSample(*zither, "shared", 8, 1, shared), 0);
    zitherInstrument = &model.Finish(std::move(zither));
    bass = &model.Simple("Bass");
    auto cello = model.Begin("Cello");
    model.AddTestZone(*cello, model.NewSample(*cello, "shared", 8, 1, shared), 0);
    celloInstrument = &model.Finish(std::move(cello));
    alto = &model.Simple("Alto");
  }

  testing::TestFolder folder;
  ModelBuilder model;
  const Instrument* zitherInstrument = nullptr;
  const Instrument* celloInstrument = nullptr;
  const Instrument* bass = nullptr;
  const Instrument* alto = nullptr;
};

TEST_F(ExportCommandsTest, CollectionGroupsFollowTheirFirstCheckedInstrument) {
  ASSERT_EQ(zitherInstrument->group, celloInstrument->group);
  const std::vector<const Instrument*> checked = {bass, zitherInstrument, alto, celloInstrument};
  const auto file = folder / "All.SLC";
  ASSERT_TRUE(ExportCollection(checked, file));
  EXPECT_EQ(GroupsOfFile(file), (std::vector<Names>{{"Bass"}, {"Zither", "Cello"}, {"Alto"}}));
}

TEST_F(ExportCommandsTest, CollectionOfNothingIsABareHeader) {
  const Instrument& silent = model.Finish(model.Begin("Silent"));
  const auto file = folder / "None.SLC";
  ASSERT_TRUE(ExportCollection({}, file));
  EXPECT_EQ(std::filesystem::file_size(file), 16u);
  const std::vector<const Instrument*> onlySilent = {&silent};
  ASSERT_TRUE(ExportCollection(onlySilent, file));
  EXPECT_EQ(std::filesystem::file_size(file), 16u);
}

TEST_F(ExportCommandsTest, SingleExportWritesTheWholeGroupNamedAfterItsFirstInstrument) {
  bass->group->exportMark = 6;  // left over from an earlier run: cleared whole
  alto->group->exportMark = 1;
  const std::vector<const Instrument*> checked = {zitherInstrument};
  const SingleExportResult result =
      ExportSingleInstruments(model.library(), checked, folder.path());
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.marked, 1u);
  ASSERT_EQ(result.written, (std::vector<std::filesystem::path>{folder / "Cello.SLI"}));
  EXPECT_EQ(GroupsOfFile(folder / "Cello.SLI"), (std::vector<Names>{{"Cello", "Zither"}}));
  EXPECT_EQ(folder.EntryCount(), 1u);
  EXPECT_EQ(zitherInstrument->group->exportMark, 1u);
  EXPECT_EQ(bass->group->exportMark, 0u);
  EXPECT_EQ(alto->group->exportMark, 0u);
}

TEST_F(ExportCommandsTest, SingleExportVisitsSourcesThenTheirGroups) {
  // A second source sorts first ("A Bank" before "Test Bank"); its groups follow creation order.
  Source& first = CreateSource(model.library(), "C:\\Sounds\\A Bank.sf2");
  std::vector<const Instrument*> fromFirst;
  for (const char* name : {"Oboe", "Flute"}) {
    auto instrument = CreateInstrument(first, name, name, 1);
    model.AddTestZone(*instrument, model.NewSample(*instrument, name, 4), 0);
    fromFirst.push_back(&model.Finish(std::move(instrument)));
  }
  const std::vector<const Instrument*> checked = {alto, fromFirst[1], bass, celloInstrument,
                                                  fromFirst[0]};
  const SingleExportResult result =
      ExportSingleInstruments(model.library(), checked, folder.path());
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.marked, 5u);
  // Test Bank's groups were made for Zither (joined by Cello), Bass and Alto, in that order.
  EXPECT_EQ(result.written, (std::vector<std::filesystem::path>{
                                folder / "Oboe.SLI", folder / "Flute.SLI", folder / "Cello.SLI",
                                folder / "Bass.SLI", folder / "Alto.SLI"}));
}

TEST_F(ExportCommandsTest, SingleExportOfNothingWritesNothing) {
  const Instrument& silent = model.Finish(model.Begin("Silent"));
  for (const std::vector<const Instrument*>& checked :
       {std::vector<const Instrument*>{}, std::vector<const Instrument*>{&silent}}) {
    const SingleExportResult result =
        ExportSingleInstruments(model.library(), checked, folder.path());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.marked, 0u);
    EXPECT_TRUE(result.written.empty());
  }
  EXPECT_EQ(folder.EntryCount(), 0u);
}

TEST_F(ExportCommandsTest, SingleExportGoesOnAfterAFileFailsAndReportsTheFailure) {
  std::filesystem::create_directory(folder / "Bass.SLI");
  const std::vector<const Instrument*> checked = {bass, alto, zitherInstrument};
  const SingleExportResult result =
      ExportSingleInstruments(model.library(), checked, folder.path());
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.marked, 3u);
  EXPECT_EQ(result.written,
            (std::vector<std::filesystem::path>{folder / "Cello.SLI", folder / "Alto.SLI"}));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind((folder / "Bass.SLI").string() + ": ", 0), 0u)
      << result.failures[0];
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Bass.SLI"));
}

// A file the folder refuses (here: the folder is gone, or a file) ends the export, said once.
TEST_F(ExportCommandsTest, SingleExportStopsAtAFolderThatTakesNoFile) {
  std::ofstream(folder / "file") << "x";
  const std::vector<const Instrument*> checked = {bass, alto, zitherInstrument};
  for (const std::filesystem::path& place : {folder / "gone", folder / "file"}) {
    SCOPED_TRACE(place.string());
    const SingleExportResult result = ExportSingleInstruments(model.library(), checked, place);
    EXPECT_FALSE(result.ok());
    ASSERT_TRUE(result.folderRefused());
    EXPECT_EQ(result.marked, 3u);  // all the groups it had to write
    EXPECT_TRUE(result.written.empty());
    EXPECT_EQ(result.failures,
              std::vector<std::string>{"cannot create files in " + PathToUtf8(place) + ": " +
                                       result.folderError.message()});
    if (place.filename() == "gone") {
      EXPECT_EQ(result.folderError, std::errc::no_such_file_or_directory);
    }
  }
  EXPECT_EQ(folder.EntryCount(), 1u);
}

// Cancels the work once `steps` steps were told.
class CancelAfter : public WorkProgress {
 public:
  explicit CancelAfter(std::size_t steps) : left_(steps) {}
  void Step(std::string_view what, std::size_t done, std::size_t total) override {
    told.push_back(std::string(what) + " " + std::to_string(done) + "/" + std::to_string(total));
    if (left_ > 0) --left_;
  }
  bool Cancelled() const override { return left_ == 0; }
  std::vector<std::string> told;

 private:
  std::size_t left_;
};

TEST_F(ExportCommandsTest, ExportsTellEachStepAndACancelLeavesNoNewFile) {
  const std::vector<const Instrument*> checked = {bass, alto, zitherInstrument};
  CancelAfter whole(100);
  ASSERT_TRUE(ExportCollection(checked, folder / "All.SLC", &whole));
  EXPECT_EQ(whole.told, (Names{"writing groups 1/3", "writing groups 2/3", "writing groups 3/3"}));
  CancelAfter collection(1);
  EXPECT_EQ(ExportCollection(checked, folder / "Cut.SLC", &collection).error,
            ExportError::kCancelled);
  EXPECT_EQ(folder.EntryCount(), 1u);  // All.SLC; no temporary file is left either

  // Cancelled after two files: Bass.SLI was there before and keeps what replaced it, Cello.SLI
  // is new and goes again, Alto.SLI is never begun.
  std::filesystem::copy_file(folder / "All.SLC", folder / "Bass.SLI");
  CancelAfter single(2);
  const SingleExportResult result =
      ExportSingleInstruments(model.library(), checked, folder.path(), &single);
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(result.ok());
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(single.told, (Names{"writing files 1/3", "writing files 2/3"}));
  EXPECT_FALSE(std::filesystem::exists(folder / "Cello.SLI"));
  EXPECT_EQ(GroupsOfFile(folder / "Bass.SLI"), (std::vector<Names>{{"Bass"}}));
  EXPECT_EQ(folder.EntryCount(), 2u);
}

TEST_F(ExportCommandsTest, SingleExportKeepsEveryFileOfEqualNames) {
  // Two groups whose first instruments share a name: the second file gets its own name.
  const Instrument& other = model.Simple("bass");
  const std::vector<const Instrument*> checked = {bass, &other};
  const SingleExportResult result =
      ExportSingleInstruments(model.library(), checked, folder.path());
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.written,
            (std::vector<std::filesystem::path>{folder / "Bass.SLI", folder / "bass_2.SLI"}));
  EXPECT_EQ(GroupsOfFile(folder / "bass_2.SLI"), (std::vector<Names>{{"bass"}}));
}

// Normalising scales each group by one factor, so that its loudest value reaches the level (up
// or down) and its instruments keep their balance; a silent group, and an export without the
// option, write the samples as they are.
TEST(ExportNormalizeTest, EachGroupsPeakReachesTheLevelByOneFactor) {
  ModelBuilder model;
  std::deque<std::vector<std::byte>> streams;
  const auto values = [&streams](std::vector<std::int16_t> v) {
    std::vector<std::byte>& bytes = streams.emplace_back(2 * v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
      StoreU16(&bytes[2 * i], static_cast<std::uint16_t>(v[i]));
    return std::span<const std::byte>(bytes);
  };
  const std::map<std::string, std::vector<std::int16_t>> samples = {{"Lead", {8000, -4000}},
                                                                    {"Shared", {1000, -500}},
                                                                    {"Pad", {-2000, 2000}},
                                                                    {"Quiet", {100, -50}},
                                                                    {"Hush", {0, 0}}};
  std::map<std::string, std::span<const std::byte>> bytesOf;
  for (const auto& [name, v] : samples) bytesOf[name] = values(v);
  // Lead and Pad share a sample: one group, its peak Lead's 8000.
  const auto add = [&](const char* name, const std::vector<const char*>& played) {
    auto instrument = model.Begin(name);
    std::uint8_t key = 0;
    for (const char* sample : played)
      model.AddTestZone(*instrument, model.NewSample(*instrument, sample, 2, 1, bytesOf[sample]),
                        key += 10);
    return &model.Finish(std::move(instrument));
  };
  const std::vector<const Instrument*> checked = {add("Lead", {"Lead", "Shared"}),
                                                  add("Pad", {"Shared", "Pad"}),
                                                  add("Quiet", {"Quiet"}), add("Hush", {"Hush"})};
  const std::map<std::string, std::int32_t> groupPeak = {
      {"Lead", 8000}, {"Shared", 8000}, {"Pad", 8000}, {"Quiet", 100}, {"Hush", 0}};

  testing::TestFolder folder;
  const std::filesystem::path file = folder.path() / "out.SLC";
  for (const std::optional<double> level :
       {std::optional<double>(), std::optional(-1.0), std::optional(-20.0), std::optional(0.0)}) {
    SCOPED_TRACE(level ? std::to_string(*level) : "no level");
    ASSERT_TRUE(ExportCollection(checked, file, nullptr, ExportOptions{level}));
    const std::string text = testing::ReadFileText(file);
    const std::span<const std::byte> written(reinterpret_cast<const std::byte*>(text.data()),
                                             text.size());
    if (!level) {
      // Byte for byte what the writer makes of the set untouched.
      auto set = CreateExportSet();
      for (const Instrument* instrument : checked) AddInstrumentToExportSet(*set, *instrument);
      std::vector<std::byte> plain;
      ASSERT_TRUE(SerializeExportSet(*set, plain));
      EXPECT_TRUE(std::equal(plain.begin(), plain.end(), written.begin(), written.end()));
    }
    Library back;
    Source& source = CreateSource(back, "C:\\out.SLC");
    ASSERT_TRUE(ImportSiFi(back, source, ImportView{written, 0, nullptr}).imported());
    ASSERT_EQ(source.samples.size(), samples.size());
    for (const auto& sample : source.samples) {
      SCOPED_TRACE(sample->name);
      const std::int32_t peak = groupPeak.at(sample->name);
      const double gain = level && peak > 0 ? 32768 * std::pow(10.0, *level / 20) / peak : 1.0;
      std::vector<std::int16_t> expected;
      for (const std::int16_t v : samples.at(sample->name))
        expected.push_back(
            static_cast<std::int16_t>(std::clamp(std::round(v * gain), -32768.0, 32767.0)));
      EXPECT_EQ(sample->data, expected);
      // The loudest value of each group that is not silent lies at the level.
      if (level && (sample->name == "Lead" || sample->name == "Quiet")) {
        EXPECT_EQ(std::abs(int{sample->data[0]}),
                  std::min(32767L, std::lround(32768 * std::pow(10.0, *level / 20))));
      }
    }
  }
}

}  // namespace
}  // namespace tolvane
