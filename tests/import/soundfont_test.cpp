#include "import/outcome_text.h"
#include "import/soundfont/soundfont_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/bytes.h"
#include "base/mapped_file.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"
#include "riff_builder.h"
#include "soundfont_builder.h"

namespace tolvane {
namespace {

using namespace testing;  // the bank builder

// A bank with one instrument of one mono zone.
BankBuilder OneZoneBank(std::string instrument = "Piano") {
  BankBuilder b;
  const auto s = b.AddSampleData("Piano C4", 100, 10, 90, 1);
  b.AddInstrument(std::move(instrument));
  b.AddZone(s);
  b.Finish();
  return b;
}

TEST(SoundFontImportTest, OtherFilesAreLeftToTheNextImporter) {
  const Bytes wave = testing::Riff("WAVE", {Chunk("data", Bytes(4, std::byte{0}))});
  EXPECT_FALSE(Imported(wave).taken);
  Bytes bank = OneZoneBank().Build();
  EXPECT_FALSE(Imported(Bytes(bank.begin(), bank.begin() + 11)).taken);
  bank[0] = static_cast<std::byte>('X');
  EXPECT_FALSE(Imported(bank).taken);
  EXPECT_FALSE(Imported(Bytes{}).taken);
}

TEST(SoundFontImportTest, NamesCarryTheBaseNameAndSoundIdsHashBothWholeNames) {
  BankBuilder b;
  const auto s = b.AddSampleData("Str", 20, 0, 20, 1);
  b.AddInstrument("Violin Ensemble");
  b.AddZone(s);
  b.AddInstrument("Cello");
  b.AddZone(s);
  b.Finish();
  const Imported bank(b.Build(), "C:\\Banks\\Strings.sf2");
  ASSERT_TRUE(bank.outcome.imported()) << OutcomeReason(bank.outcome);
  EXPECT_EQ(bank.Names(), (std::vector<std::string>{"Strings_Cello", "Strings_Violin Ensemble"}));
  const Instrument* violin = bank.Find("Violin Ensemble");
  ASSERT_NE(violin, nullptr);
  EXPECT_EQ(violin->soundId, SoundIdHash("STRINGS:VIOLIN ENSEMBLE"));
  EXPECT_EQ(bank.Find("Cello")->soundId, SoundIdHash("STRINGS:CELLO"));
}

TEST(SoundFontImportTest, NamesAndHashTexts) {
  const struct {
    const char* instrument;
    const char* path;
    const char* name;          // base name shortened to 7, "_", the rest of 24
    const char* importedName;  // the record's name, whole
    const char* hashText;      // both whole names, only ASCII letters upper-cased
  } cases[] = {
      {"Violin Ensemble 2", "/banks/Orchestral Strings.sf2", "Orchstr_Violin Ensemble2",
       "Violin Ensemble 2", "ORCHESTRAL STRINGS:VIOLIN ENSEMBLE 2"},
      {"caf\xe9 {x}_1", "C:\\Banks\\m\xfcsic.sf2", "m\xfcsic_caf\xe9 {x}_1", "caf\xe9 {x}_1",
       "M\xfcSIC:CAF\xe9 {X}_1"},
      // A name filling its 20 bytes has no zero byte.
      {"ABCDEFGHIJKLMNOPQRST", "x/B.sf2", "B_ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST",
       "B:ABCDEFGHIJKLMNOPQRST"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.instrument);
    const Imported bank(OneZoneBank(c.instrument).Build(), c.path);
    ASSERT_EQ(bank.library.instruments.size(), 1u);
    const Instrument& i = *bank.library.instruments[0];
    EXPECT_EQ(i.name, c.name);
    EXPECT_EQ(i.importedName, c.importedName);
    EXPECT_EQ(i.soundId, SoundIdHash(c.hashText));
  }
}

TEST(SoundFontImportTest, MonoZoneTakesHeaderValuesAndGenerators) {
  BankBuilder b;
  b.AddSampleData("Other", 30, 0, 30, 9);  // so that the sample of interest does not start at 0
  const auto s = b.AddSampleData("Piano C4", 100, 10, 90, 2);
  b.headers[s].sampleRate = 32000;
  b.headers[s].key = 64;
  b.headers[s].correction = -5;
  b.AddInstrument("Piano");
  b.AddBag();
  b.AddGenerator(kKeyRange, Range(36, 60));
  b.AddGenerator(kVelRange, Range(10, 100));
  b.AddGenerator(kSampleModes, 1);
  b.AddGenerator(kAttackVolEnv, Amount(-1250));
  b.AddGenerator(kInstrumentGen, 7);
  b.AddGenerator(kSampleId, s);
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 1u);
  const Zone& z = i.zones[0];
  ASSERT_NE(z.sample, nullptr);
  const Sample& sample = *z.sample;
  EXPECT_EQ(sample.name, "Piano C4");
  EXPECT_EQ(sample.channels, 1u);
  EXPECT_EQ(sample.bitsPerSample, 16u);
  EXPECT_EQ(sample.sampleRate, 32000u);
  EXPECT_EQ(sample.frames, 100u);
  EXPECT_EQ(sample.loopStart, 10u);
  EXPECT_EQ(sample.loopEnd, 90u);
  EXPECT_EQ(sample.rootKey, 64u);
  EXPECT_EQ(sample.pitchCorrection, -5);
  EXPECT_EQ(sample.data, Values(2, 100));
  EXPECT_EQ(z.mapping.keyLow, 36);
  EXPECT_EQ(z.mapping.keyHigh, 60);
  EXPECT_EQ(z.mapping.velLow, 10);
  EXPECT_EQ(z.mapping.velHigh, 100);
  EXPECT_EQ(z.mapping.flags, ZoneLoop);
  EXPECT_TRUE(i.averaged);
  EXPECT_EQ(i.parameters.Signed(ZoneParameters::attackVolEnv), -12);
  EXPECT_EQ(z.parameters.Signed(ZoneParameters::attackVolEnv), 0);
  // The unused sample is never copied.
  EXPECT_EQ(bank.source.samples.size(), 1u);
  ASSERT_EQ(bank.source.groups.size(), 1u);
  EXPECT_EQ(i.group, bank.source.groups[0].get());
}

// A linked left/right pair and an instrument with one zone for each, in the given order.
BankBuilder StereoBank(bool rightFirst, std::uint32_t rightLoopEnd, int leftPan = -500,
                       int rightPan = 500) {
  BankBuilder b;
  const auto left = b.AddSampleData("Strings L", 64, 8, 60, 3, kLeft, 1);
  const auto right = b.AddSampleData("Strings R", 64, 8, rightLoopEnd, 4, kRight, 0);
  b.AddInstrument("Strings");
  if (rightFirst) b.AddZone(right, {{kPan, Amount(rightPan)}});
  b.AddZone(left, {{kPan, Amount(leftPan)}});
  if (!rightFirst) b.AddZone(right, {{kPan, Amount(rightPan)}});
  b.Finish();
  return b;
}

std::vector<std::int16_t> Interleaved(int leftSeed, int rightSeed, std::size_t frames) {
  std::vector<std::int16_t> values;
  for (std::size_t i = 0; i < frames; ++i) {
    values.push_back(DataValue(leftSeed, i));
    values.push_back(DataValue(rightSeed, i));
  }
  return values;
}

TEST(SoundFontImportTest, LinkedPairWithEqualLoopsBecomesOneStereoZone) {
  for (const bool rightFirst : {true, false}) {
    SCOPED_TRACE(rightFirst);
    const Imported bank(StereoBank(rightFirst, 60).Build());
    ASSERT_EQ(bank.library.instruments.size(), 1u);
    const Instrument& i = *bank.library.instruments[0];
    ASSERT_EQ(i.zones.size(), 1u);
    const Zone& z = i.zones[0];
    EXPECT_EQ(z.mapping.flags, ZoneStereo);
    EXPECT_EQ(Pan(i.parameters), 0);
    EXPECT_EQ(Pan(z.parameters), 0);
    ASSERT_EQ(bank.source.samples.size(), 1u);
    const Sample& s = *bank.source.samples[0];
    EXPECT_EQ(z.sample, &s);
    EXPECT_EQ(s.name, "Strings L");
    EXPECT_EQ(s.channels, 2u);
    EXPECT_EQ(s.frames, 64u);
    EXPECT_EQ(s.loopStart, 8u);
    EXPECT_EQ(s.loopEnd, 60u);
    EXPECT_EQ(s.data, Interleaved(3, 4, 64));
  }
}

TEST(SoundFontImportTest, LinkedPairWithOtherLoopEndsStaysTwoMonoSamples) {
  const Imported bank(StereoBank(false, 61).Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  ASSERT_EQ(bank.source.samples.size(), 2u);
  EXPECT_EQ(bank.source.samples[0]->name, "Strings L");
  EXPECT_EQ(bank.source.samples[1]->name, "Strings R");
  for (const Zone& z : i.zones) {
    EXPECT_EQ(z.mapping.flags, 0);
    EXPECT_EQ(z.sample->channels, 1u);
  }
  EXPECT_EQ(bank.source.samples[1]->loopEnd, 61u);
  EXPECT_EQ(bank.source.samples[1]->data, Values(4, 64));
}

TEST(SoundFontImportTest, StereoSampleWithoutHardPanningKeepsTwoZones) {
  const Imported bank(StereoBank(false, 60, -400, 500).Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  ASSERT_EQ(bank.source.samples.size(), 1u);
  EXPECT_EQ(i.zones[0].sample, i.zones[1].sample);
  EXPECT_EQ(i.zones[0].sample->channels, 2u);
  EXPECT_EQ(i.zones[0].mapping.flags, 0);
}

TEST(SoundFontImportTest, StereoSampleTakesRateKeyAndCorrectionFromTheHeaderNamedFirst) {
  for (const bool rightFirst : {true, false}) {
    SCOPED_TRACE(rightFirst);
    BankBuilder b = StereoBank(rightFirst, 60);
    b.headers[0].sampleRate = 44100;  // left
    b.headers[0].key = 60;
    b.headers[0].correction = 3;
    b.headers[1].sampleRate = 22050;  // right
    b.headers[1].key = 62;
    b.headers[1].correction = -4;
    const Imported bank(b.Build());
    ASSERT_EQ(bank.source.samples.size(), 1u);
    const Sample& s = *bank.source.samples[0];
    EXPECT_EQ(s.name, "Strings L");
    EXPECT_EQ(s.channels, 2u);
    // The zone that asked first made the sample; the other found it unchanged.
    EXPECT_EQ(s.sampleRate, rightFirst ? 22050u : 44100u);
    EXPECT_EQ(s.rootKey, rightFirst ? 62u : 60u);
    EXPECT_EQ(s.pitchCorrection, rightFirst ? -4 : 3);
    EXPECT_EQ(s.data, Interleaved(3, 4, 64));
  }
}

TEST(SoundFontImportTest, ZonesWithOtherVelocitiesDoNotFold) {
  for (const bool stereo : {true, false}) {
    SCOPED_TRACE(stereo);
    BankBuilder b;
    const auto left = b.AddSampleData("L", 16, 0, 16, 1, stereo ? kLeft : kMono, stereo ? 1 : 0);
    const auto right = b.AddSampleData("R", 16, 0, 16, 2, stereo ? kRight : kMono, 0);
    b.AddInstrument("I");
    b.AddZone(left, {{kPan, Amount(-500)}, {kVelRange, Range(0, 63)}});
    b.AddZone(stereo ? right : left, {{kPan, Amount(500)}, {kVelRange, Range(0, 64)}});
    b.Finish();
    const Imported bank(b.Build());
    ASSERT_EQ(bank.library.instruments.size(), 1u);
    const Instrument& i = *bank.library.instruments[0];
    ASSERT_EQ(i.zones.size(), 2u);
    EXPECT_EQ(i.zones[0].sample, i.zones[1].sample);
    EXPECT_EQ(i.zones[0].mapping.flags, 0);
    EXPECT_EQ(i.zones[1].mapping.flags, 0);
  }
}

TEST(SoundFontImportTest, LinkToAMonoSampleTakesTheMonoPath) {
  BankBuilder b;
  const auto a = b.AddSampleData("A", 16, 0, 16, 1, kMono, 1);
  b.AddSampleData("B", 16, 0, 16, 2, kMono, 0);
  b.AddInstrument("I");
  b.AddZone(a);
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.source.samples.size(), 1u);
  EXPECT_EQ(bank.source.samples[0]->name, "A");
  EXPECT_EQ(bank.source.samples[0]->channels, 1u);
}

// Two zones on one mono sample over the same ranges, with the given pans.
BankBuilder DualBank(int firstPan, int secondPan, std::uint16_t secondKeys = Range(0, 127)) {
  BankBuilder b;
  const auto s = b.AddSampleData("Choir", 40, 0, 40, 5);
  b.AddInstrument("Choir");
  b.AddZone(s, {{kPan, Amount(firstPan)}, {kStartOffset, 4}});
  b.AddZone(s, {{kKeyRange, secondKeys},
                {kPan, Amount(secondPan)},
                {kStartOffset, 10},
                {kCoarseTune, 3},
                {kFineTune, Amount(-7)}});
  b.Finish();
  return b;
}

TEST(SoundFontImportTest, MirroredZonesOnAMonoSampleBecomeOneDualZone) {
  const Imported bank(DualBank(-250, 250).Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 1u);
  const ZoneMapping& m = i.zones[0].mapping;
  EXPECT_EQ(m.flags, ZoneDual);
  EXPECT_EQ(m.startOffset, 8);
  EXPECT_EQ(m.startOffset2, 20);
  EXPECT_EQ(m.coarseTune, 0);
  EXPECT_EQ(m.coarseTune2, 3);
  EXPECT_EQ(m.fineTune2, -7);
  EXPECT_EQ(Pan(i.parameters), -50);
  EXPECT_EQ(Pan(i.zones[0].parameters), 0);
}

TEST(SoundFontImportTest, WhichMonoZonePairsFold) {
  const struct {
    int firstPan, secondPan;
    std::uint16_t secondKeys;
    std::size_t zones;
  } cases[] = {
      {0, 0, Range(0, 127), 1},       // both centred: dual
      {-250, 200, Range(0, 127), 2},  // not mirrored
      {-250, 250, Range(0, 126), 2},  // other key range
      {-500, 500, Range(0, 127), 1},  // hard left and right
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.firstPan << " " << c.secondPan);
    const Imported bank(DualBank(c.firstPan, c.secondPan, c.secondKeys).Build());
    ASSERT_EQ(bank.library.instruments.size(), 1u);
    EXPECT_EQ(bank.library.instruments[0]->zones.size(), c.zones);
  }
}

TEST(SoundFontImportTest, AFoldedZoneIsNotFoldedAgain) {
  BankBuilder b;
  const auto s = b.AddSampleData("Choir", 40, 0, 40, 5);
  b.AddInstrument("Choir");
  b.AddZone(s, {{kPan, Amount(-250)}});
  b.AddZone(s, {{kPan, Amount(250)}});  // folds into the first
  // The first is dual now: this one stays, filed in front of it (same key and velocity).
  b.AddZone(s, {{kPan, Amount(250)}});
  b.AddZone(s, {{kPan, Amount(-250)}, {kCoarseTune, 5}});  // folds into the third
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  EXPECT_EQ(i.zones[0].mapping.flags, ZoneDual);
  EXPECT_EQ(i.zones[0].mapping.coarseTune2, 5);
  EXPECT_EQ(i.zones[1].mapping.flags, ZoneDual);
  EXPECT_EQ(i.zones[1].mapping.coarseTune2, 0);
  // Absolute pans 50 and -50 average to 0.
  EXPECT_EQ(Pan(i.parameters), 0);
  EXPECT_EQ(Pan(i.zones[0].parameters), 50);
  EXPECT_EQ(Pan(i.zones[1].parameters), -50);
}

TEST(SoundFontImportTest, GlobalZoneIsDroppedWithItsGenerators) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("WithGlobal");
  b.AddBag();
  b.AddGenerator(kKeyRange, Range(10, 20));
  b.AddGenerator(kAttackVolEnv, Amount(-1200));
  b.AddGenerator(kPan, Amount(500));
  b.AddZone(s);
  b.AddInstrument("OnlyGlobal");
  b.AddBag();
  b.AddGenerator(kPan, Amount(500));
  b.AddInstrument("NoBags");
  b.AddInstrument("Last");
  b.AddZone(s);
  b.Finish();
  const Imported bank(b.Build());
  EXPECT_EQ(bank.Names(), (std::vector<std::string>{"Test_Last", "Test_WithGlobal"}));
  const Instrument& i = *bank.Find("WithGlobal");
  ASSERT_EQ(i.zones.size(), 1u);
  EXPECT_EQ(i.zones[0].mapping.keyLow, 0);
  EXPECT_EQ(i.zones[0].mapping.keyHigh, 127);
  EXPECT_EQ(i.parameters.Signed(ZoneParameters::attackVolEnv), -120);
  EXPECT_EQ(Pan(i.parameters), 0);
  // Only the instruments kept are in the group.
  ASSERT_EQ(bank.source.groups.size(), 1u);
  EXPECT_EQ(bank.source.groups[0]->instruments.size(), 2u);
}

TEST(SoundFontImportTest, GeneratorsAfterTheSampleIdStillApply) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("I");
  b.AddBag();
  b.AddGenerator(kSampleId, s);
  b.AddGenerator(kKeyRange, Range(36, 60));
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  ASSERT_EQ(bank.library.instruments[0]->zones.size(), 1u);
  EXPECT_EQ(bank.library.instruments[0]->zones[0].mapping.keyLow, 36);
  EXPECT_EQ(bank.library.instruments[0]->zones[0].mapping.keyHigh, 60);
}

TEST(SoundFontImportTest, OfTwoMonoSampleIdsTheFirstIsUsed) {
  BankBuilder b;
  const auto first = b.AddSampleData("First", 20, 0, 20, 1);
  const auto second = b.AddSampleData("Second", 30, 0, 30, 2);
  b.AddInstrument("I");
  b.AddBag();
  b.AddGenerator(kSampleId, first);
  b.AddGenerator(kSampleId, second);
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  ASSERT_EQ(bank.library.instruments[0]->zones.size(), 1u);
  EXPECT_EQ(bank.library.instruments[0]->zones[0].sample->name, "First");
  // The second one is not even created.
  EXPECT_EQ(bank.source.samples.size(), 1u);
}

TEST(SoundFontImportTest, AStereoSampleIdReplacesAnEarlierMonoOne) {
  BankBuilder b;
  const auto mono = b.AddSampleData("Mono", 20, 0, 20, 1);
  const auto left = b.AddSampleData("Pair L", 16, 0, 16, 2, kLeft, 2);
  b.AddSampleData("Pair R", 16, 0, 16, 3, kRight, left);
  b.AddInstrument("I");
  b.AddBag();
  b.AddGenerator(kSampleId, mono);
  b.AddGenerator(kSampleId, left);
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 1u);
  EXPECT_EQ(i.zones[0].sample->name, "Pair L");
  EXPECT_EQ(i.zones[0].sample->channels, 2u);
  // The mono sample was asked for first and stays in the source and the group.
  EXPECT_EQ(bank.source.samples.size(), 2u);
  EXPECT_EQ(i.group->samples.size(), 2u);
}

TEST(SoundFontImportTest, ZonesAreFiledByKeyAndParametersAveraged) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  const auto t = b.AddSampleData("T", 20, 0, 20, 2);
  b.AddInstrument("I");
  b.AddZone(s, {{kKeyRange, Range(60, 72)}, {kAttenuation, 100}});
  b.AddZone(t, {{kKeyRange, Range(0, 59)}, {kAttenuation, 300}});
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  EXPECT_EQ(i.zones[0].mapping.keyLow, 0);
  EXPECT_EQ(i.zones[0].sample->name, "T");
  EXPECT_EQ(i.zones[1].mapping.keyLow, 60);
  EXPECT_EQ(i.parameters.bytes[ZoneParameters::attenuation], 20);
  EXPECT_EQ(i.zones[0].parameters.bytes[ZoneParameters::attenuation], 10);
  EXPECT_EQ(i.zones[1].parameters.bytes[ZoneParameters::attenuation], 246);  // -10
}

TEST(SoundFontImportTest, InstrumentsSharingSamplesFormOneCollection) {
  BankBuilder b;
  const auto shared = b.AddSampleData("Shared", 20, 0, 20, 1);
  const auto own = b.AddSampleData("Own", 20, 0, 20, 2);
  b.AddInstrument("Bravo");
  b.AddZone(shared);
  b.AddInstrument("Solo");
  b.AddZone(own);
  b.AddInstrument("Alpha");
  b.AddZone(shared);
  b.Finish();
  TempFolder folder("soundfont_shared");
  testing::WriteFile(folder / "Kit.sf2", b.Build());
  Library library;
  SoundDatabase database;
  ASSERT_TRUE(ImportFile(library, database, (folder / "Kit.sf2").string()).imported());
  ASSERT_EQ(library.instruments.size(), 3u);
  ASSERT_EQ(library.sources.size(), 1u);
  const Source& source = *library.sources[0];
  ASSERT_EQ(source.samples.size(), 2u);
  ASSERT_EQ(source.groups.size(), 2u);
  const SampleGroup& first = *source.groups[0];
  ASSERT_EQ(first.instruments.size(), 2u);
  EXPECT_EQ(first.instruments[0]->importedName, "Alpha");
  EXPECT_EQ(first.instruments[1]->importedName, "Bravo");
  EXPECT_EQ(first.collectionNumber, 1u);
  EXPECT_EQ(source.groups[1]->collectionNumber, 0u);
  EXPECT_EQ(library.instruments[0]->zones[0].sample, library.instruments[1]->zones[0].sample);
}

TEST(SoundFontImportTest, BanksWithoutWhatInstrumentsNeedAreDamaged) {
  const auto check = [](const BankBuilder& b, std::string_view reason) {
    const Imported bank(b.Build());
    EXPECT_EQ(bank.outcome.status, ImportStatus::Damaged);
    EXPECT_EQ(OutcomeReason(bank.outcome), reason);
    EXPECT_TRUE(bank.library.instruments.empty());
    EXPECT_TRUE(bank.source.samples.empty());
    EXPECT_TRUE(bank.source.groups.empty());
  };
  BankBuilder b = OneZoneBank();
  b.withIbag = false;
  check(b, "the bank's 'ibag' chunk is missing or empty");
  b = OneZoneBank();
  b.withIgen = false;
  check(b, "the bank's 'igen' chunk is missing or empty");
  b = OneZoneBank();
  b.withShdr = false;
  check(b, "the bank's 'shdr' chunk is missing or empty");
  b = OneZoneBank();
  b.withInst = false;
  check(b, "the bank holds no instruments ('inst' chunk)");
  b = OneZoneBank();
  b.instruments.pop_back();  // one record: it only closes
  check(b, "the bank holds no instruments ('inst' chunk)");
  b = OneZoneBank();
  b.smpl.clear();
  check(b, "the bank holds no sample data ('smpl' chunk)");
}

TEST(SoundFontImportTest, TopLevelThatDoesNotEndAtTheRiffEndIsDamaged) {
  const Bytes good = OneZoneBank().Build();
  ASSERT_EQ(Imported(good).library.instruments.size(), 1u);
  const std::uint32_t riffSize = LoadU32(good.data() + 4);
  const struct {
    std::uint32_t riffSize;
    const char* reason;
  } cases[] = {
      {riffSize - 4, "'pdta' chunk runs past the end of the RIFF chunk"},
      {riffSize - 1, "'pdta' chunk runs past the end of the RIFF chunk"},
      {riffSize + 2, "the file ends before its RIFF chunk does"},
      {riffSize + 100, "the file ends before its RIFF chunk does"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.riffSize);
    Bytes bank = good;
    StoreU32(bank.data() + 4, c.riffSize);
    const Imported imported(bank);
    EXPECT_EQ(imported.outcome.status, ImportStatus::Damaged);
    EXPECT_EQ(OutcomeReason(imported.outcome), c.reason);
    EXPECT_TRUE(imported.library.instruments.empty());
  }
  // A chunk at the top level that is not a list.
  Bytes bank = good;
  bank[12] = static_cast<std::byte>('X');
  const Imported imported(bank);
  EXPECT_EQ(OutcomeReason(imported.outcome), "the top-level chunk 'XIST' is not a list");
  EXPECT_TRUE(imported.library.instruments.empty());
}

// Found by a new user: a bank cut short listed "0 instruments" as if all were well.
TEST(SoundFontImportTest, ABankCutShortIsDamaged) {
  const Bytes good = OneZoneBank().Build();
  const Imported cut(Bytes(good.begin(), good.end() - 30));
  EXPECT_EQ(cut.outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(cut.outcome), "'pdta' chunk runs past the end of the file");
  // Cut inside the list with the sizes made to fit: the walker names the chunk.
  Bytes inside(good.begin(), good.end() - 30);
  StoreU32(inside.data() + 4, static_cast<std::uint32_t>(inside.size() - 8));
  for (std::size_t at = 12; at + 8 <= inside.size();) {
    const std::uint32_t size = LoadU32(inside.data() + at + 4);
    if (LoadU32(inside.data() + at + 8) == FourCC("pdta")) {
      StoreU32(inside.data() + at + 4, size - 30);
      break;
    }
    at += 8 + size;
  }
  const Imported walked(inside);
  EXPECT_EQ(OutcomeReason(walked.outcome), "'shdr' chunk runs past the end of the 'pdta' list");
}

TEST(SoundFontImportTest, ListsOfOtherTypesAndBytesAfterTheRiffAreSteppedOver) {
  Bytes bank = OneZoneBank().Build();
  // Read with the instrument table, this list would leave a single "inst" record.
  const Bytes junk = BankBuilder::List("junk", Chunk("inst", Bytes(22, std::byte{'x'})));
  bank.insert(bank.end(), junk.begin(), junk.end());
  StoreU32(bank.data() + 4, static_cast<std::uint32_t>(bank.size() - 8));
  bank.insert(bank.end(), 6, std::byte{0xEE});  // not part of the RIFF form
  const Imported imported(bank);
  EXPECT_TRUE(imported.outcome.imported()) << OutcomeReason(imported.outcome);
  EXPECT_EQ(imported.Names(), std::vector<std::string>{"Test_Piano"});
}

TEST(SoundFontImportTest, EveryPrefixOfABankIsDamagedAndAddsNothing) {
  const Bytes full = StereoBank(true, 60).Build();
  ASSERT_EQ(Imported(full).library.instruments.size(), 1u);
  for (std::size_t length = 0; length < full.size(); ++length) {
    Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    {
      const Imported imported(prefix);
      EXPECT_EQ(imported.outcome.status,
                length >= 12 ? ImportStatus::Damaged : ImportStatus::NotRecognised)
          << length;
      EXPECT_TRUE(imported.library.instruments.empty()) << length;
    }
    if (length >= 12) {
      // The same with the RIFF size telling the truth about the shorter file.
      StoreU32(prefix.data() + 4, static_cast<std::uint32_t>(length - 8));
      const Imported imported(prefix);
      EXPECT_EQ(imported.outcome.status, ImportStatus::Damaged) << length;
      EXPECT_FALSE(OutcomeReason(imported.outcome).empty());
      EXPECT_TRUE(imported.library.instruments.empty()) << length;
    }
  }
}

TEST(SoundFontImportTest, AnEmptySampleHeaderGivesAnEmptySample) {
  BankBuilder b = OneZoneBank();
  b.headers[0].end = b.headers[0].start;
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  ASSERT_EQ(bank.source.samples.size(), 1u);
  EXPECT_EQ(bank.source.samples[0]->frames, 0u);
  EXPECT_TRUE(bank.source.samples[0]->data.empty());
}

TEST(SoundFontImportTest, EverySingleByteDamageImportsSafely) {
  // A stereo pair, a global zone and a dual zone on a mono sample.
  BankBuilder b;
  const auto left = b.AddSampleData("L", 12, 0, 12, 1, kLeft, 1);
  const auto right = b.AddSampleData("R", 12, 0, 12, 2, kRight, 0);
  const auto mono = b.AddSampleData("Mono", 30, 2, 20, 3);
  b.AddInstrument("Stereo");
  b.AddZone(left, {{kPan, Amount(-500)}});
  b.AddZone(right, {{kPan, Amount(500)}});
  b.AddInstrument("Mono");
  b.AddBag();
  b.AddGenerator(kAttackVolEnv, 100);
  b.AddZone(mono, {{kKeyRange, Range(10, 20)}});
  b.AddZone(mono, {{kKeyRange, Range(10, 20)}});
  b.Finish();
  const Bytes good = b.Build();
  ASSERT_EQ(Imported(good).library.instruments.size(), 2u);
  for (std::size_t at = 12; at < good.size(); ++at) {
    for (const int value : {0x00, 0x80, 0xFF}) {
      Bytes bank = good;
      bank[at] = static_cast<std::byte>(value);
      const Imported imported(bank);
      ASSERT_TRUE(imported.taken) << at;
      for (const auto& instrument : imported.library.instruments) {
        ASSERT_FALSE(instrument->zones.empty()) << at;
        for (const Zone& z : instrument->zones) {
          ASSERT_NE(z.sample, nullptr) << at;
          EXPECT_EQ(z.sample->group, instrument->group) << at;
          EXPECT_EQ(z.sample->data.size(), std::size_t{z.sample->frames} * z.sample->channels);
        }
      }
    }
  }
}

// A bank with a good instrument and one whose single zone the case makes point outside.
struct OutOfRangeCase {
  const char* what;
  const char* reason;
  void (*spoil)(BankBuilder&, std::uint16_t badSample);
};

BankBuilder GoodAndBadBank(const OutOfRangeCase& c) {
  BankBuilder b;
  const auto good = b.AddSampleData("Good", 20, 0, 20, 1);
  const auto bad = b.AddSampleData("Bad", 20, 0, 20, 2);
  b.AddInstrument("Good");
  b.AddZone(good);
  b.AddInstrument("Bad");
  b.AddZone(bad);
  b.Finish();
  c.spoil(b, bad);
  return b;
}

const OutOfRangeCase kOutOfRange[] = {
    {"bag index past ibag",
     "58 zones left out: bag outside the 'ibag' chunk; 1 zone left out: generators outside the "
     "'igen' chunk",
     [](BankBuilder& b, std::uint16_t) {
       // The bad instrument loses its bag and points far behind the last one.
       b.bags.erase(b.bags.begin() + 1);
       b.generators.erase(b.generators.begin() + 1);
       b.bags[1] = 1;
       b.instruments[1].second = 50;
       b.instruments[2].second = 60;
     }},
    {"generator range reaching past igen", "1 zone left out: generators outside the 'igen' chunk",
     [](BankBuilder& b, std::uint16_t) { b.bags[2] = 65535; }},
    {"sample header index past shdr", "1 zone left out: sample header outside the 'shdr' chunk",
     [](BankBuilder& b, std::uint16_t) { b.generators[1].second = 3; }},
    {"sample header index at the end of the range",
     "1 zone left out: sample header outside the 'shdr' chunk",
     [](BankBuilder& b, std::uint16_t) { b.generators[1].second = 65535; }},
    {"sample link past shdr",
     "1 zone left out: stereo link to a sample header outside the 'shdr' chunk",
     [](BankBuilder& b, std::uint16_t bad) {
       b.headers[bad].type = kLeft;
       b.headers[bad].link = 200;
     }},
    {"sample link on a mono sample past shdr",
     "1 zone left out: stereo link to a sample header outside the 'shdr' chunk",
     [](BankBuilder& b, std::uint16_t bad) { b.headers[bad].link = 3; }},
    {"sample end past smpl",
     "1 zone left out: sample data outside the 'smpl' chunk or running backwards",
     [](BankBuilder& b, std::uint16_t bad) {
       b.headers[bad].end = static_cast<std::uint32_t>(b.smpl.size()) + 1;
     }},
    {"sample end before start",
     "1 zone left out: sample data outside the 'smpl' chunk or running backwards",
     [](BankBuilder& b, std::uint16_t bad) { b.headers[bad].end = b.headers[bad].start - 1; }},
    {"sample start and end near 2^32",
     "1 zone left out: sample data outside the 'smpl' chunk or running backwards",
     [](BankBuilder& b, std::uint16_t bad) {
       b.headers[bad].start = 0xFFFFFFF0u;
       b.headers[bad].end = 0xFFFFFFFFu;
       b.headers[bad].loopStart = 3;
       b.headers[bad].loopEnd = 0xFFFFFFFFu;
     }},
    {"stereo partner data past smpl",
     "1 zone left out: sample data outside the 'smpl' chunk or running backwards",
     [](BankBuilder& b, std::uint16_t bad) {
       // "Good" becomes the right partner of "Bad" with the same shape but wild positions.
       b.headers[bad].type = kLeft;
       b.headers[bad].link = 2;
       HeaderRecord partner = b.headers[bad];
       partner.name = "Bad R";
       partner.type = kRight;
       partner.link = bad;
       partner.start = 0xFFFFFF00u;
       partner.end = partner.start + 20;
       partner.loopStart = partner.start;
       partner.loopEnd = partner.end;
       b.headers.insert(b.headers.begin() + 2, partner);
     }},
    {"a valid sample followed by one past shdr",
     "1 zone left out: sample header outside the 'shdr' chunk",
     [](BankBuilder& b, std::uint16_t) {
       // The bad bag names its good sample and then a missing one.
       b.generators.insert(b.generators.begin() + 2, {kSampleId, 77});
       b.bags[2] += 1;
     }},
};

TEST(SoundFontImportTest, ZonesPointingOutsideTheBankAreLeftOutAndNamed) {
  for (const OutOfRangeCase& c : kOutOfRange) {
    SCOPED_TRACE(c.what);
    const Imported bank(GoodAndBadBank(c).Build());
    EXPECT_EQ(bank.outcome.status, ImportStatus::Damaged);
    EXPECT_EQ(OutcomeReason(bank.outcome), c.reason);
    EXPECT_EQ(bank.Names(), std::vector<std::string>{"Test_Good"});
    ASSERT_EQ(bank.source.samples.size(), 1u);
    EXPECT_EQ(bank.source.samples[0]->name, "Good");
    ASSERT_EQ(bank.source.groups.size(), 1u);
    EXPECT_EQ(bank.source.groups[0]->instruments.size(), 1u);
  }
}

TEST(SoundFontImportTest, AnInstrumentKeepsItsZonesThatPointInside) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("I");
  b.AddZone(s, {{kKeyRange, Range(0, 10)}});
  b.AddZone(99, {{kKeyRange, Range(11, 20)}});
  b.AddZone(s, {{kKeyRange, Range(21, 30)}});
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  EXPECT_EQ(i.zones[0].mapping.keyLow, 0);
  EXPECT_EQ(i.zones[1].mapping.keyLow, 21);
}

TEST(SoundFontImportTest, BackwardRangesAreEmpty) {
  const OutOfRangeCase unchanged{"", "", [](BankBuilder&, std::uint16_t) {}};
  EXPECT_EQ(Imported(GoodAndBadBank(unchanged).Build()).Names(),
            (std::vector<std::string>{"Test_Bad", "Test_Good"}));

  BankBuilder b = GoodAndBadBank(unchanged);
  b.bags[2] = 0;  // the bad bag's generators run from 1 down to 0
  EXPECT_EQ(Imported(b.Build()).Names(), std::vector<std::string>{"Test_Good"});

  b = GoodAndBadBank(unchanged);
  b.instruments[2].second = 0;  // the bad instrument's bags run from 1 down to 0
  EXPECT_EQ(Imported(b.Build()).Names(), std::vector<std::string>{"Test_Good"});
}

TEST(SoundFontImportTest, BackwardRangesStartingPastTheEndAreEmpty) {
  // Found by fuzzing: two generator ranges running backwards from beyond "igen" made the
  // import read and write past the end of its bookkeeping.
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("I");
  b.AddZone(s);
  b.AddZone(s);
  b.AddZone(s);
  b.Finish();
  // Bags 0 and 1 run backwards from past the end; bag 2 plays the first sampleID.
  b.bags = {60000, 50000, 0, 1};
  const Imported bank(b.Build());
  ASSERT_EQ(bank.Names(), std::vector<std::string>{"Test_I"});
  EXPECT_EQ(bank.Find("I")->zones.size(), 1u);
}

TEST(SoundFontImportTest, BagsPastTheEndOfTheBankAreDroppedOneByOne) {
  BankBuilder b = GoodAndBadBank({"", "", [](BankBuilder&, std::uint16_t) {}});
  b.instruments[2].second = 9000;  // the bad instrument's range reaches far past "ibag"
  const Imported bank(b.Build());
  EXPECT_EQ(bank.Names(), (std::vector<std::string>{"Test_Bad", "Test_Good"}));
  EXPECT_EQ(bank.Find("Bad")->zones.size(), 1u);
}

TEST(SoundFontImportTest, BagRangesOutOfOrderAreStillImportedWhole) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("A");
  b.AddZone(s, {{kKeyRange, Range(0, 9)}});    // bag 0
  b.AddZone(s, {{kKeyRange, Range(10, 19)}});  // bag 1
  b.AddInstrument("B");
  b.AddZone(s, {{kKeyRange, Range(20, 29)}});  // bag 2
  b.Finish();                                  // closing record at bag 3
  // "A" owns bag 2, "Gap" runs backwards from 3 to 0 and owns nothing, "B" owns bags 0 and 1.
  b.instruments = {{"A", 2}, {"Gap", 3}, {"B", 0}, {"EOI", 2}};
  const Imported bank(b.Build());
  EXPECT_EQ(bank.Names(), (std::vector<std::string>{"Test_A", "Test_B"}));
  const Instrument* later = bank.Find("B");
  ASSERT_NE(later, nullptr);
  ASSERT_EQ(later->zones.size(), 2u);
  EXPECT_EQ(later->zones[0].mapping.keyLow, 0);
  EXPECT_EQ(later->zones[1].mapping.keyLow, 10);

  // The first instrument's range runs backwards: the next one still gets every bag.
  b.instruments = {{"Gap", 1}, {"B", 0}, {"EOI", 3}};
  const Imported backwardFirst(b.Build());
  EXPECT_EQ(backwardFirst.Names(), std::vector<std::string>{"Test_B"});
  ASSERT_NE(backwardFirst.Find("B"), nullptr);
  EXPECT_EQ(backwardFirst.Find("B")->zones.size(), 3u);
}

TEST(SoundFontImportTest, GeneratorRangesOutOfOrderAreStillReadWhole) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("I");
  b.generators = {
      {kKeyRange, Range(0, 9)}, {kSampleId, s}, {kKeyRange, Range(20, 29)}, {kSampleId, s}, {0, 0}};
  // Bag 0 owns generators 2 and 3, bag 1 runs backwards from 4 to 0 and owns nothing, bag 2
  // owns generators 0 and 1; bag 3 closes.
  b.bags = {2, 4, 0, 2};
  b.instruments = {{"I", 0}, {"EOI", 3}};
  const Imported bank(b.Build());
  ASSERT_EQ(bank.library.instruments.size(), 1u);
  const Instrument& i = *bank.library.instruments[0];
  ASSERT_EQ(i.zones.size(), 2u);
  EXPECT_EQ(i.zones[0].mapping.keyLow, 0);
  EXPECT_EQ(i.zones[1].mapping.keyLow, 20);
}

TEST(SoundFontImportTest, OverlappingRangesAreVisitedOnlyOnce) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 20, 0, 20, 1);
  b.AddInstrument("A");
  b.AddZone(s, {{kKeyRange, Range(0, 9)}});    // bag 0
  b.AddZone(s, {{kKeyRange, Range(10, 19)}});  // bag 1
  b.AddZone(s, {{kKeyRange, Range(20, 29)}});  // bag 2
  b.Finish();                                  // closing record at bag 3
  // "A" owns bag 1; "Back" runs backwards; "B" reaches back over bag 1 to bag 0 and on to 2.
  b.instruments = {{"A", 1}, {"Back", 2}, {"B", 0}, {"EOI", 3}};
  const Imported bank(b.Build());
  const Instrument* a = bank.Find("A");
  const Instrument* later = bank.Find("B");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(later, nullptr);
  ASSERT_EQ(a->zones.size(), 1u);
  EXPECT_EQ(a->zones[0].mapping.keyLow, 10);
  EXPECT_EQ(bank.Find("Back"), nullptr);
  // Bag 1 went to "A" already; "B" gets the two it has not seen.
  ASSERT_EQ(later->zones.size(), 2u);
  EXPECT_EQ(later->zones[0].mapping.keyLow, 0);
  EXPECT_EQ(later->zones[1].mapping.keyLow, 20);
}

TEST(SoundFontImportTest, DataReadAgainAfterItsPagesWereReleasedIsTheSame) {
  // Two headers over the same large run of data: the second copy is made after the pages of
  // the first were handed back.
  constexpr std::uint32_t kFrames = 300000;
  BankBuilder b;
  const auto first = b.AddSampleData("First", kFrames, 0, kFrames, 6);
  b.headers.push_back(b.headers[first]);
  b.headers.back().name = "Second";
  b.AddInstrument("One");
  b.AddZone(first);
  b.AddInstrument("Two");
  b.AddZone(static_cast<std::uint16_t>(first + 1));
  b.Finish();
  TempFolder folder("soundfont_release");
  testing::WriteFile(folder / "Bank.sf2", b.Build());
  const auto mapped = MappedFile::Open(folder / "Bank.sf2");
  ASSERT_TRUE(mapped);
  Library library;
  Source& source = CreateSource(library, "Bank.sf2");
  ASSERT_TRUE(
      ImportSoundFont(library, source, ImportView{mapped->bytes(), 0, &*mapped}).imported());
  ASSERT_EQ(library.instruments.size(), 2u);
  ASSERT_EQ(source.samples.size(), 2u);
  const auto expected = Values(6, kFrames);
  EXPECT_EQ(source.samples[0]->data, expected);
  EXPECT_EQ(source.samples[1]->data, expected);
}

// --- A real bank -------------------------------------------------------------------------------

// The instrument level of a bank as read by a separate, minimal reader: for each instrument (the
// closing record left out), the sample index and key range of each bag that names a sample.
struct ReferenceZone {
  std::uint16_t sample = 0;
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint16_t velRange = 0x7F00;
};
struct ReferenceInstrument {
  std::string name;
  std::vector<ReferenceZone> zones;
};
struct ReferenceBank {
  std::vector<ReferenceInstrument> instruments;
  std::vector<std::string> sampleNames;
};

std::optional<ReferenceBank> ReadReference(const std::vector<std::byte>& d) {
  const auto u16 = [&](std::size_t at) { return LoadU16(d.data() + at); };
  const auto u32 = [&](std::size_t at) { return LoadU32(d.data() + at); };
  std::map<std::string, std::pair<std::size_t, std::size_t>> chunks;
  for (std::size_t list = 12; list + 12 <= d.size();) {
    const std::size_t listEnd = list + 8 + u32(list + 4);
    for (std::size_t c = list + 12; c + 8 <= listEnd && c + 8 <= d.size();) {
      const std::string id(reinterpret_cast<const char*>(d.data() + c), 4);
      chunks[id] = {c + 8, u32(c + 4)};
      c += 8 + u32(c + 4);
    }
    list = listEnd;
  }
  for (const char* id : {"inst", "ibag", "igen", "shdr"})
    if (!chunks.count(id)) return std::nullopt;
  const auto [inst, instSize] = chunks["inst"];
  const auto [ibag, ibagSize] = chunks["ibag"];
  const auto [igen, igenSize] = chunks["igen"];
  const auto [shdr, shdrSize] = chunks["shdr"];
  const auto name = [&](std::size_t at) {
    std::string n(reinterpret_cast<const char*>(d.data() + at), 20);
    return n.substr(0, n.find('\0'));
  };
  ReferenceBank bank;
  for (std::size_t s = 0; s < shdrSize / 46; ++s) bank.sampleNames.push_back(name(shdr + 46 * s));
  const std::size_t instCount = instSize / 22;
  for (std::size_t i = 0; i + 1 < instCount; ++i) {
    ReferenceInstrument ri{name(inst + 22 * i), {}};
    for (std::size_t bag = u16(inst + 22 * i + 20); bag < u16(inst + 22 * i + 42); ++bag) {
      ReferenceZone z;
      bool hasSample = false;
      for (std::size_t g = u16(ibag + 4 * bag); g < u16(ibag + 4 * bag + 4); ++g) {
        const std::uint16_t number = u16(igen + 4 * g);
        const std::uint16_t amount = u16(igen + 4 * g + 2);
        if (number == 43) {
          z.keyLow = static_cast<std::uint8_t>(amount & 0xFF);
          z.keyHigh = static_cast<std::uint8_t>(amount >> 8);
        } else if (number == 44) {
          z.velRange = amount;
        } else if (number == 53 && !hasSample) {
          z.sample = amount;
          hasSample = true;
        }
      }
      if (hasSample) ri.zones.push_back(z);
    }
    bank.instruments.push_back(ri);
  }
  (void)ibagSize;
  (void)igenSize;
  return bank;
}

std::optional<std::vector<std::byte>> ReadWholeFile(const std::filesystem::path& path) {
  const auto mapped = MappedFile::Open(path);
  if (!mapped) return std::nullopt;
  return std::vector<std::byte>(mapped->bytes().begin(), mapped->bytes().end());
}

constexpr const char* kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";

class TimGM6mbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kTimGM6mb)) GTEST_SKIP() << kTimGM6mb << " is not installed";
    const auto bytes = ReadWholeFile(kTimGM6mb);
    ASSERT_TRUE(bytes);
    auto read = ReadReference(*bytes);
    ASSERT_TRUE(read);
    reference = std::move(*read);
    // A sound bank as shipped: imported whole, nothing left out.
    const ImportOutcome outcome = ImportFile(library, database, kTimGM6mb);
    ASSERT_EQ(outcome.status, ImportStatus::Imported) << OutcomeReason(outcome);
    ASSERT_EQ(library.sources.size(), 1u);
  }

  const Instrument* Find(std::string_view name) const {
    for (const auto& i : library.instruments)
      if (i->importedName == name) return i.get();
    return nullptr;
  }

  ReferenceBank reference;
  SoundDatabase database;
  Library library;
};

// The bank's sample groups as the list and the exports see them: in the source's order, each
// with its collection number, its instruments and its samples in their order.
std::string DumpGroups(const Source& source) {
  std::string dump;
  for (const auto& group : source.groups) {
    dump += std::to_string(group->collectionNumber) + ':';
    for (const Instrument* instrument : group->instruments) dump += ' ' + instrument->name + ',';
    dump += " samples";
    for (const Sample* sample : group->samples) dump += ' ' + sample->name + ',';
    dump += '\n';
  }
  return dump;
}

// A change in how samples are shared or groups merged shows here first: the groups, their order
// and their numbers are what both exports write.
TEST_F(TimGM6mbTest, SampleGroupsKeepTheirOrderNumbersAndMembers) {
  const std::filesystem::path golden =
      std::filesystem::path(TOLVANE_TEST_GOLDEN) / "TimGM6mb-groups.txt";
  const std::string dump = DumpGroups(*library.sources[0]);
  if (std::getenv("TOLVANE_WRITE_GOLDEN") != nullptr)
    std::ofstream(golden, std::ios::binary) << dump;
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << golden;
  const std::string expected((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  EXPECT_EQ(dump, expected);
}

TEST_F(TimGM6mbTest, EveryInstrumentWithZonesIsImportedWithItsZones) {
  std::size_t withZones = 0;
  for (const ReferenceInstrument& ri : reference.instruments) {
    SCOPED_TRACE(ri.name);
    const Instrument* instrument = Find(ri.name);
    if (ri.zones.empty()) {
      EXPECT_EQ(instrument, nullptr);
      continue;
    }
    ++withZones;
    ASSERT_NE(instrument, nullptr);
    EXPECT_EQ(instrument->name, "TmGM6mb_" + ShortenName(ri.name, 16));
    // Zones that cannot fold (no two on one sample over the same ranges) all stay, filed by
    // key; each plays the sample its bag names.
    std::set<std::tuple<int, int, int, int>> distinct;
    std::multiset<std::tuple<int, int, std::string>> expected;
    for (const ReferenceZone& z : ri.zones) {
      distinct.insert({z.sample, z.keyLow, z.keyHigh, z.velRange});
      expected.insert({z.keyLow, z.keyHigh, reference.sampleNames.at(z.sample)});
    }
    if (distinct.size() != ri.zones.size()) {
      EXPECT_LE(instrument->zones.size(), ri.zones.size());
      continue;
    }
    std::multiset<std::tuple<int, int, std::string>> actual;
    int previousKeyLow = -1;
    for (const Zone& z : instrument->zones) {
      actual.insert({z.mapping.keyLow, z.mapping.keyHigh, z.sample->name});
      EXPECT_LE(previousKeyLow, z.mapping.keyLow);
      previousKeyLow = z.mapping.keyLow;
    }
    EXPECT_EQ(actual, expected);
  }
  EXPECT_EQ(library.instruments.size(), withZones);
  EXPECT_GT(withZones, 200u);
}

TEST_F(TimGM6mbTest, KnownInstruments) {
  const Instrument* flute = Find("Flute TB");
  ASSERT_NE(flute, nullptr);
  const std::vector<std::pair<int, int>> fluteKeys = {{0, 60},  {61, 65}, {66, 68}, {69, 71},
                                                      {72, 76}, {77, 80}, {81, 84}, {85, 89},
                                                      {90, 94}, {95, 108}};
  std::vector<std::pair<int, int>> keys;
  for (const Zone& z : flute->zones) keys.emplace_back(z.mapping.keyLow, z.mapping.keyHigh);
  EXPECT_EQ(keys, fluteKeys);
  EXPECT_EQ(flute->zones[0].sample->name, "FluteD5");

  const Instrument* shot0 = Find("Gun Shot0");
  const Instrument* shot1 = Find("Gun Shot1");
  ASSERT_NE(shot0, nullptr);
  ASSERT_NE(shot1, nullptr);
  ASSERT_EQ(shot0->zones.size(), 1u);
  EXPECT_EQ(shot0->zones[0].sample, shot1->zones[0].sample);
  EXPECT_EQ(shot0->group, shot1->group);
  EXPECT_NE(shot0->group->collectionNumber, 0u);
}

TEST_F(TimGM6mbTest, SharedSamplesFormCollections) {
  std::map<std::uint16_t, std::set<std::string>> users;
  for (const ReferenceInstrument& ri : reference.instruments)
    for (const ReferenceZone& z : ri.zones) users[z.sample].insert(ri.name);
  const Source& source = *library.sources[0];
  // Every sample is mono and named apart: one Sample per sample header used.
  EXPECT_EQ(source.samples.size(), users.size());
  std::size_t shared = 0;
  for (const auto& [sample, names] : users) {
    const SampleGroup* group = Find(*names.begin())->group;
    ASSERT_NE(group, nullptr);
    for (const std::string& name : names) EXPECT_EQ(Find(name)->group, group) << name;
    if (names.size() > 1) {
      ++shared;
      EXPECT_NE(group->collectionNumber, 0u) << reference.sampleNames[sample];
    }
  }
  EXPECT_GT(shared, 0u);
  // Collections are numbered 1, 2, 3 ... over the groups shared by two or more instruments.
  std::uint32_t expectedNumber = 0;
  for (const auto& group : source.groups) {
    EXPECT_EQ(group->collectionNumber, group->instruments.size() >= 2 ? ++expectedNumber : 0u);
  }
}

}  // namespace
}  // namespace tolvane
