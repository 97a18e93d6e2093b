// The SiFi reader, fed with files from the writer: round trips, the format's edge cases, and
// hostile input (cut files, corrupted offsets, counts and indices).

#include "import/sifi/sifi_import.h"
#include "import/outcome_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "base/bytes.h"
#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "import/import_file.h"
#include "model_builder.h"
#include "sifi/sifi_format.h"

namespace tolvane {
namespace {

using test_support::ModelBuilder;

struct Imported {
  ImportOutcome outcome;
  bool accepted = false;  // imported whole
  std::unique_ptr<Library> library = std::make_unique<Library>();
  Source* source = nullptr;
};

Imported Import(std::span<const std::byte> bytes, DatabaseSection* section = nullptr) {
  Imported result;
  result.source = &CreateSource(*result.library, "C:\\Export\\Bank.SLC");
  result.source->section = section;
  result.outcome = ImportSiFi(*result.library, *result.source, ImportView{bytes, 0, nullptr});
  result.accepted = result.outcome.imported();
  return result;
}

std::vector<std::byte> Serialize(std::initializer_list<const Instrument*> instruments) {
  auto set = CreateExportSet();
  for (const Instrument* i : instruments) EXPECT_TRUE(AddInstrumentToExportSet(*set, *i));
  std::vector<std::byte> bytes;
  const ExportResult result = SerializeExportSet(*set, bytes);
  EXPECT_TRUE(result) << result.reason;
  return bytes;
}

const Instrument* FindBySoundId(const Library& library, std::uint32_t soundId) {
  for (const auto& i : library.instruments)
    if (i->soundId == soundId) return i.get();
  return nullptr;
}

std::size_t ZoneCount(const Library& library) {
  std::size_t n = 0;
  for (const auto& i : library.instruments) n += i->zones.size();
  return n;
}

// What must hold after any import, whatever the file said.
void ExpectConsistent(const Library& library) {
  for (const auto& instrument : library.instruments) {
    for (const Zone& zone : instrument->zones) {
      ASSERT_NE(zone.sample, nullptr);
      EXPECT_EQ(zone.sample->group, instrument->group);
      EXPECT_EQ(zone.sample->data.size(), std::size_t{zone.sample->frames} * zone.sample->channels);
      EXPECT_EQ(zone.sample->bitsPerSample, 16u);
    }
  }
}

// Names come back with the 24 characters their field holds.
void ExpectSameSample(const Sample& original, const Sample& imported) {
  EXPECT_EQ(imported.name, original.name.substr(0, 24));
  EXPECT_EQ(imported.sampleRate, original.sampleRate);
  EXPECT_EQ(imported.channels, original.channels);
  EXPECT_EQ(imported.frames, original.frames);
  EXPECT_EQ(imported.data, original.data);
  EXPECT_EQ(imported.loopStart, original.loopStart);
  EXPECT_EQ(imported.loopEnd, original.loopEnd);
  EXPECT_EQ(imported.rootKey, original.rootKey);
  EXPECT_EQ(imported.pitchCorrection, original.pitchCorrection);
}

// The reader files the written zones with AddZone again, which reverses zones that share keyLow
// and velLow; everything else keeps the written order.
void ExpectSameInstrument(const Instrument& original, const Instrument& imported) {
  SCOPED_TRACE(original.name);
  const std::string stored = original.name.substr(0, 24);
  EXPECT_EQ(imported.name, stored);
  EXPECT_EQ(imported.importedName, stored);
  EXPECT_EQ(imported.soundId, original.soundId);
  EXPECT_EQ(imported.category, original.category & 0xFFFF);
  EXPECT_FALSE(imported.averaged);
  Instrument refiled;
  for (const Zone& zone : original.zones) AddZone(refiled, zone);
  ASSERT_EQ(imported.zones.size(), refiled.zones.size());
  for (std::size_t k = 0; k < refiled.zones.size(); ++k) {
    const Zone& want = refiled.zones[k];
    const Zone& got = imported.zones[k];
    EXPECT_EQ(got.mapping.Serialize(), want.mapping.Serialize()) << "zone " << k;
    EXPECT_EQ(got.parameters.Serialize(), want.parameters.Serialize()) << "zone " << k;
    ASSERT_NE(got.sample, nullptr);
    ExpectSameSample(*want.sample, *got.sample);
  }
}

// Two sample groups: two pianos sharing a sample (with a stereo sample, a dual zone with its own
// second voice and reserved mapping bytes, and two zones on the same key and velocity), and a
// strings instrument with a 25-character name.
class RoundTripModel {
 public:
  RoundTripModel() {
    const auto shared = model.Stream(300);
    auto grand = model.Begin("Grand Piano", 0xA1B2C3D4);
    grand->category = 0x4B41;
    Sample* c4 = model.NewSample(*grand, "Piano C4", 300, 1, shared);
    Sample* c5 = model.NewSample(*grand, "piano c5", 120);
    Zone& low = model.AddTestZone(*grand, c4, 0);
    low.mapping.keyHigh = 59;
    low.parameters.words[ZoneParameters::initialFilterFc] = 8000;
    low.parameters.SetSigned(ZoneParameters::pan, -100);
    model.AddTestZone(*grand, c5, 60, 0).mapping.velHigh = 63;
    Zone& tie = model.AddTestZone(*grand, c4, 60, 0);  // goes in front of the zone above
    tie.mapping.flags = ZoneDual | ZoneLoop;
    tie.mapping.startOffset = 20;
    tie.mapping.startOffset2 = 88;
    tie.mapping.coarseTune2 = -3;
    tie.mapping.fineTune2 = 17;
    tie.mapping.reserved = {1, 2, 3, 4, 5, 6, 7, 8};
    tie.parameters.bytes[ZoneParameters::attenuation] = 200;
    Zone& high = model.AddTestZone(*grand, c5, 60, 64);
    high.mapping.overridingRootKey = 72;
    high.mapping.scaleTuning = 50;
    grandPiano = &model.Finish(std::move(grand));

    auto bright = model.Begin("Bright Piano 2L", 0x0004762F);
    bright->category = 0;
    Sample* ambience = model.NewSample(*bright, "Piano Amb", 80, 2);
    model.AddTestZone(*bright, ambience, 0).mapping.flags = ZoneStereo;
    model.AddTestZone(*bright, model.NewSample(*bright, "Piano C4", 300, 1, shared), 40);
    brightPiano = &model.Finish(std::move(bright));

    auto strings = model.Begin("Strings Ensemble Slow 123", 0x55);
    strings->category = 0x5354;
    Sample* ensemble = model.NewSample(*strings, "Ensemble Long Sample Name X", 64);
    for (std::uint8_t key : {0, 30, 30, 90}) model.AddTestZone(*strings, ensemble, key, 10);
    stringsEnsemble = &model.Finish(std::move(strings));
  }

  ModelBuilder model;
  const Instrument* grandPiano = nullptr;
  const Instrument* brightPiano = nullptr;
  const Instrument* stringsEnsemble = nullptr;
};

TEST(SiFiImportTest, CollectionOfTwoGroupsReadsBackTheSameInstruments) {
  RoundTripModel m;
  ASSERT_EQ(m.grandPiano->group, m.brightPiano->group);
  ASSERT_EQ(m.stringsEnsemble->name.size(), 25u);
  const auto bytes = Serialize({m.stringsEnsemble, m.grandPiano, m.brightPiano});

  const Imported in = Import(bytes);
  ASSERT_TRUE(in.accepted);
  ExpectConsistent(*in.library);
  ASSERT_EQ(in.library->instruments.size(), 3u);
  for (const Instrument* original : {m.grandPiano, m.brightPiano, m.stringsEnsemble}) {
    const Instrument* imported = FindBySoundId(*in.library, original->soundId);
    ASSERT_NE(imported, nullptr);
    ExpectSameInstrument(*original, *imported);
  }

  // The pianos share their sample again; the strings have a group of their own.
  const Instrument* grand = FindBySoundId(*in.library, m.grandPiano->soundId);
  const Instrument* bright = FindBySoundId(*in.library, m.brightPiano->soundId);
  const Instrument* strings = FindBySoundId(*in.library, m.stringsEnsemble->soundId);
  EXPECT_EQ(grand->group, bright->group);
  EXPECT_NE(grand->group, strings->group);
  EXPECT_EQ(in.source->groups.size(), 2u);
  ASSERT_EQ(grand->group->samples.size(), m.grandPiano->group->samples.size());
  for (std::size_t i = 0; i < grand->group->samples.size(); ++i)
    ExpectSameSample(*m.grandPiano->group->samples[i], *grand->group->samples[i]);
  EXPECT_EQ(in.source->samples.size(), 4u);  // every sample once
  // The dual zone kept its second voice; the tied zones came back in the other order.
  EXPECT_EQ(grand->zones[1].mapping.velHigh, 63);
  EXPECT_EQ(grand->zones[2].mapping.startOffset2, 88);
  EXPECT_EQ(grand->zones[2].mapping.flags, ZoneDual | ZoneLoop);
}

TEST(SiFiImportTest, ReexportingWithoutTiedZonesGivesTheSameBytes) {
  ModelBuilder model;
  auto harp = model.Begin("Harp", 7);
  harp->category = 0x4142;
  model.AddTestZone(*harp, model.NewSample(*harp, "Harp Low", 40), 0).mapping.keyHigh = 47;
  model.AddTestZone(*harp, model.NewSample(*harp, "Harp High", 30, 2), 48);
  const Instrument& h = model.Finish(std::move(harp));
  const Instrument& flute = model.Simple("Flute", 25);
  const auto bytes = Serialize({&h, &flute});

  const Imported in = Import(bytes);
  ASSERT_TRUE(in.accepted);
  const auto again =
      Serialize({FindBySoundId(*in.library, h.soundId), FindBySoundId(*in.library, flute.soundId)});
  EXPECT_EQ(again, bytes);
}

TEST(SiFiImportTest, HeaderOnlyFileIsAcceptedAndAddsNothing) {
  auto set = CreateExportSet();
  std::vector<std::byte> bytes;
  ASSERT_TRUE(SerializeExportSet(*set, bytes));
  const Imported in = Import(bytes);
  EXPECT_TRUE(in.accepted);
  EXPECT_TRUE(in.library->instruments.empty());
}

TEST(SiFiImportTest, WrongMagicOrVersionIsRefused) {
  ModelBuilder model;
  const auto good = Serialize({&model.Simple("Piano")});
  for (const auto& [offset, value] : std::vector<std::pair<std::size_t, unsigned>>{
           {0, 'S' + 1}, {3, 'I'}, {8, 1}, {9, 0}, {9, 2}}) {
    auto bytes = good;
    bytes[offset] = static_cast<std::byte>(value);
    const Imported in = Import(bytes);
    EXPECT_FALSE(in.accepted) << offset;
    EXPECT_TRUE(in.library->instruments.empty()) << offset;
  }
}

TEST(SiFiImportTest, ChunkLengthBelowTwelveStopsTheWalk) {
  ModelBuilder model;
  const auto good = Serialize({&model.Simple("Piano")});
  for (std::uint32_t length : {0u, 1u, 11u}) {
    for (std::size_t chunk : {std::size_t{16}, good.size() - 12}) {  // the group, the SiDp
      auto bytes = good;
      StoreU32(&bytes[chunk + 4], length);
      const Imported in = Import(bytes);
      EXPECT_FALSE(in.accepted) << length << " at " << chunk;
      EXPECT_EQ(in.library->instruments.size(), chunk == 16 ? 0u : 1u);
    }
  }
}

TEST(SiFiImportTest, ChunkLengthPastTheEndStopsTheWalk) {
  ModelBuilder model;
  const auto good = Serialize({&model.Simple("Piano")});
  for (std::uint32_t length : {static_cast<std::uint32_t>(good.size()), 0xFFFFFFFFu, 13u}) {
    auto bytes = good;
    StoreU32(&bytes[good.size() - 12 + 4], length);
    EXPECT_FALSE(Import(bytes).accepted) << length;
  }
}

TEST(SiFiImportTest, UnknownChunksAreSteppedOverAndTrailingBytesAreDamage) {
  ModelBuilder model;
  auto bytes = Serialize({&model.Simple("Piano")});
  // Turn the SiDp chunk into an unknown one: still a valid walk.
  bytes[bytes.size() - 12 + 2] = std::byte{'X'};
  EXPECT_TRUE(Import(bytes).accepted);
  for (std::size_t extra = 1; extra < 12; ++extra) {
    auto longer = bytes;
    longer.resize(bytes.size() + extra);
    const Imported in = Import(longer);
    EXPECT_EQ(in.outcome.status, ImportStatus::Damaged) << extra;
    EXPECT_EQ(OutcomeReason(in.outcome),
              std::to_string(extra) + " bytes after the last chunk, too few for a chunk");
    EXPECT_EQ(in.library->instruments.size(), 1u);
  }
  // Found by a new user: such a file once listed its instrument and was also named as not
  // recognised, because the chain went on to the WAV importer.
  auto longer = bytes;
  longer.resize(bytes.size() + 3);
  SoundDatabase database;
  Library library;
  const ImportOutcome outcome =
      ImportBytes(library, database, "C:\\Bank.SLI", ImportView{longer, 0, nullptr});
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(library.instruments.size(), 1u);
}

TEST(SiFiImportTest, EveryPrefixIsReadSafelyAndOnlyChunkBoundariesAreAccepted) {
  RoundTripModel m;
  const auto bytes = Serialize({m.grandPiano, m.stringsEnsemble});
  // Chunk boundaries, and how many instruments the complete group chunks before them hold.
  std::map<std::size_t, std::size_t> boundaries{{16, 0}};
  std::size_t instruments = 0;
  for (std::size_t at = 16; at < bytes.size();) {
    if (LoadU32(&bytes[at]) == FourCC("SiIg")) instruments += LoadU16(&bytes[at + 14]);
    at += LoadU32(&bytes[at + 4]);
    boundaries[at] = instruments;
  }
  ASSERT_EQ(boundaries.rbegin()->first, bytes.size());

  std::size_t lastInstruments = 0;
  for (std::size_t size = 0; size <= bytes.size(); ++size) {
    // A copy of exactly `size` bytes, so a read past the end is caught by the sanitizers.
    const std::vector<std::byte> prefix(bytes.begin(),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(size));
    const Imported in = Import(prefix);
    const auto boundary = boundaries.find(size);
    EXPECT_EQ(in.accepted, boundary != boundaries.end()) << size;
    if (size >= 16) {
      const auto before = std::prev(boundaries.upper_bound(size));
      EXPECT_EQ(in.library->instruments.size(), before->second) << size;
    }
    ExpectConsistent(*in.library);
    lastInstruments = in.library->instruments.size();
  }
  EXPECT_EQ(lastInstruments, 2u);
}

TEST(SiFiImportTest, FileCutInsideTheSecondGroupKeepsTheFirst) {
  RoundTripModel m;
  const auto bytes = Serialize({m.grandPiano, m.brightPiano, m.stringsEnsemble});
  const std::vector<std::byte> cut(bytes.begin(), bytes.end() - 40);
  const Imported in = Import(cut);
  EXPECT_FALSE(in.accepted);
  ASSERT_EQ(in.library->instruments.size(), 2u);
  EXPECT_NE(FindBySoundId(*in.library, m.grandPiano->soundId), nullptr);
  EXPECT_NE(FindBySoundId(*in.library, m.brightPiano->soundId), nullptr);
}

TEST(SiFiImportTest, CategoryFromTheFileReplacesTheRememberedOne) {
  ModelBuilder model;
  auto piano = model.Begin("Piano");
  model.AddTestZone(*piano, model.NewSample(*piano, "p", 5), 0);
  piano->category = 0;
  const auto bytes = Serialize({&model.Finish(std::move(piano))});

  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "Bank");
  FindOrCreateEntry(section, "Piano").category = 0x4142;
  const Imported in = Import(bytes, &section);
  ASSERT_EQ(in.library->instruments.size(), 1u);
  EXPECT_EQ(in.library->instruments[0]->category, 0u);
}

TEST(SiFiImportTest, NameOfTwentyFourCharactersWithoutTerminator) {
  ModelBuilder model;
  const auto bytes = Serialize({&model.Simple("ABCDEFGHIJKLMNOPQRSTUVWX")});
  ASSERT_NE(bytes[16 + 28 + 23], std::byte{0});
  const Imported in = Import(bytes);
  ASSERT_EQ(in.library->instruments.size(), 1u);
  EXPECT_EQ(in.library->instruments[0]->name, "ABCDEFGHIJKLMNOPQRSTUVWX");
}

TEST(SiFiImportTest, StereoSampleEntryGivesATwoChannelSample) {
  ModelBuilder model;
  auto pad = model.Begin("Pad");
  Sample* stereo = model.NewSample(*pad, "Wide", 33, 2);
  model.AddTestZone(*pad, stereo, 0);
  const auto bytes = Serialize({&model.Finish(std::move(pad))});
  const Imported in = Import(bytes);
  ASSERT_EQ(in.library->instruments.size(), 1u);
  const Sample* sample = in.library->instruments[0]->zones.at(0).sample;
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(sample->channels, 2u);
  EXPECT_EQ(sample->frames, 33u);
  EXPECT_EQ(sample->data, stereo->data);
}

// Offsets inside a file written for one instrument with two zones over two mono samples.
struct SmallFile {
  static constexpr std::size_t kGroup = 16;
  static constexpr std::size_t kInstrument = kGroup + 28;
  static constexpr std::size_t kZones = kInstrument + 40;
  static constexpr std::size_t kSamples = kZones + 2 * 76;

  SmallFile() {
    auto organ = model.Begin("Organ");
    model.AddTestZone(*organ, model.NewSample(*organ, "a", 10), 0);
    model.AddTestZone(*organ, model.NewSample(*organ, "b", 20), 64);
    bytes = Serialize({&model.Finish(std::move(organ))});
  }
  ModelBuilder model;
  std::vector<std::byte> bytes;
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);  // garbage read as entries, but safely

struct Corruption {
  const char* what;
  std::size_t offset;
  int width;  // 1, 2 or 4 bytes
  std::uint32_t value;
  std::size_t instruments;  // expected
  std::size_t zones;        // expected
};

TEST(SiFiImportTest, CorruptedOffsetsCountsAndIndicesAreContained) {
  using F = SmallFile;
  const std::vector<Corruption> cases = {
      {"instrument table far out", F::kGroup + 12, 2, 0xFFFF, 0, 0},
      {"instrument table at the header", F::kGroup + 12, 2, 0, 1, 0},
      {"many instruments", F::kGroup + 14, 2, 0xFFFF, kAny, kAny},
      {"two instruments, the second read from a zone entry", F::kGroup + 14, 2, 2, 2, 2},
      {"no instruments", F::kGroup + 14, 2, 0, 0, 0},
      {"zone table far out", F::kGroup + 16, 2, 0xFFFF, 1, 0},
      {"sample table far out", F::kGroup + 20, 2, 0xFFFF, 1, 0},
      {"sample data far out", F::kGroup + 24, 2, 0xFFFF, 1, 0},
      {"group length too short for its tables", F::kGroup + 4, 4, 40, 0, 0},
      {"first zone far out", F::kInstrument + 36, 2, 0xFFFF, 1, 0},
      {"first zone is the last", F::kInstrument + 36, 2, 1, 1, 1},
      {"zone count huge", F::kInstrument + 38, 2, 0xFFFF, 1, kAny},
      {"sample index far out", F::kZones + 72, 2, 0xFFFF, 1, 1},
      {"sample index one past", F::kZones + 72, 2, 2, 1, 1},
      {"data start far out", F::kSamples + 24, 4, 0xFFFFFFF0, 1, 1},
      {"data end before start", F::kSamples + 48 + 28, 4, 0, 1, 1},
      {"data end far out", F::kSamples + 28, 4, 0xFFFFFFFF, 1, 1},
      {"no channels", F::kSamples + 42, 1, 0, 1, 1},
      {"three channels", F::kSamples + 42, 1, 3, 1, 1},
      {"no bits", F::kSamples + 43, 1, 0, 1, 1},
      {"eight bits", F::kSamples + 43, 1, 8, 1, 1},
      {"loop points far out", F::kSamples + 36, 4, 0xFFFFFFFF, 1, 2},
  };
  for (const Corruption& c : cases) {
    SCOPED_TRACE(c.what);
    SmallFile file;
    std::byte* p = &file.bytes[c.offset];
    if (c.width == 1) p[0] = static_cast<std::byte>(c.value);
    if (c.width == 2) StoreU16(p, static_cast<std::uint16_t>(c.value));
    if (c.width == 4) StoreU32(p, c.value);
    const bool lengthChanged = c.offset == F::kGroup + 4;
    const Imported in = Import(file.bytes);
    // Whatever was cut or left out is named; a changed group length also breaks the walk.
    EXPECT_TRUE(in.outcome.recognised());
    EXPECT_EQ(in.outcome.status == ImportStatus::Damaged, !OutcomeReason(in.outcome).empty());
    if (lengthChanged) {
      EXPECT_EQ(in.outcome.status, ImportStatus::Damaged);
    }
    if (c.instruments != kAny) {
      EXPECT_EQ(in.library->instruments.size(), c.instruments);
    }
    if (c.zones != kAny) {
      EXPECT_EQ(ZoneCount(*in.library), c.zones);
    }
    ExpectConsistent(*in.library);
  }
}

TEST(SiFiImportTest, SharedZoneRangesCannotMultiplyTheZones) {
  // 200 instruments that all claim the same ten zone entries, with every count at its maximum.
  const std::size_t instruments = 200;
  const std::size_t zones = 10;
  std::vector<std::byte> bytes;
  ByteWriter out(bytes);
  sifi::FileHeader{0, sifi::kVersion, 1, sifi::kFileHeaderSize}.Write(out);
  const std::size_t group = bytes.size();
  const auto zoneTable = static_cast<std::uint16_t>(28 + 40 * instruments);
  const auto sampleTable = static_cast<std::uint16_t>(zoneTable + 76 * zones);
  const auto sampleData = static_cast<std::uint16_t>(sampleTable + 48);
  sifi::GroupHeader{
      0, 28, static_cast<std::uint16_t>(instruments), zoneTable, 0xFFFF, sampleTable, 1, sampleData}
      .Write(out);
  // Every instrument: first zone 0, zone count 0xFFFF.
  for (std::size_t i = 0; i < instruments; ++i)
    sifi::InstrumentEntry{"Hostile", 0, 0x4040, 0, 0xFFFF}.Write(out);
  for (std::size_t k = 0; k < zones; ++k) sifi::ZoneEntry{}.Write(out);
  sifi::SampleEntry{"one", 0, 2, 0, 0, 0, 60, 1, 16, 44100}.Write(out);
  out.U16(0x1234);
  out.Zeros(64);
  ByteWriter(bytes).PatchU32(group + 4, static_cast<std::uint32_t>(bytes.size() - group));
  ByteWriter(bytes).PatchU32(4, static_cast<std::uint32_t>(bytes.size()));

  const Imported in = Import(bytes);
  EXPECT_EQ(in.outcome.status, ImportStatus::Damaged);
  EXPECT_NE(OutcomeReason(in.outcome)
                .find("zones left out: zone entry named more often than the group "
                      "could need"),
            std::string::npos)
      << OutcomeReason(in.outcome);
  ASSERT_EQ(in.library->instruments.size(), instruments);
  const std::size_t chunk = bytes.size() - group;
  EXPECT_GE(ZoneCount(*in.library), zones);  // the first instrument is whole
  EXPECT_LE(ZoneCount(*in.library), chunk / 76);
  EXPECT_EQ(in.source->samples.size(), 1u);
  ExpectConsistent(*in.library);
}

TEST(SiFiImportTest, SampleEntriesSharingTheirDataCannotMultiplyTheCopies) {
  // 60 zones on 60 differently named sample entries that all span the same 4000 data bytes.
  const std::size_t samples = 60;
  const std::uint32_t dataBytes = 4000;
  std::vector<std::byte> bytes;
  ByteWriter out(bytes);
  sifi::FileHeader{0, sifi::kVersion, 1, sifi::kFileHeaderSize}.Write(out);
  const std::size_t group = bytes.size();
  const auto zoneTable = std::uint16_t{28 + 40};
  const auto sampleTable = static_cast<std::uint16_t>(zoneTable + 76 * samples);
  const auto sampleData = static_cast<std::uint16_t>(sampleTable + 48 * samples);
  const auto count = static_cast<std::uint16_t>(samples);
  sifi::GroupHeader{0, 28, 1, zoneTable, count, sampleTable, count, sampleData}.Write(out);
  sifi::InstrumentEntry{"Greedy", 0, 0x4040, 0, count}.Write(out);
  for (std::size_t k = 0; k < samples; ++k) {
    sifi::ZoneEntry zone;
    zone.sampleIndex = static_cast<std::uint16_t>(k);
    zone.Write(out);
  }
  for (std::size_t k = 0; k < samples; ++k)
    sifi::SampleEntry{"copy " + std::to_string(k), 0, dataBytes, 0, 0, 0, 60, 1, 16, 44100}.Write(
        out);
  out.Zeros(dataBytes);
  ByteWriter(bytes).PatchU32(group + 4, static_cast<std::uint32_t>(bytes.size() - group));
  ByteWriter(bytes).PatchU32(4, static_cast<std::uint32_t>(bytes.size()));

  const Imported in = Import(bytes);
  EXPECT_EQ(in.outcome.status, ImportStatus::Damaged);
  EXPECT_NE(OutcomeReason(in.outcome)
                .find("zones left out: sample data asked for more often than the "
                      "group could need"),
            std::string::npos)
      << OutcomeReason(in.outcome);
  std::size_t copied = 0;
  for (const auto& sample : in.source->samples) copied += 2 * sample->data.size();
  EXPECT_GE(copied, dataBytes);  // the first ones are read
  EXPECT_LE(copied, bytes.size() - group);
  ExpectConsistent(*in.library);
}

TEST(SiFiImportTest, RandomlyCorruptedFilesAreReadSafely) {
  RoundTripModel m;
  const auto good = Serialize({m.grandPiano, m.stringsEnsemble});
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    auto bytes = good;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      // Mostly inside the tables and headers, where the offsets and counts are.
      const std::size_t limit =
          random() % 4 == 0 ? bytes.size() : std::min<std::size_t>(bytes.size(), 1200);
      const std::size_t at = random() % limit;
      const std::uint32_t value = random() % 3 == 0 ? 0xFF : static_cast<std::uint32_t>(random());
      bytes[at] = static_cast<std::byte>(value & 0xFF);
    }
    if (random() % 5 == 0) bytes.resize(random() % bytes.size());
    const Imported in = Import(bytes);
    ExpectConsistent(*in.library);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "round " << round;
      break;
    }
  }
}

// Instruments that share samples beyond what one group chunk's tables hold: `count` instruments
// of `zones` zones each over a pool of samples, each instrument sharing `shared` of its samples
// with its neighbour before it (a chain, so the library makes them one sample group).
struct ChainOfInstruments {
  ModelBuilder model;
  std::vector<const Instrument*> instruments;
  static std::uint32_t Frames(int sample) { return 5 + static_cast<std::uint32_t>(sample % 7); }
  ChainOfInstruments(int count, int zones, int shared) {
    // Instrument i plays samples i x (zones - shared) onwards; equal name and stream make the
    // library share them.
    const int step = zones - shared;
    std::vector<std::span<const std::byte>> streams;
    for (int j = 0; j < (count - 1) * step + zones; ++j) streams.push_back(model.Stream(Frames(j)));
    for (int i = 0; i < count; ++i) {
      auto instrument = model.Begin("Kit " + std::to_string(10 + i));
      for (int k = 0; k < zones; ++k) {
        const int j = i * step + k;
        Sample* sample = model.NewSample(*instrument, "s" + std::to_string(j), Frames(j), 1,
                                         streams[static_cast<std::size_t>(j)]);
        model.AddTestZone(*instrument, sample, static_cast<std::uint8_t>(k % 128),
                          static_cast<std::uint8_t>(k / 128));
      }
      instruments.push_back(&model.Finish(std::move(instrument)));
    }
  }
};

// The place of the chain's instrument that `imported` was read back from.
int FindIndex(const ChainOfInstruments& chain, const Instrument& imported) {
  for (std::size_t i = 0; i < chain.instruments.size(); ++i)
    if (chain.instruments[i]->soundId == imported.soundId) return static_cast<int>(i);
  return -1;
}

TEST(SiFiImportTest, AGroupTooLargeForOneChunkIsWrittenAsSeveralAndReadsBackWhole) {
  struct Case {
    int count, zones, shared;
    std::size_t parts;
  } const cases[] = {
      {2, 400, 10, 2},  // two instruments of 400 zones: 61,248 + 40 bytes each, not both
      {6, 120, 20, 2},  // 6 x 120 zones: three fit a chunk
      {30, 60, 5, 4},   // many small ones: nine fit a chunk
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    ChainOfInstruments chain(c.count, c.zones, c.shared);
    ASSERT_EQ(chain.instruments.front()->group, chain.instruments.back()->group);
    auto set = CreateExportSet();
    for (const Instrument* i : chain.instruments) ASSERT_TRUE(AddInstrumentToExportSet(*set, *i));
    std::vector<std::byte> bytes;
    const ExportResult result = SerializeExportSet(*set, bytes);
    ASSERT_TRUE(result) << result.reason;
    ASSERT_EQ(result.splits.size(), 1u);
    EXPECT_EQ(result.splits[0].firstInstrument, "Kit 10");
    EXPECT_EQ(result.splits[0].parts, c.parts);
    EXPECT_EQ(LoadU16(bytes.data() + 12), c.parts);  // group chunks in the file
    EXPECT_GT(result.splits[0].duplicatedBytes, 0u);

    const Imported back = Import(bytes);
    ASSERT_TRUE(back.accepted) << back.outcome.reason;
    ExpectConsistent(*back.library);
    ASSERT_EQ(back.library->instruments.size(), chain.instruments.size());
    for (const Instrument* original : chain.instruments) {
      const Instrument* imported = FindBySoundId(*back.library, original->soundId);
      ASSERT_NE(imported, nullptr) << original->name;
      ExpectSameInstrument(*original, *imported);
    }
    // Each part is read back as a group of its own. Neighbours share samples, so each part is a
    // run of neighbours, and only the samples shared across a part's edge are stored twice.
    ASSERT_EQ(back.source->groups.size(), c.parts);
    std::uint64_t edgeBytes = 0;
    for (const auto& group : back.source->groups) {
      const std::vector<Instrument*>& members = group->instruments;
      for (std::size_t m = 1; m < members.size(); ++m)
        EXPECT_EQ(FindIndex(chain, *members[m]), FindIndex(chain, *members[m - 1]) + 1);
      const int first = FindIndex(chain, *members.front());
      for (int k = 0; first > 0 && k < c.shared; ++k)
        edgeBytes += 2 * ChainOfInstruments::Frames(first * (c.zones - c.shared) + k);
    }
    EXPECT_EQ(result.splits[0].duplicatedBytes, edgeBytes);
  }
}

}  // namespace
}  // namespace tolvane
