#include "export/sifi_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/bytes.h"
#include "export/export_set.h"
#include "model_builder.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

using test_support::ModelBuilder;

std::vector<std::byte> Serialize(const ExportSet& set) {
  std::vector<std::byte> bytes;
  const ExportResult result = SerializeExportSet(set, bytes);
  EXPECT_TRUE(result.ok()) << result.reason;
  return bytes;
}

std::vector<std::byte> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> bytes(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) bytes[i] = static_cast<std::byte>(chars[i]);
  return bytes;
}

std::vector<std::byte> Hex(std::initializer_list<unsigned> values) {
  std::vector<std::byte> bytes;
  for (unsigned v : values) bytes.push_back(static_cast<std::byte>(v));
  return bytes;
}

std::uint16_t U16At(const std::vector<std::byte>& bytes, std::size_t offset) {
  return LoadU16(bytes.data() + offset);
}
std::uint32_t U32At(const std::vector<std::byte>& bytes, std::size_t offset) {
  return LoadU32(bytes.data() + offset);
}

std::unique_ptr<ExportSet> SetOf(std::initializer_list<const Instrument*> instruments) {
  auto set = CreateExportSet();
  for (const Instrument* i : instruments) EXPECT_TRUE(AddInstrumentToExportSet(*set, *i));
  return set;
}

// One instrument whose `zones` zones each play a sample of their own.
Instrument& ManyZones(ModelBuilder& model, std::string_view name, int zones) {
  auto instrument = model.Begin(name);
  for (int k = 0; k < zones; ++k) {
    Sample* sample = model.NewSample(*instrument, "s" + std::to_string(1000 + k), 1);
    model.AddTestZone(*instrument, sample, static_cast<std::uint8_t>(k % 128),
                      static_cast<std::uint8_t>(k / 128));
  }
  return model.Finish(std::move(instrument));
}

TEST(SiFiWriterTest, EmptySetIsABareHeader) {
  const auto set = CreateExportSet();
  EXPECT_EQ(Serialize(*set), Hex({0x53, 0x69, 0x46, 0x69, 0x10, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
                                  0x00, 0x00, 0x00, 0x10, 0x00}));
}

TEST(SiFiWriterTest, OneMonoSampleOfHundredFramesIsLaidOutExactly) {
  ModelBuilder model;
  auto piano = model.Begin("Piano", 0x12345678);
  piano->category = 0x4B41;
  const auto stream = model.Stream(100);
  Sample* sample = model.NewSample(*piano, "Piano C4", 100, 1, stream);
  Zone& zone = model.AddTestZone(*piano, sample, 36, 1);
  zone.mapping.keyHigh = 96;
  zone.mapping.velHigh = 100;
  zone.mapping.startOffset = 4;
  zone.mapping.flags = ZoneLoop;
  zone.parameters.SetSigned(ZoneParameters::pan, -30);
  const Instrument& instrument = model.Finish(std::move(piano));
  const auto set = SetOf({&instrument});

  std::vector<std::byte> expected;
  ByteWriter e(expected);
  // File header.
  e.Text("SiFi");
  e.U32(484);
  e.U16(256);
  e.U16(0);
  e.U16(1);
  e.U16(16);
  // Group header.
  e.Text("SiIg");
  e.U32(456);
  e.U16(256);
  e.U16(0);
  for (unsigned v : {28u, 1u, 68u, 1u, 144u, 1u, 192u, 0u}) e.U16(static_cast<std::uint16_t>(v));
  // Instrument entry.
  e.Text("Piano");
  e.Zeros(19);
  e.U32(0x12345678);
  e.U32(0);
  e.U16(0x4B41);
  e.U16(0);
  e.U16(0);  // first zone
  e.U16(1);  // zone count
  // Zone entry: the mapping as set, the parameters relative to the (one-zone) average: all 0.
  for (unsigned v : {36u, 96u, 1u, 100u}) e.U8(static_cast<std::uint8_t>(v));
  e.U32(4);
  e.U32(0);
  e.Zeros(8);
  e.U8(0);
  e.U8(0);
  e.U8(ZoneLoop);
  e.U8(0);
  e.U16(0);
  e.U8(0);
  e.U8(0);
  e.Zeros(44);
  e.U16(0);  // sample index
  e.U16(0);
  // Sample entry.
  e.Text("Piano C4");
  e.Zeros(16);
  e.U32(0);    // data start
  e.U32(200);  // data end
  e.U32(50);   // loop start: 25 frames
  e.U32(100);  // loop end: 50 frames
  e.U8(0xF9);  // -7 cents
  e.U8(60);
  e.U8(1);
  e.U8(16);
  e.U32(22150);
  // Sample data, then 32 silent frames.
  e.Bytes(stream);
  e.Zeros(64);
  // One SiDp chunk for the one instrument.
  e.Bytes(Hex({0x53, 0x69, 0x44, 0x70, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}));
  ASSERT_EQ(expected.size(), 484u);

  EXPECT_EQ(Serialize(*set), expected);
  EXPECT_EQ(instrument.parameters.Signed(ZoneParameters::pan), -30);  // the block stays unwritten
}

TEST(SiFiWriterTest, StereoSampleTakesFourBytesAFrameAndHundredTwentyEightSilentBytes) {
  ModelBuilder model;
  auto strings = model.Begin("Strings");
  Sample* stereo = model.NewSample(*strings, "Ensemble", 10, 2);
  model.AddTestZone(*strings, stereo, 0);
  const Instrument& instrument = model.Finish(std::move(strings));
  const auto bytes = Serialize(*SetOf({&instrument}));

  const std::size_t group = 16;
  const std::size_t sampleEntry = group + U16At(bytes, group + 20);
  EXPECT_EQ(U32At(bytes, sampleEntry + 24), 0u);
  EXPECT_EQ(U32At(bytes, sampleEntry + 28), 40u);
  EXPECT_EQ(U32At(bytes, sampleEntry + 32), 2u * 4);  // loop start 2 frames
  EXPECT_EQ(U32At(bytes, sampleEntry + 36), 5u * 4);  // loop end 5 frames
  EXPECT_EQ(std::to_integer<int>(bytes[sampleEntry + 42]), 2);
  const std::size_t data = group + U16At(bytes, group + 24);
  for (std::size_t i = 0; i < 20; ++i)
    EXPECT_EQ(static_cast<std::int16_t>(U16At(bytes, data + 2 * i)), stereo->data[i]);
  const std::size_t silence = data + 40;
  EXPECT_EQ(U32At(bytes, group + 4), silence + 128 - group);  // group length ends the silence
  for (std::size_t i = silence; i < silence + 128; ++i) EXPECT_EQ(bytes[i], std::byte{0});
}

TEST(SiFiWriterTest, SharedSamplesAreStoredOnceAndUnplayedOnesToo) {
  ModelBuilder model;
  const auto shared = model.Stream(4);
  // Harp plays "a" and "b"; Lute plays "b" and "c". Exporting Lute alone still writes "a".
  auto harp = model.Begin("Harp");
  model.AddTestZone(*harp, model.NewSample(*harp, "a", 6), 0);
  model.AddTestZone(*harp, model.NewSample(*harp, "b", 4, 1, shared), 60);
  Instrument& h = model.Finish(std::move(harp));
  auto lute = model.Begin("Lute");
  model.AddTestZone(*lute, model.NewSample(*lute, "b", 4, 1, shared), 0);
  model.AddTestZone(*lute, model.NewSample(*lute, "c", 2), 60);
  Instrument& l = model.Finish(std::move(lute));
  ASSERT_EQ(h.group, l.group);
  ASSERT_EQ(h.group->samples.size(), 3u);

  const auto bytes = Serialize(*SetOf({&l}));
  const std::size_t group = 16;
  EXPECT_EQ(U16At(bytes, 12), 1u);          // one group
  EXPECT_EQ(U16At(bytes, group + 14), 1u);  // one instrument
  EXPECT_EQ(U16At(bytes, group + 18), 2u);  // its two zones
  EXPECT_EQ(U16At(bytes, group + 22), 3u);  // all three samples of the group
  const std::size_t zones = group + U16At(bytes, group + 16);
  EXPECT_EQ(U16At(bytes, zones + 72), 1u);       // "b" is the second sample
  EXPECT_EQ(U16At(bytes, zones + 76 + 72), 2u);  // "c" the third
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(h.group->samples[i]->exportIndex, i);

  // Both instruments: still one group chunk, samples once, zones numbered across members.
  const auto both = Serialize(*SetOf({&h, &l}));
  EXPECT_EQ(U16At(both, 12), 1u);
  EXPECT_EQ(U16At(both, group + 14), 2u);
  EXPECT_EQ(U16At(both, group + 18), 4u);
  EXPECT_EQ(U16At(both, group + 22), 3u);
  const std::size_t second = group + 28 + 40;
  EXPECT_EQ(U16At(both, second + 36), 2u);  // Lute's first zone follows Harp's two
  EXPECT_EQ(U16At(both, second + 38), 2u);
  EXPECT_EQ(U32At(both, 4), both.size());
}

TEST(SiFiWriterTest, GroupsAreWrittenInSetOrderEachFollowedByItsSiDpChunks) {
  ModelBuilder model;
  Instrument& zither = model.Simple("Zither", 3);
  Instrument& bass = model.Simple("Bass", 5);
  const auto bytes = Serialize(*SetOf({&zither, &bass}));
  EXPECT_EQ(U16At(bytes, 12), 2u);
  std::size_t at = 16;
  for (const char* name : {"Zither", "Bass"}) {
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at]), 4), "SiIg");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at + 28])), name);
    at += U32At(bytes, at + 4);
    EXPECT_EQ(std::vector<std::byte>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 12)),
              Hex({0x53, 0x69, 0x44, 0x70, 0x0C, 0, 0, 0, 0x00, 0x01, 0, 0}));
    at += 12;
  }
  EXPECT_EQ(at, bytes.size());
  EXPECT_EQ(U32At(bytes, 4), bytes.size());
}

TEST(SiFiWriterTest, NameOfTwentyFiveCharactersKeepsItsFirstTwentyFour) {
  ModelBuilder model;
  Instrument& piano = model.Simple("ABCDEFGHIJKLMNOPQRSTUVWXY");
  ASSERT_EQ(piano.name.size(), 25u);
  const auto bytes = Serialize(*SetOf({&piano}));
  const std::size_t entry = 16 + 28;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[entry]), 24),
            "ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_EQ(U32At(bytes, entry + 24), piano.soundId);  // right behind, no terminator
}

TEST(SiFiWriterTest, TablesOfUpToSixtyFiveThousandFiveHundredThirtyFiveBytesFit) {
  ModelBuilder model;
  const Instrument& fits = ManyZones(model, "Fits", 527);
  const auto bytes = Serialize(*SetOf({&fits}));
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(U16At(bytes, 16 + 24), 65416u);
  EXPECT_EQ(U16At(bytes, 16 + 18), 527u);
  EXPECT_EQ(U16At(bytes, 16 + 22), 527u);
  EXPECT_EQ(U32At(bytes, 4), bytes.size());
}

TEST(SiFiWriterTest, TablesOfTheLargestSizeThatFitsAreWritten) {
  // 28 + 40 + 538 x 76 + 512 x 48 = 65532, the largest multiple of 4 below the limit.
  ModelBuilder model;
  auto layers = model.Begin("Layers");
  std::vector<Sample*> samples;
  for (int s = 0; s < 512; ++s)
    samples.push_back(model.NewSample(*layers, "s" + std::to_string(1000 + s), 1));
  for (int k = 0; k < 538; ++k) {
    model.AddTestZone(*layers, samples[static_cast<std::size_t>(k % 512)],
                      static_cast<std::uint8_t>(k % 128), static_cast<std::uint8_t>(k / 128));
  }
  const Instrument& instrument = model.Finish(std::move(layers));
  const auto bytes = Serialize(*SetOf({&instrument}));
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(U16At(bytes, 16 + 24), 65532u);
  EXPECT_EQ(U32At(bytes, 4), bytes.size());
}

TEST(SiFiWriterTest, AnInstrumentWhoseTablesAloneDoNotFitIsRefused) {
  ModelBuilder model;
  const Instrument& big = ManyZones(model, "Big Pad", 528);
  std::vector<std::byte> bytes{std::byte{1}};
  const ExportResult result = SerializeExportSet(*SetOf({&big}), bytes);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.error, ExportError::kGroupTooLarge);
  EXPECT_EQ(result.reason,
            "group of Big Pad: instrument Big Pad alone needs 65540 bytes of tables (528 zones), "
            "at most 65535 fit");
  EXPECT_TRUE(bytes.empty());
}

// Loop points are stored as byte offsets; a loop of 0x80000010 frames was once written as 16.
TEST(SiFiWriterTest, LoopOffsetsBeyondThirtyTwoBitsAreRefused) {
  for (const std::uint32_t loopEnd : {0x7FFFFFFFu, 0x80000020u}) {
    ModelBuilder model;
    auto pad = model.Begin("Pad");
    Sample* sample = model.NewSample(*pad, "Wide", 100, 2);
    model.AddTestZone(*pad, sample, 0);
    const Instrument& instrument = model.Finish(std::move(pad));
    sample->loopEnd = loopEnd;  // as no importer can leave it: AddSample keeps loops inside
    std::vector<std::byte> bytes;
    const ExportResult result = SerializeExportSet(*SetOf({&instrument}), bytes);
    EXPECT_EQ(result.error, ExportError::kFileTooLarge) << loopEnd;
    EXPECT_EQ(result.reason, "group of Pad: sample Wide lies past the 4 GiB a file can address");
    EXPECT_TRUE(bytes.empty());
  }
}

TEST(SiFiWriterTest, FiveHundredGroupsFitButNotFiveHundredAndOne) {
  ModelBuilder model;
  auto set = CreateExportSet();
  for (int i = 0; i < 501; ++i) {
    const Instrument& instrument = model.Simple("i" + std::to_string(i), 1);
    if (i < 500) {
      ASSERT_TRUE(AddInstrumentToExportSet(*set, instrument));
    }
    if (i == 499) {
      const auto bytes = Serialize(*set);
      EXPECT_EQ(U16At(bytes, 12), 500u);
      EXPECT_EQ(U32At(bytes, 4), bytes.size());
    }
    if (i == 500) {
      ASSERT_TRUE(AddInstrumentToExportSet(*set, instrument));
    }
  }
  std::vector<std::byte> bytes;
  const ExportResult result = SerializeExportSet(*set, bytes);
  EXPECT_EQ(result.error, ExportError::kTooManyGroups);
  EXPECT_EQ(result.reason, "501 groups, at most 500 fit a file");
  EXPECT_TRUE(bytes.empty());
}

TEST(SiFiWriterTest, ZonesWithoutASampleOfTheGroupAreLeftOut) {
  ModelBuilder model;
  auto organ = model.Begin("Organ");
  Sample* pipe = model.NewSample(*organ, "pipe", 4);
  model.AddTestZone(*organ, pipe, 10);
  model.AddTestZone(*organ, nullptr, 20);
  model.AddTestZone(*organ, pipe, 30);
  const Instrument& instrument = model.Finish(std::move(organ));
  ASSERT_EQ(instrument.zones.size(), 3u);
  const auto bytes = Serialize(*SetOf({&instrument}));
  EXPECT_EQ(U16At(bytes, 16 + 18), 2u);
  EXPECT_EQ(U16At(bytes, 16 + 28 + 38), 2u);
  const std::size_t zones = 16 + U16At(bytes, 16 + 16);
  EXPECT_EQ(std::to_integer<int>(bytes[zones]), 10);
  EXPECT_EQ(std::to_integer<int>(bytes[zones + 76]), 30);
  EXPECT_EQ(U32At(bytes, 4), bytes.size());
}

class SiFiFileTest : public ::testing::Test {
 protected:
  std::size_t FilesInFolder() const { return folder_.EntryCount(); }
  void Put(const std::filesystem::path& path, std::string_view text) {
    testing::WriteFileText(path, text);
  }
  testing::TestFolder folder_;
  ModelBuilder model_;
};

TEST_F(SiFiFileTest, WritesTheSameBytesAsInMemoryAndReplacesAnExistingFile) {
  const Instrument& piano = model_.Simple("Piano", 50);
  const Instrument& organ = model_.Simple("Organ", 70);
  const auto set = SetOf({&piano, &organ});
  const auto path = folder_ / "Piano.SLI";
  Put(path, "an older, longer file that is replaced without a question");
  const ExportResult result = WriteExportSet(*set, path);
  ASSERT_TRUE(result) << result.reason;
  EXPECT_EQ(ReadFile(path), Serialize(*set));
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SiFiFileTest, LongSampleDataWritesTheSameBytesAsInMemory) {
  // Long runs of sample data travel to the file where they lie, gathered into large writes; the
  // bytes must not depend on that. Sizes around the 4096 bytes from which a run goes in place,
  // mono and stereo, and more than the 8 MiB one gathered write takes.
  auto mixed = model_.Begin("Mixed");
  const struct {
    std::uint32_t frames;
    std::uint32_t channels;
  } samples[] = {{1, 1},    {2047, 1}, {2048, 1},      {2049, 1},      {1023, 2},
                 {1024, 2}, {3, 2},    {3'000'000, 1}, {1'500'000, 2}, {5, 1}};
  std::uint8_t key = 0;
  for (const auto& [frames, channels] : samples) {
    Sample* sample = model_.NewSample(*mixed, "m" + std::to_string(key), frames, channels);
    ASSERT_NE(sample, nullptr);
    model_.AddTestZone(*mixed, sample, key++);
  }
  const Instrument& big = model_.Finish(std::move(mixed));
  const Instrument& organ = model_.Simple("Organ", 5000);
  const auto set = SetOf({&big, &organ});
  const auto path = folder_ / "Mixed.SLC";
  const ExportResult result = WriteExportSet(*set, path);
  ASSERT_TRUE(result) << result.reason;
  const auto expected = Serialize(*set);
  ASSERT_GT(expected.size(), std::size_t{8} << 20);
  EXPECT_TRUE(ReadFile(path) == expected);  // not EXPECT_EQ: a mismatch would print 12 MB
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SiFiFileTest, MissingFolderFailsAndCreatesNothing) {
  const Instrument& piano = model_.Simple("Piano");
  const auto path = folder_ / "missing" / "Piano.SLI";
  const ExportResult result = WriteExportSet(*SetOf({&piano}), path);
  EXPECT_EQ(result.error, ExportError::kCannotCreateFile);
  EXPECT_EQ(result.reason, "cannot create the file: No such file or directory");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(SiFiFileTest, ParentThatIsAFileFails) {
  const Instrument& piano = model_.Simple("Piano");
  Put(folder_ / "plain", "x");
  const ExportResult result = WriteExportSet(*SetOf({&piano}), folder_ / "plain" / "Piano.SLI");
  EXPECT_FALSE(result);
  EXPECT_EQ(ReadFile(folder_ / "plain"), Hex({'x'}));
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SiFiFileTest, TargetThatIsAFolderFailsAndStays) {
  const Instrument& piano = model_.Simple("Piano");
  std::filesystem::create_directory(folder_ / "Piano.SLI");
  std::filesystem::create_directory(folder_ / "Piano.SLI" / "inside");
  const ExportResult result = WriteExportSet(*SetOf({&piano}), folder_ / "Piano.SLI");
  EXPECT_EQ(result.error, ExportError::kWriteFailed);
  // The reason is the failed rename's, not that of the calls after it.
#ifdef _WIN32
  EXPECT_EQ(result.reason.rfind("writing the file failed: ", 0), 0u) << result.reason;
#else
  EXPECT_EQ(result.reason, "writing the file failed: Is a directory");
#endif
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "Piano.SLI" / "inside"));
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SiFiFileTest, TooLargeGroupLeavesNoFileAndKeepsAGoodOne) {
  const Instrument& small = model_.Simple("Small");
  const Instrument& big = ManyZones(model_, "Big", 528);
  const auto path = folder_ / "Collection.SLC";
  ASSERT_TRUE(WriteExportSet(*SetOf({&small}), path));
  const auto good = ReadFile(path);

  const ExportResult result = WriteExportSet(*SetOf({&small, &big}), path);
  EXPECT_EQ(result.error, ExportError::kGroupTooLarge);
  EXPECT_EQ(ReadFile(path), good);
  EXPECT_EQ(FilesInFolder(), 1u);

  const auto fresh = folder_ / "New.SLC";
  EXPECT_FALSE(WriteExportSet(*SetOf({&big}), fresh));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SiFiFileTest, TooManyGroupsLeavesNoFile) {
  auto set = CreateExportSet();
  for (int i = 0; i < 501; ++i)
    ASSERT_TRUE(AddInstrumentToExportSet(*set, model_.Simple("i" + std::to_string(i), 1)));
  const auto path = folder_ / "All.SLC";
  EXPECT_EQ(WriteExportSet(*set, path).error, ExportError::kTooManyGroups);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(SiFiFileTest, EmptySetWritesSixteenBytes) {
  const auto path = folder_ / "Empty.SLC";
  ASSERT_TRUE(WriteExportSet(*CreateExportSet(), path));
  EXPECT_EQ(ReadFile(path).size(), 16u);
}

}  // namespace
}  // namespace tolvane
