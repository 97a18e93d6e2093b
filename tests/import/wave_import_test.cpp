#include "import/wave/wave_import.h"
#include "import/file_instrument.h"
#include "import/outcome_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::Concat;
using testing::FormatChunk;
using testing::Raw;
using testing::Riff;
using testing::SamplerChunk;
using testing::ValuesLE16;

constexpr std::int64_t kMarch2024 = 1710510331;  // 2024-03-15 13:45:31 UTC

// The zone that plays the sample of that name.
const Zone& ZoneOf(const Instrument& instrument, std::string_view sampleName) {
  for (const Zone& zone : instrument.zones) {
    if (zone.sample != nullptr && zone.sample->name == sampleName) return zone;
  }
  ADD_FAILURE() << "no zone plays " << sampleName;
  static const Zone none;
  return none;
}

// A file that imports with one sample, perhaps damaged: the values and root key it gives.
struct ReadCase {
  const char* what;
  Bytes file;
  std::vector<std::int16_t> values;
  std::uint32_t rootKey;
  std::string damage;  // empty: imported whole
};

// One import of bytes held in memory, as ImportFile would run it for a file at `path`.
class WaveImport : public ::testing::Test {
 protected:
  ImportOutcome Import(const Bytes& bytes, std::string_view path = "C:\\Sounds\\Bell.wav",
                       std::int64_t time = kMarch2024) {
    Source& source = CreateSource(library, path);
    source.section = &FindOrCreateSection(database, source.baseName);
    return ImportWave(library, source, ImportView{bytes, time, nullptr});
  }
  Instrument& Only() {
    EXPECT_EQ(library.instruments.size(), 1u);
    return *library.instruments.front();
  }
  void ExpectRead(const ReadCase& c) {
    ClearLibrary(library);
    const ImportOutcome outcome = Import(c.file);
    EXPECT_EQ(outcome.status, c.damage.empty() ? ImportStatus::Imported : ImportStatus::Damaged)
        << c.what;
    EXPECT_EQ(OutcomeReason(outcome), c.damage) << c.what;
    ASSERT_EQ(library.instruments.size(), 1u) << c.what;
    const Sample& sample = *Only().zones[0].sample;
    EXPECT_EQ(sample.data, c.values) << c.what;
    EXPECT_EQ(sample.rootKey, c.rootKey) << c.what;
  }
  std::vector<std::int16_t> Values(std::initializer_list<int> values) {
    return std::vector<std::int16_t>(values.begin(), values.end());
  }

  SoundDatabase database;
  Library library;
};

TEST_F(WaveImport, Mono16BitFileGivesOneZoneAndOneSample) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 22050, 16),
                                   Chunk("data", ValuesLE16({0, 1000, -1000, 32767, -32768}))});
  ASSERT_TRUE(Import(file).imported());
  const Instrument& instrument = Only();
  EXPECT_EQ(instrument.name, "Bell");
  EXPECT_EQ(instrument.importedName, "Bell");
  EXPECT_TRUE(instrument.averaged);
  EXPECT_EQ(instrument.category, 0x4040u);
  ASSERT_EQ(instrument.zones.size(), 1u);
  const Zone& zone = instrument.zones[0];
  EXPECT_EQ(zone.mapping.keyLow, 0);
  EXPECT_EQ(zone.mapping.keyHigh, 127);
  EXPECT_EQ(zone.mapping.velLow, 0);
  EXPECT_EQ(zone.mapping.velHigh, 127);
  EXPECT_EQ(zone.mapping.flags, 0);
  ASSERT_NE(zone.sample, nullptr);
  const Sample& sample = *zone.sample;
  EXPECT_EQ(sample.name, "Bell");
  EXPECT_EQ(sample.sampleRate, 22050u);
  EXPECT_EQ(sample.channels, 1u);
  EXPECT_EQ(sample.frames, 5u);
  EXPECT_EQ(sample.rootKey, 60u);
  EXPECT_EQ(sample.loopStart, 0u);
  EXPECT_EQ(sample.loopEnd, 5u);
  EXPECT_EQ(sample.pitchCorrection, 0);
  EXPECT_EQ(sample.data, Values({0, 1000, -1000, 32767, -32768}));
  ASSERT_NE(instrument.group, nullptr);
  EXPECT_EQ(instrument.group, sample.group);
}

TEST_F(WaveImport, Stereo16BitFileGivesOneStereoZone) {
  const Bytes file =
      Riff("WAVE", {FormatChunk(2, 44100, 16), Chunk("data", ValuesLE16({1, -1, 2, -2, 3, -3}))});
  ASSERT_TRUE(Import(file).imported());
  const Instrument& instrument = Only();
  ASSERT_EQ(instrument.zones.size(), 1u);
  EXPECT_EQ(instrument.zones[0].mapping.flags, ZoneStereo);
  const Sample& sample = *instrument.zones[0].sample;
  EXPECT_EQ(sample.channels, 2u);
  EXPECT_EQ(sample.frames, 3u);
  EXPECT_EQ(sample.loopEnd, 3u);
  EXPECT_EQ(sample.data, Values({1, -1, 2, -2, 3, -3}));
}

TEST_F(WaveImport, SamplerChunkGivesLoopRootKeyAndPitchCorrection) {
  const Bytes file = Riff("WAVE", {FormatChunk(2, 44100, 16), Chunk("data", Bytes(4 * 3000)),
                                   SamplerChunk(57, 0x80000000u, 1, 100, 2000)});
  ASSERT_TRUE(Import(file).imported());
  const Instrument& instrument = Only();
  EXPECT_EQ(instrument.zones[0].mapping.flags, ZoneStereo | ZoneLoop);
  const Sample& sample = *instrument.zones[0].sample;
  EXPECT_EQ(sample.loopStart, 100u);
  EXPECT_EQ(sample.loopEnd, 2000u);
  EXPECT_EQ(sample.rootKey, 57u);
  EXPECT_EQ(sample.pitchCorrection, 50);
}

TEST_F(WaveImport, PitchCorrectionStaysBelowOneHundredCents) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", Bytes(8)),
                                   SamplerChunk(60, 0xFFFFFFFFu, 2, 0, 4)});
  ASSERT_TRUE(Import(file).imported());
  EXPECT_EQ(Only().zones[0].sample->pitchCorrection, 99);
}

TEST_F(WaveImport, AnyFirstLoopIsTakenInsideTheSample) {
  // Loop types: forward, alternating, backward, one no recorder uses. The points are kept as
  // the file gives them inside the sample's 10 frames; past its end, reversed or near 2^31 they
  // are brought inside, and a unity note past the keyboard becomes its highest key.
  struct Case {
    std::uint32_t type;
    std::uint32_t start;
    std::uint32_t end;
    std::uint32_t note;
    std::uint32_t keptStart;
    std::uint32_t keptEnd;
    std::uint32_t keptNote;
  };
  const Case cases[] = {{0, 1, 9, 61, 1, 9, 61},
                        {1, 8, 5000, 127, 8, 10, 127},
                        {2, 7, 3, 0, 3, 3, 0},
                        {0x20, 0, 0, 128, 0, 0, 127},
                        {0, 0x80000010u, 0x80000020u, 1000, 10, 10, 127}};
  for (const Case& c : cases) {
    Bytes sampler = SamplerChunk(c.note, 0, 3, c.start, c.end);
    StoreU32(sampler.data() + 8 + 40, c.type);  // the first loop's type
    const Bytes file = Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", Bytes(20)), sampler});
    Library fresh;
    Source& source = CreateSource(fresh, "Bell.wav");
    ASSERT_TRUE(ImportWave(fresh, source, ImportView{file, kMarch2024, nullptr}).imported());
    const Zone& zone = fresh.instruments.front()->zones[0];
    EXPECT_EQ(zone.mapping.flags, ZoneLoop) << c.start;
    EXPECT_EQ(zone.sample->loopStart, c.keptStart) << c.start;
    EXPECT_EQ(zone.sample->loopEnd, c.keptEnd) << c.start;
    EXPECT_EQ(zone.sample->rootKey, c.keptNote) << c.start;
  }
}

TEST_F(WaveImport, SamplerWithoutLoopsOrTooShortIsIgnored) {
  const Bytes cases[] = {
      Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", Bytes(20)),
                    SamplerChunk(57, 0x80000000u, 0, 2, 4)}),
      Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", Bytes(20)),
                    SamplerChunk(57, 0x80000000u, 1, 2, 4, 59)}),
  };
  for (const Bytes& file : cases) {
    Library fresh;
    Source& source = CreateSource(fresh, "Bell.wav");
    ASSERT_TRUE(ImportWave(fresh, source, ImportView{file, kMarch2024, nullptr}).imported());
    const Instrument& instrument = *fresh.instruments.front();
    EXPECT_EQ(instrument.zones[0].mapping.flags, 0);
    const Sample& sample = *instrument.zones[0].sample;
    EXPECT_EQ(sample.rootKey, 60u);
    EXPECT_EQ(sample.pitchCorrection, 0);
    EXPECT_EQ(sample.loopStart, 0u);
    EXPECT_EQ(sample.loopEnd, 10u);
  }
}

TEST_F(WaveImport, PadBytesFollowOddChunks) {
  // An odd chunk in front, an odd data chunk (its last byte is no whole sample) and an odd
  // chunk last, each with its pad byte.
  const Bytes file =
      Riff("WAVE", {Chunk("junk", Raw({1, 2, 3})), FormatChunk(1, 8000, 16),
                    Chunk("data", Raw({0x10, 0x00, 0x20, 0x00, 0x7F})), Chunk("note", Raw({9}))});
  ASSERT_TRUE(Import(file).imported());
  const Sample& sample = *Only().zones[0].sample;
  EXPECT_EQ(sample.frames, 2u);
  EXPECT_EQ(sample.data, Values({0x10, 0x20}));
}

// Found in real files: a data chunk of odd length last in the file without its pad byte, with
// the RIFF size counting the pad byte or not.
TEST_F(WaveImport, OddLastChunkMayLackItsPadByte) {
  for (const int riffSizeExtra : {0, 1}) {
    Bytes file = Riff(
        "WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Raw({1, 0, 2, 0, 3}), /*pad=*/false)});
    StoreU32(file.data() + 4, LoadU32(file.data() + 4) + static_cast<std::uint32_t>(riffSizeExtra));
    ClearLibrary(library);
    ASSERT_TRUE(Import(file).imported()) << riffSizeExtra;
    EXPECT_EQ(Only().zones[0].sample->data, Values({1, 2}));
  }
}

TEST_F(WaveImport, DataBeforeFormatIsNotTaken) {
  const Bytes onlyBefore =
      Riff("WAVE", {Chunk("data", ValuesLE16({1, 2})), FormatChunk(1, 8000, 16)});
  const ImportOutcome outcome = Import(onlyBefore);
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(outcome), "no 'data' chunk after the 'fmt ' chunk");
  EXPECT_TRUE(library.instruments.empty());

  const Bytes alsoAfter = Riff("WAVE", {Chunk("data", ValuesLE16({1, 2})), FormatChunk(1, 8000, 16),
                                        Chunk("data", ValuesLE16({7, 8, 9}))});
  ASSERT_TRUE(Import(alsoAfter).imported());
  EXPECT_EQ(Only().zones[0].sample->data, Values({7, 8, 9}));
}

TEST_F(WaveImport, LaterChunksReplaceEarlierOnes) {
  const Bytes file =
      Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", ValuesLE16({1, 2})),
                    SamplerChunk(50, 0, 1, 0, 1), FormatChunk(2, 11025, 16),
                    Chunk("data", ValuesLE16({3, 4, 5, 6})), SamplerChunk(70, 0, 1, 1, 2)});
  ASSERT_TRUE(Import(file).imported());
  const Sample& sample = *Only().zones[0].sample;
  EXPECT_EQ(sample.channels, 2u);
  EXPECT_EQ(sample.sampleRate, 11025u);
  EXPECT_EQ(sample.data, Values({3, 4, 5, 6}));
  EXPECT_EQ(sample.rootKey, 70u);
  EXPECT_EQ(sample.loopStart, 1u);
}

TEST_F(WaveImport, ExtensibleFormatIsReadLikePcm) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 48000, 16, 40), Chunk("data", ValuesLE16({5}))});
  ASSERT_TRUE(Import(file).imported());
  EXPECT_EQ(Only().zones[0].sample->sampleRate, 48000u);
}

// Found in real files: stray bytes after the RIFF chunk, which players ignore.
TEST_F(WaveImport, WhateverFollowsTheRiffChunkIsIgnored) {
  const Bytes riff = Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Bytes(4))});
  const Bytes after[] = {Chunk("LIST", Raw({'I', 'N', 'F', 'O'})), Raw({0}), Raw({0, 0, 0, 0}),
                         Chunk("junk", Bytes(4), true, 5)};
  for (const Bytes& tail : after) {
    Library fresh;
    Source& source = CreateSource(fresh, "Bell.wav");
    const Bytes file = Concat({riff, tail});
    EXPECT_TRUE(ImportWave(fresh, source, ImportView{file, 0, nullptr}).imported()) << tail.size();
  }
}

// Found in real files that players accept: once the format and the data are read, damage after
// them no longer refuses the file. A data chunk longer than the file keeps what is there.
TEST_F(WaveImport, DamageAfterTheSoundKeepsTheSound) {
  const Bytes fmt = FormatChunk(1, 8000, 16);
  const Bytes loop = SamplerChunk(62, 0, 1, 1, 2);
  // A tracker's odd data chunk without its pad byte, then more chunks.
  const Bytes unpadded = Riff("WAVE", {fmt, Chunk("data", Raw({1, 0, 2, 0, 3}), false), loop});
  // A RIFF size 4 bytes short of the data chunk.
  Bytes riffShort = Riff("WAVE", {fmt, Chunk("data", ValuesLE16({1, 2, 3}))});
  StoreU32(riffShort.data() + 4, LoadU32(riffShort.data() + 4) - 4);
  // A data size past the end of the file, and one past the RIFF chunk with bytes after it.
  const Bytes dataLong = Riff("WAVE", {fmt, Chunk("data", ValuesLE16({1, 2}), true, 8)});
  Bytes riffAndDataShort =
      Concat({Riff("WAVE", {fmt, Chunk("data", ValuesLE16({1, 2}), true, 8)}), Raw({0, 0})});
  StoreU32(riffAndDataShort.data() + 4, LoadU32(riffAndDataShort.data() + 4) - 4);
  // A chunk after the data that runs past the RIFF chunk, or a half header.
  const Bytes brokenAfter =
      Riff("WAVE", {fmt, Chunk("data", ValuesLE16({1, 2})), Chunk("smpl", Bytes(4), true, 99)});
  const Bytes halfHeaderAfter =
      Riff("WAVE", {fmt, Chunk("data", ValuesLE16({1, 2})), Raw({'s', 'm', 'p', 'l'})});
  const ReadCase cases[] = {
      {"unpadded", unpadded, {1, 2}, 62, ""},
      {"RIFF short", riffShort, {1, 2, 3}, 60, ""},
      {"data long", dataLong, {1, 2}, 60, "data chunk cut short: 2 of 4 frames"},
      {"RIFF and data short",
       riffAndDataShort,
       {1, 2, 0},
       60,
       "data chunk cut short: 3 of 4 frames"},
      {"broken after", brokenAfter, {1, 2}, 60, ""},
      {"half header after", halfHeaderAfter, {1, 2}, 60, ""},
  };
  for (const ReadCase& c : cases) ExpectRead(c);
}

// Files written to a pipe, with sizes their writer could not go back to fill, and RIFF sizes and
// pad bytes as found in real files: read as players read them, to the end of the file.
TEST_F(WaveImport, StreamedAndMisSizedFilesAreReadToTheEnd) {
  const Bytes fmt = FormatChunk(1, 8000, 16);
  const Bytes loop = SamplerChunk(62, 0, 1, 1, 2);
  const Bytes values = ValuesLE16({1, 2, 3});
  // "RIFF", a RIFF size, "WAVE", then the chunks as given.
  const auto riffSized = [](std::uint32_t riffSize, std::initializer_list<Bytes> chunks) {
    Bytes file = Riff("WAVE", chunks);
    StoreU32(file.data() + 4, riffSize);
    return file;
  };
  const auto data = [&](std::int64_t size) { return Chunk("data", values, true, size); };
  const ReadCase cases[] = {
      {"data size 0xFFFFFFFF", Riff("WAVE", {fmt, data(0xFFFFFFFF)}), {1, 2, 3}, 60, ""},
      {"both 0xFFFFFFFF", riffSized(0xFFFFFFFF, {fmt, data(0xFFFFFFFF)}), {1, 2, 3}, 60, ""},
      {"both 0", riffSized(0, {fmt, data(0)}), {1, 2, 3}, 60, ""},
      {"RIFF 0", riffSized(0, {fmt, data(-1)}), {1, 2, 3}, 60, ""},
      {"sox's sizes", riffSized(0x7FFFF024, {fmt, data(0x7FFFF000)}), {1, 2, 3}, 60, ""},
      {"data 0 and a half frame",
       riffSized(0, {fmt, Chunk("data", Raw({1, 0, 2, 0, 3}), false, 0)}),
       {1, 2},
       60,
       ""},
      // A real empty data chunk: the chunk after it is not taken for sound.
      {"empty data, then smpl", Riff("WAVE", {fmt, Chunk("data", {}), loop}), {}, 62, ""},
      {"data 0xFFFFFFFF after an odd chunk",
       riffSized(0xFFFFFFFF, {fmt, Chunk("note", Raw({'a'})), data(0xFFFFFFFF)}),
       {1, 2, 3},
       60,
       ""},
      // Not a placeholder: a data chunk longer than the file is cut short.
      {"data size 0xFFFFFFFE",
       Riff("WAVE", {fmt, data(0xFFFFFFFE)}),
       {1, 2, 3},
       60,
       "data chunk cut short: 3 of 2147483647 frames"},
      {"RIFF ends in the fmt chunk", riffSized(4 + 10, {fmt, data(-1), loop}), {1, 2, 3}, 62, ""},
      {"RIFF ends before the data header", riffSized(4 + 24, {fmt, data(-1)}), {1, 2, 3}, 60, ""},
      {"RIFF ends in the data header", riffSized(4 + 24 + 3, {fmt, data(-1)}), {1, 2, 3}, 60, ""},
      {"RIFF ends before 'WAVE'", riffSized(2, {fmt, data(-1), loop}), {1, 2, 3}, 62, ""},
      // Odd chunks whose pad byte is missing, before the format, before and after the data.
      {"unpadded before fmt",
       Riff("WAVE", {Chunk("note", Raw({'a'}), false), fmt, data(-1), loop}),
       {1, 2, 3},
       62,
       ""},
      {"unpadded before data",
       Riff("WAVE", {fmt, Chunk("note", Raw({'a', 'b', 'c'}), false), data(-1), loop}),
       {1, 2, 3},
       62,
       ""},
      {"unpadded after data",
       Riff("WAVE", {fmt, data(-1), Chunk("note", Raw({'a'}), false), loop}),
       {1, 2, 3},
       62,
       ""},
      {"padded with text after",
       Riff("WAVE", {fmt, Chunk("note", Raw({'a'})), data(-1), loop}),
       {1, 2, 3},
       62,
       ""},
  };
  for (const ReadCase& c : cases) ExpectRead(c);
}

// Not RIFF/WAVE: not recognised, without a word. Broken inside: damaged, with the reason.
TEST_F(WaveImport, RefusesWhatCannotBeRead) {
  const Bytes fmt = FormatChunk(1, 8000, 16);
  const Bytes data = Chunk("data", Bytes(4));
  Bytes notRiff = Riff("WAVE", {fmt, data});
  notRiff[3] = std::byte{'X'};
  struct Case {
    Bytes file;
    ImportStatus status;
    std::string reason;
  };
  const Case cases[] = {
      {{}, ImportStatus::NotRecognised, ""},
      {Raw({'R', 'I', 'F', 'F'}), ImportStatus::NotRecognised, ""},
      {Riff("sfbk", {fmt, data}), ImportStatus::NotRecognised, ""},
      {notRiff, ImportStatus::NotRecognised, ""},
      {Riff("WAVE", {fmt}), ImportStatus::Damaged, "no 'data' chunk after the 'fmt ' chunk"},
      {Riff("WAVE", {data}), ImportStatus::Damaged,
       "the 'data' chunk comes before the 'fmt ' chunk"},
      {Riff("WAVE", {FormatChunk(1, 8000, 16, 14), data}), ImportStatus::Damaged,
       "no 'fmt ' chunk of at least 16 bytes"},
      {Riff("WAVE", {FormatChunk(0, 8000, 16), data}), ImportStatus::Damaged,
       "the 'fmt ' chunk gives no channels"},
      {Riff("WAVE", {FormatChunk(1, 8000, 4), data}), ImportStatus::Damaged,
       "the 'fmt ' chunk gives fewer than 8 bits per sample"},
      {Riff("WAVE", {FormatChunk(2, 8000, 7), data}), ImportStatus::Damaged,
       "the 'fmt ' chunk gives fewer than 8 bits per sample"},
      {Riff("WAVE", {Chunk("fmt ", Bytes(16), true, 0xFFFFFFFE), data}), ImportStatus::Damaged,
       "'fmt ' chunk runs past the end of the RIFF chunk"},
      {Riff("WAVE", {fmt, Raw({'j', 'u', 'n', 'k'}), data}), ImportStatus::Damaged,
       "'junk' chunk runs past the end of the RIFF chunk"},
      {Riff("WAVE", {fmt, Raw({'j', 'u', 'n', 'k'})}), ImportStatus::Damaged,
       "the RIFF chunk ends inside a chunk header"},
  };
  for (const Case& c : cases) {
    Library fresh;
    Source& source = CreateSource(fresh, "Bell.wav");
    const ImportOutcome outcome = ImportWave(fresh, source, ImportView{c.file, 0, nullptr});
    EXPECT_EQ(outcome.status, c.status) << c.reason;
    EXPECT_EQ(OutcomeReason(outcome), c.reason);
    EXPECT_TRUE(fresh.instruments.empty());
    EXPECT_TRUE(source.samples.empty());
  }
}

TEST_F(WaveImport, EightBitChannelsAreCentredAndSplit) {
  // Two channels: left 128, 255, 0; right 1, 127, 129.
  const Bytes file =
      Riff("WAVE", {FormatChunk(2, 8000, 8), Chunk("data", Raw({128, 1, 255, 127, 0, 129}))});
  ASSERT_TRUE(Import(file, "D:\\Pad.wav").imported());
  const Instrument& instrument = Only();
  ASSERT_EQ(instrument.zones.size(), 2u);
  EXPECT_EQ(instrument.zones[0].mapping.flags, 0);
  EXPECT_EQ(instrument.zones[1].mapping.flags, 0);
  // Zones with equal key and velocity lows go in front of the earlier ones.
  const Sample& right = *instrument.zones[0].sample;
  const Sample& left = *instrument.zones[1].sample;
  EXPECT_EQ(left.name, "Pad1");
  EXPECT_EQ(right.name, "Pad2");
  EXPECT_EQ(left.channels, 1u);
  EXPECT_EQ(left.frames, 3u);
  EXPECT_EQ(left.data, Values({0, 32512, -32768}));
  EXPECT_EQ(right.data, Values({-32512, -256, 256}));
  EXPECT_EQ(instrument.group->samples.size(), 2u);
}

TEST_F(WaveImport, MonoOtherThan16BitsIsConvertedToo) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 8000, 8), Chunk("data", Raw({0, 200, 128}))});
  ASSERT_TRUE(Import(file, "Click.wav").imported());
  const Instrument& instrument = Only();
  ASSERT_EQ(instrument.zones.size(), 1u);
  EXPECT_EQ(instrument.zones[0].sample->name, "Click1");
  EXPECT_EQ(instrument.zones[0].sample->data, Values({-32768, 18432, 0}));
}

// Widths that are not whole bytes fill the next whole byte, the value at the top.
TEST_F(WaveImport, WideSamplesKeepTheirTopSixteenBits) {
  struct Case {
    std::uint16_t bits;
    Bytes data;  // two channels, two frames
    std::vector<std::int16_t> first;
    std::vector<std::int16_t> second;
  };
  const Case cases[] = {
      {24,
       Raw({0x11, 0x34, 0x12, 0x22, 0xCD, 0xAB, 0x33, 0x00, 0x80, 0x44, 0xFF, 0x7F}),
       {0x1234, -32768},
       {static_cast<std::int16_t>(0xABCD), 0x7FFF}},
      {32,
       Raw({0x01, 0x02, 0x34, 0x12, 0x03, 0x04, 0xCD, 0xAB, 0x05, 0x06, 0x00, 0x80, 0x07, 0x08,
            0xFF, 0x7F}),
       {0x1234, -32768},
       {static_cast<std::int16_t>(0xABCD), 0x7FFF}},
      {12,
       Raw({0x40, 0x12, 0xC0, 0xAB, 0x00, 0x80, 0xF0, 0x7F}),
       {0x1240, -32768},
       {static_cast<std::int16_t>(0xABC0), 0x7FF0}},
      {20,
       Raw({0x10, 0x34, 0x12, 0x20, 0xCD, 0xAB, 0x30, 0x00, 0x80, 0x40, 0xFF, 0x7F}),
       {0x1234, -32768},
       {static_cast<std::int16_t>(0xABCD), 0x7FFF}},
      {64,
       Raw({1, 2, 3, 4, 5, 6, 0x34, 0x12, 1, 2, 3, 4, 5, 6, 0xCD, 0xAB,
            1, 2, 3, 4, 5, 6, 0x00, 0x80, 1, 2, 3, 4, 5, 6, 0xFF, 0x7F}),
       {0x1234, -32768},
       {static_cast<std::int16_t>(0xABCD), 0x7FFF}},
  };
  for (const Case& c : cases) {
    Library fresh;
    Source& source = CreateSource(fresh, "C:\\Pad.wav");
    const Bytes file = Riff("WAVE", {FormatChunk(2, 44100, c.bits), Chunk("data", c.data)});
    ASSERT_TRUE(ImportWave(fresh, source, ImportView{file, 0, nullptr}).imported());
    const Instrument& instrument = *fresh.instruments.front();
    ASSERT_EQ(instrument.zones.size(), 2u);
    EXPECT_EQ(ZoneOf(instrument, "Pad1").sample->data, c.first) << c.bits;
    EXPECT_EQ(ZoneOf(instrument, "Pad2").sample->data, c.second) << c.bits;
  }
}

TEST_F(WaveImport, MoreThanTwo16BitChannelsAreSplit) {
  const Bytes file =
      Riff("WAVE", {FormatChunk(3, 8000, 16), Chunk("data", ValuesLE16({1, 2, 3, 4, 5, 6}))});
  ASSERT_TRUE(Import(file, "Tri.wav").imported());
  const Instrument& instrument = Only();
  ASSERT_EQ(instrument.zones.size(), 3u);
  EXPECT_EQ(instrument.zones[0].sample->name, "Tri3");
  EXPECT_EQ(instrument.zones[1].sample->name, "Tri2");
  EXPECT_EQ(instrument.zones[2].sample->name, "Tri1");
  EXPECT_EQ(ZoneOf(instrument, "Tri1").sample->data, Values({1, 4}));
  EXPECT_EQ(ZoneOf(instrument, "Tri2").sample->data, Values({2, 5}));
  EXPECT_EQ(ZoneOf(instrument, "Tri3").sample->data, Values({3, 6}));
  // The group lists its samples by name.
  ASSERT_EQ(instrument.group->samples.size(), 3u);
  EXPECT_EQ(instrument.group->samples[0]->name, "Tri1");
}

TEST_F(WaveImport, AtMost256ChannelsAreTaken) {
  // Channel counts a tiny file can declare by the thousand would each become a zone.
  const Bytes most = Riff("WAVE", {FormatChunk(256, 8000, 8), Chunk("data", Bytes(256))});
  ASSERT_TRUE(Import(most, "Wide.wav").imported());
  EXPECT_EQ(Only().zones.size(), 256u);
  const Bytes tooMany = Riff("WAVE", {FormatChunk(257, 8000, 8), Chunk("data", Bytes(257))});
  EXPECT_EQ(Import(tooMany, "Wider.wav").status, ImportStatus::NotRecognised);
}

// A WAVE_FORMAT_EXTENSIBLE "fmt " chunk whose sub-format GUID carries `subTag`; a foreign GUID
// when `standard` is false.
Bytes ExtensibleFormat(std::uint16_t channels, std::uint16_t bits, std::uint16_t subTag,
                       bool standard = true) {
  Bytes fmt = FormatChunk(channels, 44100, bits, 40, 0xFFFE);
  std::byte* field = fmt.data() + 8;
  StoreU16(field + 16, 22);  // cbSize
  StoreU16(field + 24, subTag);
  const Bytes tail = Raw({0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  std::copy(tail.begin(), tail.end(), field + 28);
  if (!standard) field[39] = std::byte{0x72};
  return fmt;
}

Bytes Floats32(std::initializer_list<float> values) {
  Bytes out;
  for (const float v : values) testing::PutU32(out, std::bit_cast<std::uint32_t>(v));
  return out;
}

Bytes Floats64(std::initializer_list<double> values) {
  Bytes out;
  for (const double v : values) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    testing::PutU32(out, static_cast<std::uint32_t>(bits));
    testing::PutU32(out, static_cast<std::uint32_t>(bits >> 32));
  }
  return out;
}

// Float, A-law and mu-law data become 16-bit values; one or two channels give one zone as
// 16-bit PCM does, more channels one mono zone each.
TEST_F(WaveImport, FloatAndCompandedDataAreConverted) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    Bytes fmt;
    Bytes data;
    std::size_t zones;
    std::vector<std::int16_t> values;  // of the first zone's sample
  };
  const Case cases[] = {
      {"float 32",
       FormatChunk(1, 44100, 32, 16, 3),
       Floats32({0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.0f, -7.0f, nan, 1.5f / 32768}),
       1,
       {0, 16384, -16384, 32767, -32768, 32767, -32768, 0, 2}},
      {"float 64 stereo",
       FormatChunk(2, 44100, 64, 16, 3),
       Floats64({0.25, -0.25, 1e9, -1e9}),
       1,
       {8192, -8192, 32767, -32768}},
      {"A-law",
       FormatChunk(1, 8000, 8, 16, 6),
       Raw({0xD5, 0x55, 0xAA, 0x2A}),
       1,
       {8, -8, 32256, -32256}},
      {"mu-law stereo",
       FormatChunk(2, 8000, 8, 16, 7),
       Raw({0xFF, 0x80, 0x00, 0x7F}),
       1,
       {0, 32124, -32124, 0}},
      {"extensible float", ExtensibleFormat(1, 32, 3), Floats32({0.25f, -1.0f}), 1, {8192, -32768}},
      {"extensible PCM", ExtensibleFormat(1, 16, 1), ValuesLE16({5, -5}), 1, {5, -5}},
      {"float, three channels",
       FormatChunk(3, 44100, 32, 16, 3),
       Floats32({0.5f, 0.0f, 0.0f, -0.5f, 0.0f, 0.0f}),
       3,
       {16384, -16384}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearLibrary(library);
    ASSERT_TRUE(Import(Riff("WAVE", {c.fmt, Chunk("data", c.data)}), "C:\\Mix.wav").imported());
    const Instrument& instrument = Only();
    ASSERT_EQ(instrument.zones.size(), c.zones);
    const Sample& first =
        c.zones == 1 ? *instrument.zones[0].sample : *ZoneOf(instrument, "Mix1").sample;
    EXPECT_EQ(first.data, c.values);
    EXPECT_EQ(first.channels * c.zones, LoadU16(c.fmt.data() + 10));
    EXPECT_EQ(instrument.zones[0].mapping.flags, first.channels == 2 ? ZoneStereo : 0);
  }
}

TEST_F(WaveImport, FormatsNotDecodedAreNamed) {
  struct Case {
    Bytes fmt;
    ImportStatus status;
    std::string reason;
  };
  const Case cases[] = {
      {FormatChunk(1, 8000, 16, 16, 0x55), ImportStatus::NotRecognised,
       "WAV format 0x0055 (MPEG Layer 3) is not supported"},
      {FormatChunk(1, 8000, 0, 20, 0x11), ImportStatus::NotRecognised,
       "WAV format 0x0011 (IMA ADPCM) is not supported"},
      {FormatChunk(1, 8000, 8, 20, 0x1234), ImportStatus::NotRecognised,
       "WAV format 0x1234 is not supported"},
      {FormatChunk(1, 8000, 24, 16, 3), ImportStatus::NotRecognised,
       "WAV format 0x0003 (IEEE float) with 24 bits per sample is not supported"},
      {FormatChunk(1, 8000, 16, 16, 6), ImportStatus::NotRecognised,
       "WAV format 0x0006 (A-law) with 16 bits per sample is not supported"},
      {FormatChunk(1, 8000, 72), ImportStatus::NotRecognised,
       "WAV format 0x0001 (PCM) with 72 bits per sample is not supported"},
      {ExtensibleFormat(1, 16, 0x55), ImportStatus::NotRecognised,
       "WAV format 0x0055 (MPEG Layer 3) is not supported"},
      {ExtensibleFormat(1, 16, 1, false), ImportStatus::NotRecognised,
       "WAV format 0xFFFE with a sub-format of its own is not supported"},
      {FormatChunk(1, 8000, 16, 18, 0xFFFE), ImportStatus::Damaged,
       "the 'fmt ' chunk of WAV format 0xFFFE is too short to hold its sub-format"},
  };
  for (const Case& c : cases) {
    ClearLibrary(library);
    const ImportOutcome outcome = Import(Riff("WAVE", {c.fmt, Chunk("data", Bytes(8))}));
    EXPECT_EQ(outcome.status, c.status) << c.reason;
    EXPECT_EQ(OutcomeReason(outcome), c.reason);
    EXPECT_TRUE(library.instruments.empty());
  }
}

TEST_F(WaveImport, SplitChannelsShareTheLoop) {
  const Bytes file = Riff("WAVE", {FormatChunk(2, 8000, 24), Chunk("data", Bytes(6 * 10)),
                                   SamplerChunk(48, 0, 1, 2, 8)});
  ASSERT_TRUE(Import(file).imported());
  for (const Zone& zone : Only().zones) {
    EXPECT_EQ(zone.mapping.flags, ZoneLoop);
    EXPECT_EQ(zone.sample->loopStart, 2u);
    EXPECT_EQ(zone.sample->loopEnd, 8u);
    EXPECT_EQ(zone.sample->rootKey, 48u);
  }
}

// Zero values once reached memcpy with a null destination (caught by the sanitizer build).
TEST_F(WaveImport, EmptyDataGivesAnEmptySample) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", {})});
  ASSERT_TRUE(Import(file).imported());
  EXPECT_EQ(Only().zones[0].sample->frames, 0u);
}

TEST_F(WaveImport, NamesAreShortenedAndTheSampleKeepsTheBaseName) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Bytes(2))});
  ASSERT_TRUE(Import(file, "C:\\Electric Guitar Clean Long Name.wav").imported());
  const Instrument& instrument = Only();
  EXPECT_EQ(instrument.name, ShortenName("Electric Guitar Clean Long Name", 24));
  EXPECT_EQ(instrument.name.size(), 24u);
  EXPECT_EQ(instrument.importedName, "ElectricGuitarCleanLongNm");
  EXPECT_EQ(instrument.zones[0].sample->name, "Electric Guitar Clean Long Name");
}

TEST_F(WaveImport, RemembersTheCategoryOfTheBaseName) {
  FindOrCreateEntry(FindOrCreateSection(database, "bell"), "BELL").category = 0x4142;
  const Bytes file = Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Bytes(2))});
  ASSERT_TRUE(Import(file).imported());
  EXPECT_EQ(Only().category, 0x4142u);
}

TEST_F(WaveImport, SoundIdHashesTheNameWithTheDosTime) {
  const Bytes file = Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Bytes(2))});
  ASSERT_TRUE(Import(file, "C:\\Piano.wav", kMarch2024).imported());
  // "PIANO" hashes to 0x0004762F; 2024-03-15 is 0x586F, 13:45:31 is 0x6DAF.
  EXPECT_EQ(Only().soundId, 0x0004762Fu ^ 0x586F6DAFu);
  const std::uint32_t first = Only().soundId;

  Library again;
  Source& same = CreateSource(again, "E:\\other\\piano.wav");
  ASSERT_TRUE(ImportWave(again, same, ImportView{file, kMarch2024 - 1, nullptr}).imported());
  EXPECT_EQ(again.instruments.front()->soundId, first);  // same name, same two-second step

  Library newer;
  Source& later = CreateSource(newer, "C:\\Piano.wav");
  ASSERT_TRUE(ImportWave(newer, later, ImportView{file, kMarch2024 + 2, nullptr}).imported());
  EXPECT_NE(newer.instruments.front()->soundId, first);
}

TEST(ToDosDateTime, UsesUtcFatFields) {
  struct Case {
    std::int64_t seconds;
    std::uint16_t date;
    std::uint16_t time;
  };
  const Case cases[] = {
      {kMarch2024, 0x586F, 0x6DAF},
      {315532800, 0x0021, 0x0000},  // 1980-01-01 00:00:00
      {315532799, 0x0021, 0x0000},  // earlier: the first DOS moment
      {0, 0x0021, 0x0000},
      {-5000000000, 0x0021, 0x0000},
      {951782400, (20 << 9) | (2 << 5) | 29, 0},  // 2000-02-29
      {4354819199, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
      {4354819200, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},  // past 2107
      {INT64_MAX, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
  };
  for (const Case& c : cases) {
    const DosDateTime dos = ToDosDateTime(c.seconds);
    EXPECT_EQ(dos.date, c.date) << c.seconds;
    EXPECT_EQ(dos.time, c.time) << c.seconds;
  }
}

// Every cut of a valid file must be read or refused without reading past its end; run under
// the sanitizers this also checks the bounds of every read.
TEST(WaveTruncation, EveryPrefixIsReadOrRefusedSafely) {
  const Bytes riff = Riff("WAVE", {Chunk("junk", Raw({1, 2, 3})), FormatChunk(2, 8000, 24),
                                   Chunk("data", Bytes(6 * 5)), SamplerChunk(60, 0, 1, 0, 4)});
  const Bytes full = Concat({riff, Chunk("LIST", Raw({'I', 'N', 'F', 'O'}))});
  constexpr std::size_t kDataStart = 12 + 12 + 24 + 8;  // junk, "fmt " and the data's header
  for (std::size_t length = 0; length < full.size(); ++length) {
    const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    Library library;
    Source& source = CreateSource(library, "Cut.wav");
    // A cut inside the data keeps the frames before it, named as damaged; a cut after it
    // leaves the sound whole.
    const ImportOutcome outcome = ImportWave(library, source, ImportView{prefix, 0, nullptr});
    EXPECT_EQ(outcome.imported(), length >= kDataStart + 30) << length;
    EXPECT_EQ(library.instruments.size(), length >= kDataStart ? 1u : 0u) << length;
  }
  Library library;
  Source& source = CreateSource(library, "Cut.wav");
  EXPECT_TRUE(ImportWave(library, source, ImportView{full, 0, nullptr}).imported());
}

// The same cuts with the RIFF size made to fit, so that the walk itself meets every kind of
// truncated chunk: before the data they refuse the file, after it they end the walk.
TEST(WaveTruncation, EveryPrefixWithAFittingRiffSizeIsWalkedSafely) {
  const Bytes full =
      Riff("WAVE", {Chunk("junk", Raw({1, 2, 3})), FormatChunk(1, 8000, 16),
                    Chunk("data", ValuesLE16({1, 2, 3})), SamplerChunk(60, 0, 1, 0, 2)});
  const std::size_t dataStart = 12 + 12 + 24 + 8;  // junk, "fmt " and the data's header
  for (std::size_t length = 12; length <= full.size(); ++length) {
    Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    StoreU32(prefix.data() + 4, static_cast<std::uint32_t>(length - 8));
    Library library;
    Source& source = CreateSource(library, "Cut.wav");
    const ImportOutcome outcome = ImportWave(library, source, ImportView{prefix, 0, nullptr});
    EXPECT_EQ(outcome.imported(), length >= dataStart + 6) << length;
    EXPECT_EQ(library.instruments.size(), length >= dataStart ? 1u : 0u) << length;
  }
}

// Every byte of a valid file set to values that break sizes and counts: whatever is taken or
// refused, nothing may be read outside the file (checked by the sanitizer build).
TEST(WaveCorruption, EveryByteMayBreakWithoutHarm) {
  const Bytes valid = Concat({Riff("WAVE", {FormatChunk(3, 8000, 24), Chunk("data", Bytes(9 * 4)),
                                            SamplerChunk(60, 0, 1, 0, 4), Chunk("odd!", Raw({1}))}),
                              Chunk("LIST", Raw({'I', 'N', 'F', 'O'}))});
  std::size_t taken = 0;
  for (std::size_t at = 0; at < valid.size(); ++at) {
    for (const int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      Bytes file = valid;
      file[at] = static_cast<std::byte>(value);
      Library library;
      Source& source = CreateSource(library, "Broken.wav");
      if (ImportWave(library, source, ImportView{file, 0, nullptr}).imported()) {
        ++taken;
        ASSERT_EQ(library.instruments.size(), 1u);
        for (const Zone& zone : library.instruments[0]->zones) {
          ASSERT_NE(zone.sample, nullptr);
          EXPECT_EQ(zone.sample->data.size(), zone.sample->frames);
        }
      }
    }
  }
  EXPECT_GT(taken, 0u);  // sample values and unused fields change nothing
}

}  // namespace
}  // namespace tolvane
