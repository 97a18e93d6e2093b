#include "import/chunk_walker.h"

#include <gtest/gtest.h>

#include <string>

#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::Concat;

bool AllEmpty(const ChunkWalkContext& c) {
  for (const ChunkArray* a :
       {&c.smpl, &c.phdr, &c.pbag, &c.pgen, &c.inst, &c.ibag, &c.imod, &c.igen, &c.shdr}) {
    if (a->offset != 0 || a->count != 0 || a->scaled != 0) return false;
  }
  return true;
}

TEST(WalkChunks, EmptyRangeRecordsNothing) {
  const Bytes file = Chunk("inst", Bytes(44));
  ChunkWalkContext context;
  context.base = file;
  EXPECT_TRUE(WalkChunks(context, 0, 0, kPdtaChunkTable));
  EXPECT_TRUE(WalkChunks(context, 8, 8, kPdtaChunkTable));
  EXPECT_TRUE(AllEmpty(context));
  EXPECT_TRUE(context.reason.empty());
}

TEST(WalkChunks, RecordsOffsetsAndCounts) {
  const Bytes file = Concat({
      Chunk("phdr", Bytes(38)),  // one preset record
      Chunk("inst", Bytes(3 * 22)), Chunk("ibag", Bytes(5 * 4)), Chunk("imod", Bytes(2 * 10)),
      Chunk("igen", Bytes(7 * 4)),
      Chunk("shdr", Bytes(4 * 46 + 2)),  // a partial record is not counted
  });
  ChunkWalkContext context;
  context.base = file;
  ASSERT_TRUE(WalkChunks(context, 0, file.size(), kPdtaChunkTable));
  EXPECT_EQ(context.phdr.offset, 8u);
  EXPECT_EQ(context.phdr.count, 1u);
  EXPECT_EQ(context.pbag.count, 0u);  // absent
  EXPECT_EQ(context.inst.offset, 46u + 8);
  EXPECT_EQ(context.inst.count, 3u);
  EXPECT_EQ(context.inst.scaled, 0u);
  EXPECT_EQ(context.ibag.offset, 46u + 74 + 8);
  EXPECT_EQ(context.ibag.count, 5u);
  EXPECT_EQ(context.imod.count, 2u);
  EXPECT_EQ(context.igen.count, 7u);
  EXPECT_EQ(context.shdr.count, 4u);
  EXPECT_EQ(context.smpl.count, 0u);
}

TEST(WalkChunks, SampleDataCountsWordsAndScaledBytes) {
  const Bytes file = Chunk("smpl", Bytes(10));
  ChunkWalkContext context;
  context.base = file;
  ASSERT_TRUE(WalkChunks(context, 0, file.size(), kSdtaChunkTable));
  EXPECT_EQ(context.smpl.offset, 8u);
  EXPECT_EQ(context.smpl.count, 5u);
  EXPECT_EQ(context.smpl.scaled, 10u);
}

TEST(WalkChunks, RangeEndingInsideAHeaderFails) {
  const Bytes file = Concat({Chunk("inst", Bytes(22)), Chunk("ibag", Bytes(4))});
  ChunkWalkContext context;
  context.base = file;
  // 3 bytes into the second header.
  EXPECT_FALSE(WalkChunks(context, 0, 30 + 3, kPdtaChunkTable));
  EXPECT_EQ(context.reason, "Chunk Head Truncated");
  EXPECT_EQ(context.inst.count, 1u);  // what came before stays recorded
}

TEST(WalkChunks, ChunkRunningPastTheRangeFails) {
  const Bytes file = Concat({Chunk("inst", Bytes(22)), Chunk("ibag", Bytes(8))});
  ChunkWalkContext context;
  context.base = file;
  EXPECT_FALSE(WalkChunks(context, 0, file.size() - 1, kPdtaChunkTable));
  EXPECT_EQ(context.reason, "Chunk Truncated");
  EXPECT_EQ(context.ibag.count, 0u);
}

TEST(WalkChunks, HugeSizeFailsWithoutWrapping) {
  for (const std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x80000000u}) {
    const Bytes file = Concat({Chunk("inst", Bytes(4), true, size), Chunk("ibag", Bytes(4))});
    ChunkWalkContext context;
    context.base = file;
    EXPECT_FALSE(WalkChunks(context, 0, file.size(), kPdtaChunkTable)) << size;
    EXPECT_EQ(context.reason, "Chunk Truncated");
    EXPECT_TRUE(AllEmpty(context));
  }
}

TEST(WalkChunks, RangeBeyondTheFileIsRefused) {
  const Bytes file = Chunk("inst", Bytes(22));
  {
    // The chunk fits; the range goes on past the file's end.
    ChunkWalkContext context;
    context.base = file;
    EXPECT_FALSE(WalkChunks(context, 0, file.size() + 100, kPdtaChunkTable));
    EXPECT_EQ(context.reason, "Chunk Head Truncated");
  }
  {
    // The chunk would fit in the range but not in the file.
    const Bytes cut(file.begin(), file.end() - 2);
    ChunkWalkContext context;
    context.base = cut;
    EXPECT_FALSE(WalkChunks(context, 0, file.size(), kPdtaChunkTable));
    EXPECT_EQ(context.reason, "Chunk Truncated");
    EXPECT_EQ(context.inst.count, 0u);
  }
  {
    // A start past the file's end reads nothing.
    ChunkWalkContext context;
    context.base = file;
    EXPECT_FALSE(WalkChunks(context, file.size() + 50, file.size() + 200, kPdtaChunkTable));
    EXPECT_EQ(context.reason, "Chunk Head Truncated");
    EXPECT_TRUE(WalkChunks(context, 40, 8, kPdtaChunkTable));  // from after to: nothing to do
  }
}

TEST(WalkChunks, OddSizeIsFollowedDirectlyByTheNextHeader) {
  const Bytes file = Concat({Chunk("abcd", Bytes(3), /*pad=*/false), Chunk("igen", Bytes(8))});
  ChunkWalkContext context;
  context.base = file;
  ASSERT_TRUE(WalkChunks(context, 0, file.size(), kPdtaChunkTable));
  EXPECT_EQ(context.igen.offset, 8u + 3 + 8);
  EXPECT_EQ(context.igen.count, 2u);
}

TEST(WalkChunks, AChunkMetTwiceOverwritesTheFirst) {
  const Bytes file = Concat({Chunk("igen", Bytes(8)), Chunk("igen", Bytes(12))});
  ChunkWalkContext context;
  context.base = file;
  ASSERT_TRUE(WalkChunks(context, 0, file.size(), kPdtaChunkTable));
  EXPECT_EQ(context.igen.offset, 16u + 8);
  EXPECT_EQ(context.igen.count, 3u);
}

TEST(WalkChunks, BankNameIsCappedAt31Characters) {
  const std::string forty(40, 'N');
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {forty, forty.substr(0, 31)},
      {"Ten Chars!", "Ten Chars!"},
      {std::string("Short\0Rest", 10), "Short"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Bytes data;
    testing::PutText(data, c.text);
    const Bytes file = Concat({Chunk("ICRD", Bytes(4)), Chunk("INAM", data)});
    ChunkWalkContext context;
    context.base = file;
    context.bankName = "old";
    ASSERT_TRUE(WalkChunks(context, 0, file.size(), kInfoChunkTable));
    EXPECT_EQ(context.bankName, c.expected);
  }
}

TEST(HandleBankName, StaysInsideTheFileWhenCalledDirectly) {
  Bytes file;
  testing::PutText(file, "INAM");
  testing::PutU32(file, 1000);
  testing::PutText(file, "Abc");
  ChunkWalkContext context;
  context.base = file;
  EXPECT_TRUE(HandleBankName(context, 8, std::span(file).first(8)));
  EXPECT_EQ(context.bankName, "Abc");
  EXPECT_TRUE(HandleBankName(context, 500, std::span(file).first(8)));
  EXPECT_EQ(context.bankName, "");
}

int handlerCalls = 0;
bool StopWalk(ChunkWalkContext&, std::uint32_t, std::span<const std::byte>) {
  ++handlerCalls;
  return false;
}

TEST(WalkChunks, UnknownIdsAndEmptyTargetsAreSteppedOver) {
  constexpr ChunkRule table[] = {
      {ChunkRecord, FourCC("none"), 4, 1, nullptr, nullptr},
      {ChunkCall, FourCC("call"), 0, 0, nullptr, nullptr},
      {static_cast<ChunkKind>(7), FourCC("inst"), 22, 0, nullptr,
       &ChunkWalkContext::inst},  // unknown kind: ignored
      {ChunkRecord, FourCC("imod"), 1, 3, nullptr, &ChunkWalkContext::imod},
      {},
      {ChunkRecord, FourCC("igen"), 4, 0, nullptr, &ChunkWalkContext::igen},  // after the end
  };
  const Bytes file =
      Concat({Chunk("none", Bytes(8)), Chunk("call", Bytes(2)), Chunk("zzzz", Bytes(6)),
              Chunk("inst", Bytes(22)), Chunk("imod", Bytes(6)), Chunk("igen", Bytes(8))});
  ChunkWalkContext context;
  context.base = file;
  ASSERT_TRUE(WalkChunks(context, 0, file.size(), table));
  EXPECT_EQ(context.inst.count, 0u);
  EXPECT_EQ(context.igen.count, 0u);
  // Record size 1 counts bytes and leaves the scaled count alone.
  EXPECT_EQ(context.imod.count, 6u);
  EXPECT_EQ(context.imod.scaled, 0u);
}

TEST(WalkChunks, HandlerStopsTheWalkAndKeepsTheReason) {
  constexpr ChunkRule table[] = {
      {ChunkCall, FourCC("stop"), 0, 0, &StopWalk, nullptr},
      {ChunkRecord, FourCC("igen"), 4, 0, nullptr, &ChunkWalkContext::igen},
      {},
  };
  const Bytes file = Concat({Chunk("stop", Bytes(2)), Chunk("igen", Bytes(8))});
  ChunkWalkContext context;
  context.base = file;
  handlerCalls = 0;
  EXPECT_FALSE(WalkChunks(context, 0, file.size(), table));
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_TRUE(context.reason.empty());
  EXPECT_EQ(context.igen.count, 0u);
}

}  // namespace
}  // namespace tolvane
