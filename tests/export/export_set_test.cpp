#include "export/export_set.h"

#include <gtest/gtest.h>

#include "model_builder.h"

namespace tolvane {
namespace {

using test_support::ModelBuilder;

std::vector<std::string> MemberNames(const ExportGroup& group) {
  std::vector<std::string> names;
  for (const Instrument* i : group.members) names.push_back(i->name);
  return names;
}

TEST(ExportSetTest, NewSetIsEmpty) {
  const auto set = CreateExportSet();
  ASSERT_NE(set, nullptr);
  EXPECT_TRUE(set->groups.empty());
}

TEST(ExportSetTest, GroupsFollowFirstAddAndMembersFollowAdding) {
  ModelBuilder model;
  // Zither and Cello play the same sample (same name, stream and frames), so they share a group.
  const auto stream = model.Stream(8);
  auto zither = model.Begin("Zither");
  model.AddTestZone(*zither, model.NewSample(*zither, "shared", 8, 1, stream), 0);
  Instrument& z = model.Finish(std::move(zither));
  auto cello = model.Begin("Cello");
  model.AddTestZone(*cello, model.NewSample(*cello, "shared", 8, 1, stream), 0);
  Instrument& c = model.Finish(std::move(cello));
  Instrument& b = model.Simple("Bass");
  Instrument& a = model.Simple("Alto");
  ASSERT_EQ(c.group, z.group);
  ASSERT_NE(a.group, b.group);

  auto set = CreateExportSet();
  EXPECT_TRUE(AddInstrumentToExportSet(*set, c));
  EXPECT_TRUE(AddInstrumentToExportSet(*set, b));
  EXPECT_TRUE(AddInstrumentToExportSet(*set, z));
  EXPECT_TRUE(AddInstrumentToExportSet(*set, a));
  ASSERT_EQ(set->groups.size(), 3u);
  EXPECT_EQ(set->groups[0].sampleGroup, z.group);
  EXPECT_EQ(MemberNames(set->groups[0]), (std::vector<std::string>{"Cello", "Zither"}));
  EXPECT_EQ(set->groups[1].sampleGroup, b.group);
  EXPECT_EQ(MemberNames(set->groups[1]), (std::vector<std::string>{"Bass"}));
  EXPECT_EQ(MemberNames(set->groups[2]), (std::vector<std::string>{"Alto"}));
}

TEST(ExportSetTest, AnInstrumentIsAddedOnlyOnce) {
  ModelBuilder model;
  Instrument& piano = model.Simple("Piano");
  Instrument& organ = model.Simple("Organ");
  auto set = CreateExportSet();
  ASSERT_TRUE(AddInstrumentToExportSet(*set, piano));
  ASSERT_TRUE(AddInstrumentToExportSet(*set, organ));
  EXPECT_FALSE(AddInstrumentToExportSet(*set, piano));
  ASSERT_EQ(set->groups.size(), 2u);
  EXPECT_EQ(MemberNames(set->groups[0]), (std::vector<std::string>{"Piano"}));
  EXPECT_EQ(MemberNames(set->groups[1]), (std::vector<std::string>{"Organ"}));
}

TEST(ExportSetTest, AnInstrumentWithoutSamplesIsRefused) {
  ModelBuilder model;
  Instrument& silent = model.Finish(model.Begin("Silent"));
  ASSERT_EQ(silent.group, nullptr);
  auto set = CreateExportSet();
  EXPECT_FALSE(AddInstrumentToExportSet(*set, silent));
  EXPECT_TRUE(set->groups.empty());
}

TEST(ExportSetTest, ResetEmptiesTheSetForReuse) {
  ModelBuilder model;
  Instrument& piano = model.Simple("Piano");
  auto set = CreateExportSet();
  ASSERT_TRUE(AddInstrumentToExportSet(*set, piano));
  ResetExportSet(*set);
  EXPECT_TRUE(set->groups.empty());
  EXPECT_TRUE(AddInstrumentToExportSet(*set, piano));  // no longer a duplicate
  EXPECT_EQ(set->groups.size(), 1u);
  FreeExportSet(std::move(set));
}

}  // namespace
}  // namespace tolvane
