#include "library/instrument_texts.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolvane {
namespace {

TEST(InstrumentTexts, Size) {
  const struct {
    std::uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 B"},
      {999, "999 B"},
      {1000, "0.9 kB"},
      {1536, "1.5 kB"},
      {1023999, "999.9 kB"},
      {1024000, "0.9 MB"},
      {1048575, "0.9 MB"},
      {1048576, "1.0 MB"},
      {1572864, "1.5 MB"},
      {0x100000000ull + 5, "5 B"},  // only the low 32 bits count
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(InstrumentTexts, SoundId) {
  EXPECT_EQ(SoundIdText(0x0004762F), "[0004762F]");
  EXPECT_EQ(SoundIdText(0xC2000683), "[C2000683]");
}

TEST(InstrumentTexts, Program) {
  Instrument instrument;
  EXPECT_EQ(ProgramText(instrument), "---");  // not a preset
  instrument.program = ProgramNumber{128, 25};
  EXPECT_EQ(ProgramText(instrument), "128:25");
}

class RowTest : public ::testing::Test {
 protected:
  Instrument& Make(std::string_view name, std::initializer_list<std::uint8_t> zoneFlags,
                   std::uint32_t frames = 0) {
    auto instrument = CreateInstrument(source_, name, name, SoundIdHash(name));
    for (std::uint8_t f : zoneFlags) {
      Zone z;
      z.mapping.flags = f;
      AddZone(*instrument, z);
    }
    if (frames > 0) {
      data_.emplace_back(frames * 2);
      SampleRequest r;
      r.name = name;
      r.key.first = data_.size();
      r.frames = frames;
      AddSample(*instrument, r, SampleData::FromLittleEndian(data_.back(), frames));
    }
    return AddInstrument(library_, std::move(instrument));
  }
  Library library_;
  Source& source_ = CreateSource(library_, "bank.sf2");
  std::vector<std::vector<std::byte>> data_;
};

TEST_F(RowTest, SamplesAndCollectionTexts) {
  const Instrument& mono = Make("Mono", {0, ZoneLoop, 0}, 10);
  const Instrument& mixed =
      Make("Mixed", {0, ZoneStereo, ZoneStereo | ZoneDual, ZoneDual, ZoneLoop | ZoneDual}, 10);
  const Instrument& empty = Make("Empty", {});
  EXPECT_EQ(SamplesText(mono), "1 (3M)");
  EXPECT_EQ(SamplesText(mixed), "1 (1M2S2D)");
  EXPECT_EQ(SamplesText(empty), "0 ()");
  EXPECT_EQ(CollectionText(empty), "---");
  EXPECT_EQ(CollectionText(mono), "---");
  mono.group->collectionNumber = 12;
  EXPECT_EQ(CollectionText(mono), "12");
}

TEST_F(RowTest, CompareRowsByEveryColumn) {
  Instrument& small = Make("alpha", {0}, 10);
  Instrument& large = Make("Beta", {0}, 1000);
  Instrument& none = Make("gamma", {});
  small.category = 0x4B43;
  large.category = 0x4040;
  none.category = 0;
  small.soundId = 0xF0000000u;  // unsigned comparison
  large.soundId = 1;
  small.group->collectionNumber = 2;
  large.group->collectionNumber = 1;

  EXPECT_LT(CompareRows(small, large, 1), 0);  // case-insensitive: alpha < Beta
  EXPECT_GT(CompareRows(small, large, -1), 0);
  EXPECT_LT(CompareRows(none, large, 2), 0);  // code 0 first
  EXPECT_GT(CompareRows(small, large, 2), 0);
  EXPECT_GT(CompareRows(small, large, 3), 0);
  EXPECT_LT(CompareRows(none, large, 3), 0);  // without group first
  EXPECT_GT(CompareRows(large, none, 3), 0);
  EXPECT_EQ(CompareRows(none, none, 3), 0);
  EXPECT_GT(CompareRows(large, none, 4), 0);
  EXPECT_LT(CompareRows(small, large, 5), 0);
  EXPECT_GT(CompareRows(small, large, 6), 0);
  EXPECT_LT(CompareRows(small, large, -6), 0);
  EXPECT_EQ(CompareRows(small, large, 7), 0);
  EXPECT_EQ(CompareRows(small, large, 0), 0);
}

}  // namespace
}  // namespace tolvane
