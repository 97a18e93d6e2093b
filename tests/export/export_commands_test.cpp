// The two export commands without their dialogs: which instruments go into which file, in which
// order, and what the single-instrument export marks, names and counts.

#include "export/export_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/bytes.h"
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

}  // namespace
}  // namespace tolvane
