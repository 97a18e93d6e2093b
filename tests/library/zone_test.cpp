#include <gtest/gtest.h>

#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

using P = ZoneParameters;

Zone Applied(std::initializer_list<std::pair<std::uint16_t, std::int32_t>> generators) {
  Zone z;
  InitZone(z);
  for (const auto& [number, amount] : generators)
    ApplyGenerator(z, number, static_cast<std::uint16_t>(amount));
  return z;
}

TEST(Zone, FreshZoneDefaultsAndGoldenBytes) {
  Zone z;
  z.mapping.keyLow = 9;
  z.sample = reinterpret_cast<Sample*>(&z);
  InitZone(z);
  EXPECT_EQ(z.sample, nullptr);
  const auto mapping = z.mapping.Serialize();
  const std::array<std::uint8_t, 28> expectedMapping{0, 127, 0, 127};
  for (std::size_t i = 0; i < mapping.size(); ++i)
    EXPECT_EQ(std::to_integer<int>(mapping[i]), expectedMapping[i]) << i;

  const auto params = z.parameters.Serialize();
  std::array<std::uint8_t, 44> expected{};
  expected[6] = 13500 & 0xFF;  // initialFilterFc
  expected[7] = 13500 >> 8;
  for (int i = 33; i <= 42; ++i) expected[i] = 0x88;  // the ten time fields at -120
  for (std::size_t i = 0; i < params.size(); ++i)
    EXPECT_EQ(std::to_integer<int>(params[i]), expected[i]) << i;
}

TEST(Zone, SerialisationPlacesEveryFieldLittleEndian) {
  ZoneMapping m;
  m.keyLow = 1;
  m.keyHigh = 2;
  m.velLow = 3;
  m.velHigh = 4;
  m.startOffset = 0x11223344;
  m.startOffset2 = -2;
  m.reserved = {5, 6, 7, 8, 9, 10, 11, 12};
  m.coarseTune = -3;
  m.fineTune = 99;
  m.flags = ZoneLoop | ZoneDual;
  m.overridingRootKey = 64;
  m.scaleTuning = -100;
  m.coarseTune2 = 12;
  m.fineTune2 = -50;
  const auto bytes = m.Serialize();
  const std::array<std::uint8_t, 28> expected{1,    2,    3, 4,  0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF,
                                              0xFF, 0xFF, 5, 6,  7,    8,    9,    10,   11,   12,
                                              0xFD, 99,   9, 64, 0x9C, 0xFF, 12,   0xCE};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    EXPECT_EQ(std::to_integer<int>(bytes[i]), expected[i]) << i;
  EXPECT_EQ(ZoneMapping::Deserialize(bytes), m);

  P p;
  for (std::size_t i = 0; i < P::kWordCount; ++i)
    p.words[i] = static_cast<std::int16_t>(0x0102 * (i + 1) - (i % 2 ? 40000 : 0));
  for (std::size_t i = 0; i < P::kByteCount; ++i) p.bytes[i] = static_cast<std::uint8_t>(250 + i);
  const auto pb = p.Serialize();
  EXPECT_EQ(std::to_integer<int>(pb[0]), 0x02);
  EXPECT_EQ(std::to_integer<int>(pb[1]), 0x01);
  EXPECT_EQ(std::to_integer<int>(pb[32]), 250);
  EXPECT_EQ(std::to_integer<int>(pb[43]), (250 + 11) & 0xFF);
  EXPECT_EQ(P::Deserialize(pb), p);
}

TEST(Zone, GeneratorsLandInTheirFields) {
  EXPECT_EQ(Applied({{43, 0x3C24}}).mapping.keyLow, 36);
  EXPECT_EQ(Applied({{43, 0x3C24}}).mapping.keyHigh, 60);
  EXPECT_EQ(Applied({{44, 0x7F10}}).mapping.velLow, 16);
  EXPECT_EQ(Applied({{44, 0x7F10}}).mapping.velHigh, 127);

  const struct {
    std::int32_t amount;
    int pan;
  } pans[] = {{-500, -100}, {250, 50}, {-7, -1}, {4, 0}};
  for (const auto& c : pans) EXPECT_EQ(Applied({{17, c.amount}}).parameters.Signed(P::pan), c.pan);

  const struct {
    std::uint16_t generator;
    P::Byte field;
  } times[] = {{21, P::delayModLFO},  {23, P::delayVibLFO}, {26, P::attackModEnv},
               {27, P::holdModEnv},   {28, P::decayModEnv}, {30, P::releaseModEnv},
               {34, P::attackVolEnv}, {35, P::holdVolEnv},  {36, P::decayVolEnv},
               {38, P::releaseVolEnv}};
  for (const auto& t : times) {
    SCOPED_TRACE(t.generator);
    EXPECT_EQ(Applied({{t.generator, -12000}}).parameters.Signed(t.field), -120);
    EXPECT_EQ(Applied({{t.generator, 1199}}).parameters.Signed(t.field), 11);
    EXPECT_EQ(Applied({{t.generator, -1250}}).parameters.Signed(t.field), -12);
  }
  EXPECT_EQ(Applied({{48, 144}}).parameters.bytes[P::attenuation], 14);
  EXPECT_EQ(Applied({{48, 1440}}).parameters.bytes[P::attenuation], 144);  // unsigned byte
  EXPECT_EQ(Applied({{8, 8000}}).parameters.words[P::initialFilterFc], 8000);

  const struct {
    std::uint16_t generator;
    P::Word field;
  } words[] = {{5, P::modLfoToPitch},   {6, P::vibLfoToPitch},       {7, P::modEnvToPitch},
               {9, P::initialFilterQ},  {10, P::modLfoToFilterFc},   {11, P::modEnvToFilterFc},
               {13, P::modLfoToVolume}, {22, P::freqModLFO},         {24, P::freqVibLFO},
               {29, P::sustainModEnv},  {31, P::keynumToModEnvHold}, {32, P::keynumToModEnvDecay},
               {37, P::sustainVolEnv},  {39, P::keynumToVolEnvHold}, {40, P::keynumToVolEnvDecay}};
  for (const auto& w : words) {
    const Zone z = Applied({{w.generator, -1234}});
    EXPECT_EQ(z.parameters.words[w.field], -1234) << w.generator;
    Zone expected;
    expected.parameters.words[w.field] = -1234;
    EXPECT_EQ(z.parameters, expected.parameters) << w.generator;  // no other field touched
  }
}

TEST(Zone, StartOffsetsAddInEitherOrder) {
  for (const Zone& z : {Applied({{0, 10}, {4, 1}}), Applied({{4, 1}, {0, 10}})}) {
    EXPECT_EQ(z.mapping.startOffset, 65556);
    EXPECT_EQ(z.mapping.startOffset2, 65556);
  }
  EXPECT_EQ(Applied({{0, -3}}).mapping.startOffset, -6);
}

TEST(Zone, TuningRootKeyLoopAndIgnoredGenerators) {
  const Zone tuned = Applied({{51, -2}, {52, 33}, {56, 50}});
  EXPECT_EQ(tuned.mapping.coarseTune, -2);
  EXPECT_EQ(tuned.mapping.coarseTune2, -2);
  EXPECT_EQ(tuned.mapping.fineTune, 33);
  EXPECT_EQ(tuned.mapping.fineTune2, 33);
  EXPECT_EQ(tuned.mapping.scaleTuning, 50);

  EXPECT_EQ(Applied({{58, -1}}).mapping.overridingRootKey, 0);
  EXPECT_EQ(Applied({{58, 128}}).mapping.overridingRootKey, 0);
  EXPECT_EQ(Applied({{58, 64}, {58, 0}}).mapping.overridingRootKey, 0);
  EXPECT_EQ(Applied({{58, 64}}).mapping.overridingRootKey, 64);
  EXPECT_EQ(Applied({{58, 64}, {58, 200}}).mapping.overridingRootKey, 64);

  EXPECT_EQ(Applied({{54, 3}}).mapping.flags, ZoneLoop);
  EXPECT_EQ(Applied({{54, 2}}).mapping.flags, 0);
  EXPECT_EQ(Applied({{54, 1}, {54, 0}}).mapping.flags, ZoneLoop);  // never cleared

  const Zone fresh = Applied({});
  for (std::uint16_t ignored : {1,  2,  3,  12, 14, 15, 16, 18, 19, 20, 25, 33,   41,
                                42, 45, 46, 47, 49, 50, 53, 55, 57, 59, 60, 1000, 65535}) {
    const Zone z = Applied({{ignored, 0x1234}});
    EXPECT_EQ(z.mapping, fresh.mapping) << ignored;
    EXPECT_EQ(z.parameters, fresh.parameters) << ignored;
  }
}

TEST(Zone, MergeStereoAndDual) {
  Zone left = Applied({{17, -500}, {0, 4}});
  const Zone right = Applied({{17, 500}, {0, 8}, {51, 3}, {52, -5}});
  Zone stereo = left;
  MergeZonePair(stereo, MergeStereo, right);
  EXPECT_EQ(stereo.parameters.Signed(P::pan), 0);
  EXPECT_EQ(stereo.mapping.flags, ZoneStereo);
  EXPECT_EQ(stereo.mapping.startOffset2, 8);  // untouched

  Zone dual = left;
  MergeZonePair(dual, MergeDual, right);
  EXPECT_EQ(dual.mapping.flags, ZoneDual);
  EXPECT_EQ(dual.parameters.Signed(P::pan), -100);
  EXPECT_EQ(dual.mapping.startOffset, 8);
  EXPECT_EQ(dual.mapping.startOffset2, 16);
  EXPECT_EQ(dual.mapping.coarseTune2, 3);
  EXPECT_EQ(dual.mapping.fineTune2, -5);

  Zone unchanged = left;
  MergeZonePair(unchanged, static_cast<MergeMode>(2), right);
  EXPECT_EQ(unchanged.mapping, left.mapping);
  EXPECT_EQ(unchanged.parameters, left.parameters);
}

class AverageTest : public ::testing::Test {
 protected:
  Instrument& WithZones(std::initializer_list<Zone> zones) {
    instrument_ = CreateInstrument(CreateSource(library_, "x.sf2"), "i", "i", 0);
    for (const Zone& z : zones) instrument_->zones.push_back(z);
    return *instrument_;
  }
  Library library_;
  std::unique_ptr<Instrument> instrument_;
};

TEST_F(AverageTest, PanAveragesTruncateTowardZero) {
  Instrument& wide = WithZones({Applied({{17, -500}}), Applied({{17, 500}})});
  AverageInstrument(wide);
  EXPECT_TRUE(wide.averaged);
  EXPECT_EQ(wide.parameters.Signed(P::pan), 0);
  EXPECT_EQ(wide.zones[0].parameters.Signed(P::pan), -100);
  EXPECT_EQ(wide.zones[1].parameters.Signed(P::pan), 100);

  Instrument& left = WithZones({Applied({{17, -500}}), Applied({{17, -495}})});
  AverageInstrument(left);
  EXPECT_EQ(left.parameters.Signed(P::pan), -99);
  EXPECT_EQ(left.zones[0].parameters.Signed(P::pan), -1);
  EXPECT_EQ(left.zones[1].parameters.Signed(P::pan), 0);
}

TEST_F(AverageTest, AttenuationAveragesUnsigned) {
  Instrument& i = WithZones({Applied({{48, 2000}}), Applied({{48, 1000}})});
  AverageInstrument(i);
  EXPECT_EQ(i.parameters.bytes[P::attenuation], 150);
  EXPECT_EQ(i.zones[0].parameters.bytes[P::attenuation], 50);
  EXPECT_EQ(i.zones[1].parameters.bytes[P::attenuation], 256 - 50);
}

TEST_F(AverageTest, WordsWrapAndAddBackRestoresAbsoluteValues) {
  Instrument& i = WithZones({Applied({{8, 32767}}), Applied({{8, -32768}}), Applied({{8, 100}})});
  AverageInstrument(i);
  EXPECT_EQ(i.parameters.words[P::initialFilterFc], 33);  // 99 / 3
  EXPECT_EQ(i.zones[0].parameters.words[P::initialFilterFc], static_cast<std::int16_t>(32767 - 33));
  EXPECT_EQ(i.zones[1].parameters.words[P::initialFilterFc],
            static_cast<std::int16_t>(static_cast<std::uint16_t>(-32768 - 33)));
  for (Zone& z : i.zones) AddParameters(z, i.parameters);
  EXPECT_EQ(i.zones[0].parameters.words[P::initialFilterFc], 32767);
  EXPECT_EQ(i.zones[1].parameters.words[P::initialFilterFc], -32768);
  EXPECT_EQ(i.zones[2].parameters.words[P::initialFilterFc], 100);
}

TEST_F(AverageTest, NegativePanUnderPositiveAverageIsStoredAsWrappedByte) {
  Zone z = Applied({{17, -500}});
  P average;
  average.SetSigned(P::pan, 50);
  SubtractParameters(z, average);
  EXPECT_EQ(z.parameters.bytes[P::pan], 106);
  AddParameters(z, average);
  EXPECT_EQ(z.parameters.Signed(P::pan), -100);
}

TEST_F(AverageTest, AveragingTwiceEqualsOnce) {
  Instrument& i = WithZones({Applied({{17, -300}, {34, -1200}, {8, 9000}}),
                             Applied({{17, 200}, {34, 500}, {48, 30}}),
                             Applied({{17, 0}, {34, -12000}, {8, 100}})});
  AverageInstrument(i);
  const P once = i.parameters;
  std::vector<P> zonesOnce;
  for (const Zone& z : i.zones) zonesOnce.push_back(z.parameters);
  AverageInstrument(i);
  EXPECT_EQ(i.parameters, once);
  for (std::size_t k = 0; k < i.zones.size(); ++k) EXPECT_EQ(i.zones[k].parameters, zonesOnce[k]);
}

TEST_F(AverageTest, NoZonesLeavesInstrumentUntouched) {
  Instrument& i = WithZones({});
  AverageInstrument(i);
  EXPECT_FALSE(i.averaged);
  EXPECT_EQ(i.parameters, P{});
}

}  // namespace
}  // namespace tolvane
