#include "import/dls/dls_import.h"

#include <gtest/gtest.h>

#include <cmath>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/sound_database.h"
#include "dls_builder.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "soundfont_builder.h"

namespace tolvane {
namespace {

// Every line both programs would print for the outcome, damage and notes.
std::string Said(const ImportOutcome& outcome) {
  std::string text;
  for (const std::string& line : ImportOutcomeLines(outcome, 0)) text += line + '\n';
  return text;
}

using namespace testing;  // the bank builders

struct DlsImported {
  explicit DlsImported(const Bytes& bank, std::string_view path = "C:\\Banks\\Test.dls")
      : source(CreateSource(library, path)) {
    outcome = ImportDls(library, source, ImportView{bank, 0, nullptr});
  }
  const Instrument* Find(std::string_view importedName) const {
    for (const auto& i : library.instruments)
      if (i->importedName == importedName) return i.get();
    return nullptr;
  }
  Library library;
  Source& source;
  ImportOutcome outcome;
};

std::vector<std::int16_t> Ramp(int seed, std::size_t frames, std::size_t channels = 1) {
  std::vector<std::int16_t> values;
  for (std::size_t i = 0; i < frames * channels; ++i) values.push_back(DataValue(seed, i));
  return values;
}

// Zones with absolute parameters, as written before averaging, in the instrument's order.
std::vector<Zone> AbsoluteZones(const Instrument& instrument) {
  std::vector<Zone> zones = instrument.zones;
  for (Zone& z : zones) AddParameters(z, instrument.parameters);
  return zones;
}

std::uint32_t RootKeyOf(const Zone& zone) {
  return zone.mapping.overridingRootKey != 0 ? zone.mapping.overridingRootKey
                                             : zone.sample->rootKey;
}

// The same three instruments as a DLS bank and as a SoundFont 2 bank: a piano of two mono
// zones with an envelope, a stereo pair, and an 8-bit wave with a region of its own tuning.
struct TwinBanks {
  Bytes dls;
  Bytes sf2;
};

TwinBanks MakeTwins() {
  const auto a = Ramp(1, 100), b = Ramp(2, 80), left = Ramp(3, 64), right = Ramp(4, 64);
  Bytes eightBit;
  std::vector<std::int16_t> eightBitValues;
  for (int i = 0; i < 50; ++i) {
    eightBit.push_back(static_cast<std::byte>(i * 5));
    eightBitValues.push_back(static_cast<std::int16_t>((i * 5 - 128) * 256));
  }

  DlsBankBuilder d;
  const DlsWsmp loopA = LoopedWsmp(60, 10, 80, 0, -60 * 65536);
  d.AddWave({"Piano A", 1, 1, 16, 32000, DlsValues16(a), loopA});
  d.AddWave({"Piano B", 1, 1, 16, 32000, DlsValues16(b), Wsmp(72)});
  const DlsWsmp loopLr = LoopedWsmp(60, 8, 52, 1);
  d.AddWave({"Strings L", 1, 1, 16, 22050, DlsValues16(left), loopLr});
  d.AddWave({"Strings R", 1, 1, 16, 22050, DlsValues16(right), loopLr});
  d.AddWave({"Bass", 1, 1, 8, 11025, eightBit, Wsmp(48)});
  // Envelope times off by a fraction of a timecent, as 16.16 values come.
  const std::vector<DlsBlock> envelope = {
      {kDlsSrcNone, kDlsSrcNone, kDlsDstAttack, -1250 * 65536 + 20000},
      Constant(kDlsDstDelay, -2000),  // a zone has no delay
      Constant(kDlsDstHold, 300),
      Constant(kDlsDstDecay, 2400),
      {kDlsSrcKey, kDlsSrcNone, kDlsDstDecay, -1280 * 65536},  // 10 timecents per key
      Constant(kDlsDstSustain, 400),
      {kDlsSrcNone, kDlsSrcNone, kDlsDstRelease, 1200 * 65536 - 20000},
      Constant(kDlsDstPan, -250),
      Constant(kDlsDstCutoff, 8000),
      Constant(kDlsDstQ, 30),
  };
  DlsTestInstrument piano{"Piano", 0, 0, {}, envelope};
  piano.regions.push_back(Region(0, 59, 0, 127, 0));
  piano.regions.push_back(Region(60, 127, 0, 100, 1));
  d.instruments.push_back(piano);
  DlsTestInstrument strings{"Strings", 0, 48, {}, {}};
  strings.regions.push_back(Region(0, 127, 0, 127, 3, 1, 2));  // right first
  strings.regions.push_back(Region(0, 127, 0, 127, 2, 1, 1));
  d.instruments.push_back(strings);
  DlsTestInstrument bass{"Bass", 0, 32, {}, {}};
  DlsTestRegion low = Region(0, 60, 0, 127, 4);
  low.wsmp = Wsmp(50, -20);  // the region's own root and tuning
  bass.regions.push_back(low);
  d.instruments.push_back(bass);

  BankBuilder s;
  const auto sa = s.AddSampleValues("Piano A", a, 10, 90);
  const auto sb = s.AddSampleValues("Piano B", b, 0, 0);
  s.headers[sa].sampleRate = s.headers[sb].sampleRate = 32000;
  s.headers[sb].key = 72;
  const auto sl = s.AddSampleValues("Strings L", left, 8, 60, kLeft, 3);
  const auto sr = s.AddSampleValues("Strings R", right, 8, 60, kRight, 2);
  const auto sbass = s.AddSampleValues("Bass", eightBitValues, 0, 0);
  s.headers[sbass].sampleRate = 11025;
  s.headers[sbass].key = 48;
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> sfEnvelope = {
      {kAttackVolEnv, Amount(-1250)},
      {35, 300},
      {36, Amount(2400 - 600)},
      {40, 10},
      {37, 576},
      {38, 1200},
      {kPan, Amount(-250)},
      {8, 8000},
      {9, 30}};
  s.AddInstrument("Piano");
  auto first = sfEnvelope;
  first.insert(first.begin(), {{kKeyRange, Range(0, 59)}, {kAttenuation, 60}, {kSampleModes, 1}});
  s.AddZone(sa, first);
  auto second = sfEnvelope;
  second.insert(second.begin(), {{kKeyRange, Range(60, 127)}, {kVelRange, Range(0, 100)}});
  s.AddZone(sb, second);
  s.AddInstrument("Strings");
  s.AddZone(sr, {{kPan, Amount(500)}, {kSampleModes, 1}});
  s.AddZone(sl, {{kPan, Amount(-500)}, {kSampleModes, 1}});
  s.AddInstrument("Bass");
  s.AddZone(sbass, {{kKeyRange, Range(0, 60)}, {58, 50}, {kFineTune, Amount(-20)}});
  s.Finish();
  return {d.Build(), s.Build()};
}

TEST(DlsImportTest, BankReadsAsTheSoundFontOfTheSameInstruments) {
  const TwinBanks twins = MakeTwins();
  const DlsImported dls(twins.dls);
  const Imported sf2(twins.sf2);
  ASSERT_TRUE(dls.outcome.imported()) << dls.outcome.reason;
  ASSERT_TRUE(sf2.outcome.imported()) << sf2.outcome.reason;
  ASSERT_EQ(dls.library.instruments.size(), 3u);
  ASSERT_EQ(sf2.library.instruments.size(), 3u);
  for (const char* name : {"Piano", "Strings", "Bass"}) {
    SCOPED_TRACE(name);
    const Instrument* d = dls.Find(name);
    const Instrument* s = sf2.Find(name);
    ASSERT_NE(d, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(d->name, s->name);
    EXPECT_EQ(d->soundId, s->soundId);
    const std::vector<Zone> dz = AbsoluteZones(*d), sz = AbsoluteZones(*s);
    ASSERT_EQ(dz.size(), sz.size());
    for (std::size_t i = 0; i < dz.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(dz[i].mapping.keyLow, sz[i].mapping.keyLow);
      EXPECT_EQ(dz[i].mapping.keyHigh, sz[i].mapping.keyHigh);
      EXPECT_EQ(dz[i].mapping.velLow, sz[i].mapping.velLow);
      EXPECT_EQ(dz[i].mapping.velHigh, sz[i].mapping.velHigh);
      EXPECT_EQ(dz[i].mapping.flags, sz[i].mapping.flags);
      EXPECT_EQ(dz[i].mapping.fineTune, sz[i].mapping.fineTune);
      EXPECT_EQ(RootKeyOf(dz[i]), RootKeyOf(sz[i]));
      // Every parameter, the envelope's times among them (a byte holds 100 timecents).
      EXPECT_EQ(dz[i].parameters, sz[i].parameters);
      const Sample& ds = *dz[i].sample;
      const Sample& ss = *sz[i].sample;
      EXPECT_EQ(ds.name, ss.name);
      EXPECT_EQ(ds.channels, ss.channels);
      EXPECT_EQ(ds.sampleRate, ss.sampleRate);
      EXPECT_EQ(ds.frames, ss.frames);
      EXPECT_EQ(ds.data, ss.data);
      if ((dz[i].mapping.flags & ZoneLoop) != 0) {
        EXPECT_EQ(ds.loopStart, ss.loopStart);
        EXPECT_EQ(ds.loopEnd, ss.loopEnd);
      }
    }
  }
}

// One instrument of one region playing wave 0 (100 frames), with `change` applied.
template <typename Change>
Bytes OneRegionBank(Change change) {
  DlsBankBuilder b;
  b.AddWave({"Wave", 1, 1, 16, 22050, DlsValues16(Ramp(1, 100)), DlsWsmp{}});
  DlsTestInstrument ins{"Lead", 0, 0, {}, {}};
  ins.regions.push_back({});
  b.instruments.push_back(ins);
  change(b);
  return b.Build();
}

TEST(DlsImportTest, HostileAndOddBanks) {
  const auto wsmpTooManyLoops = [](DlsBankBuilder& b) {
    DlsWsmp w;
    w.loopCount = 3;  // none written
    b.instruments[0].regions[0].wsmp = w;
  };
  const struct Case {
    const char* what;
    Bytes bank;
    ImportStatus status;
    const char* reason;  // a part of it
    std::size_t instruments;
  } cases[] = {
      {"plain", OneRegionBank([](DlsBankBuilder&) {}), ImportStatus::Imported, "", 1},
      {"cue past the pool",
       OneRegionBank([](DlsBankBuilder& b) { b.cues = std::vector<std::uint32_t>{99999}; }),
       ImportStatus::Damaged, "1 region left out: pool table cue past the wave pool", 0},
      {"cue naming no wave",
       OneRegionBank([](DlsBankBuilder& b) { b.cues = std::vector<std::uint32_t>{0xFFFFFFFF}; }),
       ImportStatus::Damaged, "pool table cue naming no wave", 0},
      {"cue inside a wave",
       OneRegionBank([](DlsBankBuilder& b) { b.cues = std::vector<std::uint32_t>{4}; }),
       ImportStatus::Damaged, "does not lead to a 'wave' list", 0},
      {"link past the table",
       OneRegionBank([](DlsBankBuilder& b) { b.instruments[0].regions[0].wave = 1; }),
       ImportStatus::Damaged, "wave link past the pool table", 0},
      {"wsmp loops past its size", OneRegionBank(wsmpTooManyLoops), ImportStatus::Damaged,
       "'wsmp' with more loops than its size holds", 0},
      {"region without header",
       OneRegionBank([](DlsBankBuilder& b) { b.instruments[0].regions[0].withHeader = false; }),
       ImportStatus::Damaged, "region without a 'rgnh' header", 0},
      {"region without link",
       OneRegionBank([](DlsBankBuilder& b) { b.instruments[0].regions[0].withLink = false; }),
       ImportStatus::Damaged, "region without a wave link", 0},
      {"24-bit wave", OneRegionBank([](DlsBankBuilder& b) { b.waves[0].bits = 24; }),
       ImportStatus::Damaged, "other than 8- or 16-bit PCM", 0},
      {"three channels", OneRegionBank([](DlsBankBuilder& b) { b.waves[0].channels = 3; }),
       ImportStatus::Damaged, "other than one or two channels", 0},
      // Silent regions are not damage: nothing audible is lost.
      {"empty wave", OneRegionBank([](DlsBankBuilder& b) { b.waves[0].data.clear(); }),
       ImportStatus::Imported, "1 region left out: a wave without sample frames plays nothing", 0},
      {"no pool", OneRegionBank([](DlsBankBuilder& b) { b.withPool = false; }),
       ImportStatus::Damaged, "no wave pool", 0},
      {"no instruments", OneRegionBank([](DlsBankBuilder& b) { b.instruments.clear(); }),
       ImportStatus::Damaged, "holds no instruments", 0},
      {"modulated block kept out, not damage", OneRegionBank([](DlsBankBuilder& b) {
         b.instruments[0].articulation = std::vector<DlsBlock>{
             {kDlsSrcLfo, kDlsSrcNone, kDlsDstPitch, 50 * 65536}, Constant(kDlsDstRelease, 100)};
       }),
       ImportStatus::Imported, "1 connection left out: modulation", 1},
      // +6 dB of a wave peaking at 19000: 4.7 dB fit below full scale.
      {"gain above 0 dB", OneRegionBank([](DlsBankBuilder& b) {
         b.instruments[0].articulation = std::vector<DlsBlock>{Constant(kDlsDstGain, 60)};
       }),
       ImportStatus::Imported, "1 region played up to 1.3 dB quieter than asked", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DlsImported bank(c.bank);
    EXPECT_EQ(bank.outcome.status, c.status);
    EXPECT_NE(Said(bank.outcome).find(c.reason), std::string::npos) << Said(bank.outcome);
    EXPECT_EQ(bank.library.instruments.size(), c.instruments);
  }
}

TEST(DlsImportTest, DamageKeepsWhatWasRead) {
  DlsBankBuilder b;
  b.AddWave({"Wave", 1, 1, 16, 22050, DlsValues16(Ramp(1, 100)), DlsWsmp{}});
  for (const char* name : {"One", "Two"}) {
    DlsTestInstrument ins{name, 0, 0, {}, {}};
    ins.regions.push_back({});
    b.instruments.push_back(ins);
  }
  // The second instrument's only region names a wave past the table; the first stays.
  b.instruments[1].regions[0].wave = 7;
  const DlsImported linkBroken(b.Build());
  EXPECT_EQ(linkBroken.outcome.status, ImportStatus::Damaged);
  ASSERT_EQ(linkBroken.library.instruments.size(), 1u);
  EXPECT_EQ(linkBroken.library.instruments[0]->importedName, "One");

  // A RIFF size past the end of the file: what the file holds is read.
  b.instruments[1].regions[0].wave = 0;
  Bytes bank = b.Build();
  StoreU32(bank.data() + 4, static_cast<std::uint32_t>(bank.size() + 100));
  const DlsImported riffLong(bank);
  EXPECT_EQ(riffLong.outcome.status, ImportStatus::Damaged);
  EXPECT_NE(Said(riffLong.outcome).find("the file ends before its RIFF chunk does"),
            std::string::npos);
  EXPECT_EQ(riffLong.library.instruments.size(), 2u);

  // Every cut of the file is recognised and ends with a reason, never a read outside it.
  const Bytes whole = b.Build();
  for (std::size_t size = 12; size < whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const DlsImported imported(cut);
    ASSERT_EQ(imported.outcome.status, ImportStatus::Damaged) << size;
    EXPECT_FALSE(Said(imported.outcome).empty()) << size;
  }
}

TEST(DlsImportTest, RegionsShareTheirWavesSamples) {
  DlsBankBuilder b;
  b.AddWave({"Shared", 1, 1, 16, 22050, DlsValues16(Ramp(1, 100)), LoopedWsmp(60, 4, 36)});
  DlsTestInstrument one{"One", 0, 0, {}, {}};
  one.regions.push_back(Region(0, 63, 0, 127, 0));
  one.regions.push_back(Region(64, 127, 0, 127, 0));
  DlsTestInstrument two{"Two", 0, 1, {}, {}};
  two.regions.push_back(Region(0, 127, 0, 0, 0));  // Level 1 leaves velocities 0-0
  DlsTestRegion ownLoop = Region(0, 127, 0, 127, 0);
  ownLoop.wsmp = LoopedWsmp(60, 10, 20);
  two.regions.push_back(ownLoop);
  b.instruments = {one, two};
  const DlsImported bank(b.Build());
  ASSERT_TRUE(bank.outcome.imported()) << Said(bank.outcome);
  // The wave looped as stored is one sample for three regions; looped elsewhere, another.
  ASSERT_EQ(bank.source.samples.size(), 2u);
  EXPECT_TRUE(bank.source.samples[0]->data.SharesValuesWith(bank.source.samples[1]->data));
  ASSERT_EQ(bank.source.groups.size(), 1u);
  EXPECT_EQ(bank.source.groups[0]->instruments.size(), 2u);
  const Instrument& t = *bank.Find("Two");
  ASSERT_EQ(t.zones.size(), 2u);
  EXPECT_EQ(t.zones[0].mapping.velHigh, 127);
  std::set<std::pair<std::uint32_t, std::uint32_t>> loops;
  for (const Zone& z : t.zones) loops.emplace(z.sample->loopStart, z.sample->loopEnd);
  EXPECT_EQ(loops, (std::set<std::pair<std::uint32_t, std::uint32_t>>{{4, 40}, {10, 30}}));
}

// A gain above 0 dB goes into the wave's sample, once for every instrument playing it; those
// asking less keep the difference as attenuation.
TEST(DlsImportTest, GainAboveZeroGoesIntoTheSharedSample) {
  DlsBankBuilder b;
  b.AddWave({"Shared", 1, 1, 16, 22050, DlsValues16(Ramp(1, 100)), std::nullopt});
  DlsTestInstrument loud{"Loud", 0, 0, {}, std::vector<DlsBlock>{Constant(kDlsDstGain, 30)}};
  loud.regions.push_back({});
  DlsTestInstrument plain{"Plain", 0, 1, {}, {}};
  plain.regions.push_back({});
  b.instruments = {plain, loud};
  const DlsImported bank(b.Build());
  ASSERT_TRUE(bank.outcome.imported()) << Said(bank.outcome);
  EXPECT_TRUE(bank.outcome.notes.empty()) << Said(bank.outcome);
  ASSERT_EQ(bank.source.samples.size(), 1u);
  std::vector<std::int16_t> louder;
  for (const std::int16_t v : Ramp(1, 100))
    louder.push_back(static_cast<std::int16_t>(std::lround(v * std::pow(10.0, 3.0 / 20))));
  EXPECT_EQ(bank.source.samples[0]->data, louder);
  const std::vector<Zone> plainZones = AbsoluteZones(*bank.Find("Plain"));
  const std::vector<Zone> loudZones = AbsoluteZones(*bank.Find("Loud"));
  ASSERT_EQ(plainZones.size(), 1u);
  ASSERT_EQ(loudZones.size(), 1u);
  EXPECT_EQ(plainZones[0].parameters.bytes[ZoneParameters::attenuation], 3);
  EXPECT_EQ(loudZones[0].parameters.bytes[ZoneParameters::attenuation], 0);
}

TEST(DlsImportTest, OneWaveLoopedInManyPlacesIsCutOff) {
  // Every sample is written whole, so a bank must not turn one wave into samples without bound.
  DlsBankBuilder b;
  b.AddWave(
      {"Long", 1, 1, 16, 22050, DlsValues16(std::vector<std::int16_t>(100000, 7)), std::nullopt});
  DlsTestInstrument ins{"Loops", 0, 0, {}, {}};
  for (std::uint32_t i = 0; i < 12; ++i) {
    DlsTestRegion r = Region(0, 127, 0, 127, 0);
    r.wsmp = LoopedWsmp(60, i, 1000);
    ins.regions.push_back(r);
  }
  b.instruments.push_back(ins);
  const DlsImported bank(b.Build());
  EXPECT_EQ(bank.outcome.status, ImportStatus::Damaged);
  EXPECT_NE(
      Said(bank.outcome).find("sample data asked for far more often than the bank could need"),
      std::string::npos)
      << Said(bank.outcome);
  // 4 x 200,000 bytes of pool and 1 MiB: nine samples of 200,000 bytes fit.
  EXPECT_EQ(bank.source.samples.size(), 9u);
}

TEST(DlsImportTest, NamesStereoWavesAndRegionArticulation) {
  DlsBankBuilder b;
  b.AddWave({"", 1, 2, 16, 22050, DlsValues16(Ramp(5, 30, 2)), std::nullopt});
  DlsTestInstrument kit{"", 0x80000000u | (1u << 8) | 2u, 5, {}, {}};
  kit.regions.push_back({});
  DlsTestInstrument lead{"", 0, 3, {}, std::vector<DlsBlock>{Constant(kDlsDstRelease, 1200)}};
  lead.regions.push_back(Region(0, 59, 0, 127, 0));
  DlsTestRegion own = Region(60, 127, 0, 127, 0);
  own.articulation = std::vector<DlsBlock>{Constant(kDlsDstAttack, 600)};
  lead.regions.push_back(own);
  b.instruments = {kit, lead};
  const DlsImported bank(b.Build(), "/banks/Drums.dls");
  ASSERT_TRUE(bank.outcome.imported()) << Said(bank.outcome);
  const Instrument* drums = bank.Find("Drums Bank 130 Program 5");
  ASSERT_NE(drums, nullptr);
  EXPECT_EQ(drums->soundId, SoundIdHash("DRUMS:DRUMS BANK 130 PROGRAM 5"));
  const Sample& stereo = *drums->zones[0].sample;
  EXPECT_EQ(stereo.name, "Wave 0");
  EXPECT_EQ(stereo.channels, 2u);
  EXPECT_EQ(stereo.rootKey, 60u);  // no 'wsmp' anywhere
  EXPECT_EQ(stereo.data, Ramp(5, 30, 2));
  EXPECT_EQ(drums->zones[0].mapping.flags, ZoneStereo);

  const Instrument* l = bank.Find("Bank 0 Program 3");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->name, "Drums_Bank 0 Program 3");
  const std::vector<Zone> zones = AbsoluteZones(*l);
  ASSERT_EQ(zones.size(), 2u);
  // The region's own articulation replaces the instrument's whole.
  EXPECT_EQ(zones[0].parameters.Signed(ZoneParameters::releaseVolEnv), 12);
  EXPECT_EQ(zones[0].parameters.Signed(ZoneParameters::attackVolEnv), -120);
  EXPECT_EQ(zones[1].parameters.Signed(ZoneParameters::releaseVolEnv), -120);
  EXPECT_EQ(zones[1].parameters.Signed(ZoneParameters::attackVolEnv), 6);
}

TEST(DlsImportTest, TheChainTakesBanksByFormWhateverTheirName) {
  SoundDatabase database;
  Library library;
  const Bytes bank = OneRegionBank([](DlsBankBuilder&) {});
  const ImportOutcome outcome =
      ImportBytes(library, database, "C:\\Drop\\bank.bin", ImportView{bank, 0, nullptr});
  EXPECT_TRUE(outcome.imported()) << outcome.reason;
  EXPECT_EQ(library.instruments.size(), 1u);
  // A SoundFont is not taken for a DLS bank.
  const DlsImported sf2(MakeTwins().sf2);
  EXPECT_EQ(sf2.outcome.status, ImportStatus::NotRecognised);
}

}  // namespace
}  // namespace tolvane
