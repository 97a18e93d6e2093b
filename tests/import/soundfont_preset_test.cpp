// Presets as instruments: both levels' generators in the zone blocks, presets and kits on the
// samples of their records, presets too large for one instrument, damage to either level.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/outcome_text.h"
#include "import/soundfont/soundfont_preset_split.h"
#include "library/library.h"
#include "soundfont_builder.h"

namespace tolvane {
namespace {

using namespace testing;  // the bank builder

constexpr const char* kPath = "C:\\Banks\\GM.sf2";

// An instrument of one zone on sample S (after a global zone when `instrumentGlobal` is not
// empty), played by preset "P" 0:5 (likewise); generators as GeneratorsIn reads them.
struct LevelCase {
  const char *instrumentGlobal, *instrumentZone, *presetGlobal, *presetZone;
};

Bytes OnePresetBank(const LevelCase& c) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 40, 0, 40, 1);
  const auto instrument = b.AddInstrument("I");
  if (*c.instrumentGlobal != '\0') {
    b.AddBag();
    for (const auto& [number, amount] : Gens(c.instrumentGlobal)) b.AddGenerator(number, amount);
  }
  b.AddZone(s, Gens(c.instrumentZone));
  b.AddPreset("P", 0, 5);
  if (*c.presetGlobal != '\0') {
    b.AddPresetBag();
    for (const auto& [number, amount] : Gens(c.presetGlobal)) b.AddPresetGenerator(number, amount);
  }
  b.AddPresetZone(instrument, Gens(c.presetZone));
  b.Finish();
  return b.Build();
}

// The zone's parameters as played: its differences added back to the instrument's average.
ZoneParameters Absolute(const Instrument& instrument, const Zone& zone) {
  Zone absolute = zone;
  AddParameters(absolute, instrument.parameters);
  return absolute.parameters;
}

TEST(SoundFontPresets, BothLevelsReachTheZoneBlocks) {
  using P = ZoneParameters;
  const struct {
    LevelCase bank;
    int pan, attenuation, release;  // pan / 5, attenuation / 10, release timecents / 100
    ZoneMapping mapping;
  } cases[] = {
      // Ranges intersect; the preset's global zone reaches its zones, ranges included; a local
      // amount replaces the global one, then adds to the instrument's.
      {{"", "43:36-60 44:0-100", "", "43:48-72 44:64-127"},
       0,
       0,
       -120,
       {.keyLow = 48, .keyHigh = 60, .velLow = 64, .velHigh = 100}},
      {{"", "48:40", "48:60 43:0-59", ""}, 0, 10, -120, {.keyHigh = 59}},
      {{"", "48:40", "48:200", "48:60"}, 0, 10, -120, {}},
      // The instrument's global zone lies under its zones, which override it.
      {{"17:-250 51:3", "51:5", "", "17:100"}, -30, 0, -120, {.coarseTune = 5, .coarseTune2 = 5}},
      // Instrument-only amounts of the preset are ignored; a time adds to -12000; a scale
      // tuning of none is kept as 1 cent a key, as a zone's 0 plays the default 100.
      {{"", "58:50", "", "58:40 54:1 0:100 38:1200"}, 0, 0, -108, {.overridingRootKey = 50}},
      {{"", "51:12 52:30 56:50", "", "51:-24 52:50 56:-50"},
       0,
       0,
       -120,
       {.coarseTune = -12, .fineTune = 80, .scaleTuning = 1, .coarseTune2 = -12, .fineTune2 = 80}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.bank.instrumentZone) + " | " + c.bank.presetZone);
    const Imported bank(OnePresetBank(c.bank), kPath, SoundFontMode::Presets);
    ASSERT_TRUE(bank.outcome.imported()) << OutcomeReason(bank.outcome);
    ASSERT_EQ(bank.library.instruments.size(), 1u);
    const Instrument& preset = *bank.library.instruments[0];
    ASSERT_EQ(preset.zones.size(), 1u);
    EXPECT_EQ(preset.zones[0].mapping, c.mapping);
    const ZoneParameters p = Absolute(preset, preset.zones[0]);
    EXPECT_EQ(p.Signed(P::pan), c.pan);
    EXPECT_EQ(p.bytes[P::attenuation], c.attenuation);
    EXPECT_EQ(p.Signed(P::releaseVolEnv), c.release);
  }
  // Ranges that do not meet play nothing: no instrument, and no damage.
  const Imported apart(OnePresetBank({"", "43:0-40", "", "43:41-127"}), kPath,
                       SoundFontMode::Presets);
  EXPECT_TRUE(apart.outcome.imported() && apart.library.instruments.empty());
}

// A kit on bank 128 and a melodic preset playing two records, one of them a stereo pair. Not
// finished: a test may add records.
BankBuilder KitBank() {
  BankBuilder b;
  const auto kick = b.AddSampleData("Kick", 40, 0, 40, 1);
  const auto left = b.AddSampleData("SnareL", 30, 0, 30, 2, kLeft, 2);
  b.AddSampleData("SnareR", 30, 0, 30, 3, kRight, left);
  const auto kickRecord = b.AddInstrument("Std Kick");
  b.AddZone(kick, Gens("43:35-36"));
  const auto snareRecord = b.AddInstrument("Std Snare");
  b.AddZone(left, Gens("43:38-38 17:-500"));
  b.AddZone(2, Gens("43:38-38 17:500"));
  b.AddPreset("Standard", 128, 0);
  b.AddPresetZone(kickRecord, Gens("48:100"));
  b.AddPresetZone(snareRecord);
  b.AddPreset("Boom", 0, 116);
  b.AddPresetZone(kickRecord, Gens("43:0-35"));
  return b;
}

TEST(SoundFontPresets, EachPresetIsOneInstrumentNamedAfterItOnTheSamplesOfItsRecords) {
  BankBuilder b = KitBank();
  b.Finish();
  const Bytes kit = b.Build();
  const Imported presets(kit, kPath, SoundFontMode::Presets);
  ASSERT_TRUE(presets.outcome.imported()) << OutcomeReason(presets.outcome);
  EXPECT_EQ(presets.Names(), (std::vector<std::string>{"Boom", "Standard"}));
  const Instrument& standard = *presets.Find("Standard");
  const Instrument& boom = *presets.Find("Boom");
  EXPECT_EQ(standard.program, (ProgramNumber{128, 0}));
  EXPECT_EQ(boom.program, (ProgramNumber{0, 116}));
  EXPECT_EQ(standard.soundId, SoundIdHash("GM:STANDARD:128:0"));
  // Every piece on its keys; the stereo snare folds into one zone as in its record.
  ASSERT_EQ(standard.zones.size(), 2u);
  EXPECT_EQ(standard.zones[0].sample->name, "Kick");
  EXPECT_EQ(standard.zones[0].mapping.keyHigh, 36);
  EXPECT_EQ(Absolute(standard, standard.zones[0]).bytes[ZoneParameters::attenuation], 10);
  EXPECT_EQ(standard.zones[1].sample->name, "SnareL");
  EXPECT_EQ(standard.zones[1].mapping.flags, ZoneStereo);
  ASSERT_EQ(boom.zones.size(), 1u);
  EXPECT_EQ(boom.zones[0].mapping.keyHigh, 35);
  // One stored kick for both presets, which therefore form one collection.
  EXPECT_EQ(boom.zones[0].sample, standard.zones[0].sample);
  EXPECT_EQ(presets.source.samples.size(), 2u);
  EXPECT_EQ(boom.group, standard.group);

  // The default stays one instrument per record, none of them a preset.
  const Imported records(kit, kPath);
  EXPECT_EQ(records.Names(), (std::vector<std::string>{"GM_Std Kick", "GM_Std Snare"}));
  for (const auto& instrument : records.library.instruments) EXPECT_FALSE(instrument->program);
}

// Of zones on one sample over the same ranges, the instrument import folds a mirrored zone into
// the one added last; a preset without generators must give the same zones.
TEST(SoundFontPresets, APlainPresetFoldsAsItsRecordDoes) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 30, 0, 30, 1);
  const auto instrument = b.AddInstrument("I");
  for (const char* zone : {"17:50 48:100", "17:50 48:200 52:5", "17:-50 52:9", "17:-50 52:7"})
    b.AddZone(s, Gens(zone));
  b.AddPreset("P", 0, 0);
  b.AddPresetZone(instrument);
  b.Finish();
  const Imported records(b.Build());
  const Imported presets(b.Build(), kPath, SoundFontMode::Presets);
  ASSERT_EQ(records.library.instruments.size(), 1u);
  ASSERT_EQ(presets.library.instruments.size(), 1u);
  const Instrument& record = *records.library.instruments[0];
  const Instrument& preset = *presets.library.instruments[0];
  ASSERT_EQ(record.zones.size(), 2u);
  ASSERT_EQ(preset.zones.size(), record.zones.size());
  EXPECT_EQ(preset.parameters, record.parameters);
  for (std::size_t z = 0; z < record.zones.size(); ++z) {
    EXPECT_EQ(preset.zones[z].mapping, record.zones[z].mapping) << z;
    EXPECT_EQ(preset.zones[z].parameters, record.zones[z].parameters) << z;
  }
}

TEST(SoundFontPresets, PiecesSplitByTheSamplesTheyShare) {
  const struct {
    std::vector<PieceNeeds> pieces;
    std::vector<std::vector<std::size_t>> parts;
  } cases[] = {
      {{{300, {0}}, {300, {1}}}, {{0, 1}}},                                     // all fit together
      {{{400, {0, 1}}, {400, {2}}, {300, {0}}, {100, {3}}}, {{0, 2, 3}, {1}}},  // most shared first
      {{{500, {0}}, {300, {1}}, {300, {2}}}, {{0, 1}, {2}}},  // the earliest of equals
      {{{860, {0}}, {10, {1}}, {800, {1}}}, {{0}, {1, 2}}},   // a part starts with the first left
  };
  for (const auto& c : cases) EXPECT_EQ(SplitPieces(c.pieces, 4), c.parts);
}

// A preset playing an instrument of 4100 zones twice: more than one instrument holds, and more
// than one preset may make. Another playing it 24 times outside its velocities goes past what
// the bank's presets may play.
TEST(SoundFontPresets, APresetTooLargeForOneInstrumentIsSplitIntoNamedParts) {
  BankBuilder b;
  const auto s = b.AddSampleData("S", 40, 0, 40, 1);
  const auto big = b.AddInstrument("Big");
  for (int low = 0, zones = 0; zones < 4100; ++low) {
    for (int high = low; high < 128 && zones < 4100; ++high, ++zones)
      b.AddZone(s, {{kKeyRange, Range(low, high)}, {kVelRange, Range(1, 127)}});
  }
  b.AddPreset("Huge Kit", 128, 1);
  b.AddPresetZone(big);
  b.AddPresetZone(big, Gens("17:100"));  // not mirrored: nothing folds
  b.AddPreset("Idle", 0, 1);
  for (int i = 0; i < 24; ++i) b.AddPresetZone(big, Gens("44:0-0"));
  b.Finish();
  const Imported bank(b.Build(), kPath, SoundFontMode::Presets);
  // The budget is 8 x 4101 bags + 65536 = 98344 of the 106600 zones played.
  EXPECT_EQ(OutcomeReason(bank.outcome),
            "8 zones left out: past the 8192 zones one preset can make; 8256 zones left out: the "
            "presets play more zones than the bank could need");
  ASSERT_EQ(bank.outcome.notes.size(), 1u);
  EXPECT_EQ(NoteText(bank.outcome.notes[0]),
            "1 preset split into several instruments (too many zones for one)");
  // 860 zones of one sample fill an instrument's tables: 10 runs of the two pieces.
  const std::vector<std::string> names = bank.Names();
  ASSERT_EQ(names.size(), 10u);
  EXPECT_EQ(names.front(), "Huge Kit (1/10)");
  EXPECT_EQ(names.back(), "Huge Kit (9/10)");  // "(10/10)" sorts before it
  std::size_t total = 0;
  for (const auto& instrument : bank.library.instruments) {
    EXPECT_TRUE(FitsOneInstrument({instrument->zones.size(), {0}})) << instrument->name;
    EXPECT_EQ(instrument->program, (ProgramNumber{128, 1}));
    total += instrument->zones.size();
  }
  EXPECT_EQ(total, 8192u);
}

TEST(SoundFontPresets, DamageToEitherLevelIsCountedOnce) {
  BankBuilder b = KitBank();
  b.AddPreset("Twice", 0, 1);
  b.AddPresetZone(0);
  b.AddPresetZone(0, Gens("44:0-10"));
  b.AddPresetZone(40);  // no such instrument record
  b.Finish();
  b.generators[1].second = 99;  // the kick names a sample header past the chunk
  const Imported bank(b.Build(), kPath, SoundFontMode::Presets);
  EXPECT_EQ(OutcomeReason(bank.outcome),
            "1 zone left out: sample header outside the 'shdr' chunk; 1 zone left out: "
            "instrument outside the 'inst' chunk");
  EXPECT_EQ(bank.Names(), std::vector<std::string>{"Standard"});

  // Without preset records the presets cannot be made; the default import does not mind.
  BankBuilder plain = KitBank();
  plain.Finish();
  Bytes bytes = plain.Build();
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  bytes[raw.find("phdr")] = std::byte{'x'};
  const Imported none(bytes, kPath, SoundFontMode::Presets);
  EXPECT_EQ(none.outcome.reason, "the bank holds no presets ('phdr' chunk)");
  EXPECT_TRUE(none.library.instruments.empty());
  EXPECT_TRUE(Imported(bytes).outcome.imported());
}

}  // namespace
}  // namespace tolvane
