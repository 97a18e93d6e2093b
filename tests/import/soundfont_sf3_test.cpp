// Compressed banks (SoundFont 3): tones made in the test, encoded with libvorbisenc, read back as
// the same bank stored plainly reads; damaged streams; the Debian banks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/mapped_file.h"
#include "database/sound_database.h"
#include "import/chunk_walker.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_streams.h"
#include "import/soundfont/vorbis_decode.h"
#include "riff_builder.h"
#include "soundfont_builder.h"
#include "vorbis_encoder.h"

namespace tolvane {
namespace {

using namespace testing;  // the bank builder and the encoder

using Values16 = std::vector<std::int16_t>;

enum class Shape { kSine, kSquare };

// A tone at half of full scale as 16-bit mono values.
Values16 Tone(Shape shape, double frequency, int rate, double seconds) {
  Values16 values(static_cast<std::size_t>(std::lround(rate * seconds)));
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double phase = frequency * static_cast<double>(i) / rate;
    const double value = shape == Shape::kSine             ? std::sin(2 * 3.141592653589793 * phase)
                         : phase - std::floor(phase) < 0.5 ? 1.0
                                                           : -1.0;
    values[i] = static_cast<std::int16_t>(std::lround(value * 0.5 * 32767));
  }
  return values;
}

// Signal to error, in dB, of `decoded` against `original`.
double SignalToError(const Values16& original, const Values16& decoded) {
  double signal = 0;
  double error = 0;
  for (std::size_t i = 0; i < original.size() && i < decoded.size(); ++i) {
    const double value = original[i];
    const double difference = value - decoded[i];
    signal += value * value;
    error += difference * difference;
  }
  return 10 * std::log10(signal / std::max(error, 1.0));
}

// One channel of a sample's interleaved values.
Values16 Channel(const Sample& sample, std::uint32_t channel) {
  Values16 out;
  for (std::size_t i = channel; i < sample.data.size(); i += sample.channels)
    out.push_back(sample.data[i]);
  return out;
}

// Three tones: a looped mono one and a linked stereo pair.
class Sf3Tones : public ::testing::Test {
 protected:
  void SetUp() override {
    mono = Tone(Shape::kSine, 440, 22050, 0.3);
    left = Tone(Shape::kSine, 330, 32000, 0.25);
    right = Tone(Shape::kSquare, 660, 32000, 0.25);
  }

  // The sample `values` as a plain or a compressed bank holds it.
  static std::uint16_t Add(BankBuilder& b, bool compressed, std::string name,
                           const Values16& values, std::uint32_t loopStart, std::uint32_t loopEnd,
                           std::uint16_t type = kMono, std::uint16_t link = 0) {
    if (!compressed)
      return b.AddSampleValues(std::move(name), values, loopStart, loopEnd, type, link);
    return b.AddCompressedData(std::move(name), EncodeVorbis(values, 22050), loopStart, loopEnd,
                               type, link);
  }

  // A flute on the mono tone (two instruments share it) and strings on the pair, folded into
  // one stereo zone.
  Bytes Bank(bool compressed) const {
    BankBuilder b;
    const auto flute = Add(b, compressed, "Flute A4", mono, 1000, 5000);
    const auto l = Add(b, compressed, "Str L", left, 100, 7000, kLeft, 2);
    const auto r = Add(b, compressed, "Str R", right, 100, 7000, kRight, 1);
    b.headers[l].sampleRate = b.headers[r].sampleRate = 32000;
    b.AddInstrument("Flute");
    b.AddZone(flute, {{kKeyRange, Range(0, 80)}, {kSampleModes, 1}});
    b.AddInstrument("Flute Soft");
    b.AddZone(flute, {{kAttenuation, 100}});
    b.AddInstrument("Strings");
    b.AddZone(l, {{kPan, Amount(-500)}});
    b.AddZone(r, {{kPan, Amount(500)}});
    b.Finish();
    return b.Build();
  }

  TempFolder folder{"sf3"};
  Values16 mono, left, right;
};

TEST_F(Sf3Tones, ACompressedBankReadsAsTheSameBankStoredPlainly) {
  const Imported plain(Bank(false), "C:\\Banks\\Tones.sf2");
  const Imported compressed(Bank(true), "C:\\Banks\\Tones.sf3");
  ASSERT_TRUE(plain.outcome.imported()) << OutcomeReason(plain.outcome);
  ASSERT_TRUE(compressed.outcome.imported()) << OutcomeReason(compressed.outcome);
  ASSERT_EQ(compressed.Names(), plain.Names());
  ASSERT_EQ(compressed.Names().size(), 3u);

  for (std::size_t i = 0; i < plain.library.instruments.size(); ++i) {
    const Instrument& p = *plain.library.instruments[i];
    const Instrument& c = *compressed.library.instruments[i];
    SCOPED_TRACE(p.name);
    EXPECT_EQ(c.soundId, p.soundId);
    ASSERT_EQ(c.zones.size(), p.zones.size());
    for (std::size_t z = 0; z < p.zones.size(); ++z) {
      EXPECT_EQ(c.zones[z].mapping, p.zones[z].mapping);
      EXPECT_EQ(c.zones[z].parameters, p.zones[z].parameters);
      const Sample& ps = *p.zones[z].sample;
      const Sample& cs = *c.zones[z].sample;
      EXPECT_EQ(cs.name, ps.name);
      EXPECT_EQ(cs.channels, ps.channels);
      EXPECT_EQ(cs.sampleRate, ps.sampleRate);
      EXPECT_EQ(cs.frames, ps.frames);  // decoded frames, not the stream's bytes
      EXPECT_EQ(cs.loopStart, ps.loopStart);
      EXPECT_EQ(cs.loopEnd, ps.loopEnd);
      EXPECT_EQ(cs.rootKey, ps.rootKey);
      for (std::uint32_t channel = 0; channel < ps.channels; ++channel)
        EXPECT_GT(SignalToError(Channel(ps, channel), Channel(cs, channel)), 25.0);
    }
  }
  // Shared samples stay shared: the two flutes form one collection in both.
  EXPECT_EQ(compressed.source.samples.size(), plain.source.samples.size());
  EXPECT_EQ(compressed.source.groups.size(), plain.source.groups.size());
  const Instrument* strings = compressed.Find("Strings");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->zones.size(), 1u);
  EXPECT_EQ(strings->zones[0].mapping.flags & ZoneStereo, ZoneStereo);
}

TEST_F(Sf3Tones, ABankMixingCompressedAndPlainSamplesReadsBoth) {
  BankBuilder b;
  const auto plainFlute = Add(b, false, "Flute plain", mono, 10, 20);
  const auto packedFlute = Add(b, true, "Flute packed", mono, 10, 20);
  // A pair of one plain and one compressed channel still has equal lengths and loops.
  const auto l = Add(b, false, "Str L", left, 100, 7000, kLeft, 3);
  const auto r = Add(b, true, "Str R", right, 100, 7000, kRight, 2);
  b.AddInstrument("Flutes");
  b.AddZone(plainFlute, {{kKeyRange, Range(0, 59)}});
  b.AddZone(packedFlute, {{kKeyRange, Range(60, 127)}});
  b.AddInstrument("Strings");
  b.AddZone(l, {{kPan, Amount(-500)}});
  b.AddZone(r, {{kPan, Amount(500)}});
  b.Finish();
  const Imported bank(b.Build());
  ASSERT_TRUE(bank.outcome.imported()) << OutcomeReason(bank.outcome);

  const Instrument* flutes = bank.Find("Flutes");
  ASSERT_NE(flutes, nullptr);
  ASSERT_EQ(flutes->zones.size(), 2u);
  EXPECT_EQ(flutes->zones[0].sample->data, mono);  // plain data is copied exactly
  EXPECT_EQ(flutes->zones[1].sample->frames, mono.size());
  const SampleData& decoded = flutes->zones[1].sample->data;
  EXPECT_GT(SignalToError(mono, Values16(decoded.begin(), decoded.end())), 25.0);
  const Instrument* strings = bank.Find("Strings");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->zones.size(), 1u);
  const Sample& pair = *strings->zones[0].sample;
  ASSERT_EQ(pair.channels, 2u);
  EXPECT_EQ(Channel(pair, 0), left);
  EXPECT_GT(SignalToError(right, Channel(pair, 1)), 25.0);
}

// The values of one stream, once taken by a sample or interleaved into one, are read again from
// it or decoded again: the same header played mono, in a pair, and the pair asked for again.
TEST_F(Sf3Tones, AStreamPlayedInSeveralWaysGivesTheSameValuesEachTime) {
  BankBuilder b;
  const auto l = Add(b, true, "Str L", left, 100, 7000, kLeft, 1);
  const auto r = Add(b, true, "Str R", right, 100, 7000, kRight, 0);
  b.headers.push_back(b.headers[l]);  // a mono header on the left stream
  b.headers.back().name = "Str mono";
  b.headers.back().type = kMono | kCompressed;
  b.headers.back().link = 0;
  const auto m = static_cast<std::uint16_t>(b.headers.size() - 1);
  for (const char* name : {"A Pair", "B Mono", "C Right", "D Mono again", "E Pair again"}) {
    b.AddInstrument(name);
    if (name[0] == 'A' || name[0] == 'E') b.AddZone(l);
    if (name[0] == 'B' || name[0] == 'D') b.AddZone(m);
    if (name[0] == 'C' || name[0] == 'E') b.AddZone(r);
  }
  b.Finish();
  const Bytes bytes = b.Build();
  const Imported bank(bytes);
  ASSERT_TRUE(bank.outcome.imported()) << OutcomeReason(bank.outcome);

  const Values16 leftDecoded = DecodeVorbis(EncodeVorbis(left, 22050)).values;
  const Values16 rightDecoded = DecodeVorbis(EncodeVorbis(right, 22050)).values;
  ASSERT_EQ(bank.source.samples.size(), 2u);  // the pair and the mono sample
  const Sample* pair = bank.Find("A Pair")->zones[0].sample;
  const Sample* single = bank.Find("B Mono")->zones[0].sample;
  EXPECT_EQ(Channel(*pair, 0), leftDecoded);
  EXPECT_EQ(Channel(*pair, 1), rightDecoded);
  EXPECT_EQ(single->data, leftDecoded);
  EXPECT_EQ(bank.Find("C Right")->zones[0].sample, pair);
  EXPECT_EQ(bank.Find("D Mono again")->zones[0].sample, single);
  EXPECT_EQ(bank.Find("E Pair again")->zones[0].sample, pair);
}

TEST_F(Sf3Tones, DamagedStreamsLeaveOutTheirZonesWithTheReason) {
  const Bytes good = EncodeVorbis(mono, 22050);
  // A stream of several audio pages, the one before the last damaged: its CRC fails.
  Values16 longer;
  for (int i = 0; i < 8; ++i) longer.insert(longer.end(), right.begin(), right.end());
  Bytes damagedPage = EncodeVorbis(longer, 22050);
  std::vector<std::size_t> pages;
  for (std::size_t at = 0; at + 4 <= damagedPage.size(); ++at) {
    if (LoadU32(damagedPage.data() + at) == FourCC("OggS")) pages.push_back(at);
  }
  ASSERT_GE(pages.size(), 5u);  // identification, comments and codebooks, then audio
  damagedPage[(pages[pages.size() - 2] + pages.back()) / 2] ^= std::byte{0x5A};
  const Values16 silence(0);
  Values16 stereo;
  for (const std::int16_t v : left) stereo.insert(stereo.end(), {v, v});
  const struct {
    const char* what;
    Bytes stream;
    std::string_view reason;
    std::int64_t end = -1;  // replaces the header's end when set
  } cases[] = {
      {"not Ogg at all", Bytes(300, std::byte{0x4F}), kVorbisUndecodable},
      {"a damaged page", damagedPage, kVorbisUndecodable},
      {"headers only", EncodeVorbis(silence, 22050), kVorbisEmpty},
      {"two channels", EncodeVorbis(stereo, 22050, 2), kVorbisNotMono},
      {"past the chunk", good, kStreamOutside, 1 << 30},
      {"empty", good, kStreamOutside, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BankBuilder b;
    const auto fine = b.AddCompressedData("Fine", good, 0, 0);
    const auto bad = b.AddCompressedData("Bad", c.stream, 0, 0);
    // A pair whose right channel is the bad stream: without its length there is no pair.
    const auto pairLeft = b.AddCompressedData("Left", good, 0, 0, kLeft, bad);
    b.headers[bad].type = kRight | kCompressed;
    b.headers[bad].link = pairLeft;
    if (c.end >= 0)
      b.headers[bad].end = c.end == 0 ? b.headers[bad].start : static_cast<std::uint32_t>(c.end);
    b.AddInstrument("Good");
    b.AddZone(fine);
    b.AddInstrument("Bad");
    b.AddZone(bad);
    b.AddInstrument("Pair");
    b.AddZone(pairLeft, {{kPan, Amount(-500)}});
    b.Finish();
    const Imported bank(b.Build());
    EXPECT_EQ(bank.outcome.status, ImportStatus::Damaged);
    EXPECT_EQ(OutcomeReason(bank.outcome), "2 zones left out: " + std::string(c.reason));
    EXPECT_EQ(bank.Names(), std::vector<std::string>{"Test_Good"});
  }
}

TEST_F(Sf3Tones, DecodingInParallelGivesWhatDecodingOneByOneGives) {
  std::vector<Bytes> encoded;
  for (int i = 0; i < 9; ++i) {
    const Values16 part(mono.begin(), mono.begin() + 500 * (i + 1));
    encoded.push_back(EncodeVorbis(part, 22050));
  }
  encoded.push_back(Bytes(100, std::byte{1}));
  std::vector<std::span<const std::byte>> streams(encoded.begin(), encoded.end());
  std::uint64_t total = 0;
  std::vector<DecodedVorbis> one;
  for (const auto stream : streams) {
    one.push_back(DecodeVorbis(stream));
    total += 2 * one.back().values.size();
  }
  EXPECT_EQ(one[8].values.size(), 4500u);

  const std::vector<DecodedVorbis> parallel = DecodeVorbisStreams(streams, total);
  ASSERT_EQ(parallel.size(), one.size());
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(parallel[i].values, one[i].values) << i;
    EXPECT_EQ(parallel[i].failure, one[i].failure) << i;
  }
  // One value over the bank's bound fails every stream, whatever the threads got to.
  for (const DecodedVorbis& result : DecodeVorbisStreams(streams, total - 2))
    EXPECT_EQ(result.failure, kVorbisTooMuch);
  // One stream's own bound.
  EXPECT_EQ(DecodeVorbis(streams[0], 499).failure, kVorbisTooLong);
  EXPECT_EQ(DecodeVorbis(streams[0], 500).values.size(), 500u);
}

// Each decoded stream is a step; a cancel stops the streams not yet begun.
TEST_F(Sf3Tones, DecodingReportsEachStreamAndStopsWhenCancelled) {
  struct Progress : WorkProgress {
    void Step(std::string_view what, std::size_t done, std::size_t total) override {
      const std::lock_guard lock(mutex);
      if (what == kVorbisStep && total == 6) seen.insert(done);
    }
    bool Cancelled() const override { return cancel; }
    std::mutex mutex;
    std::set<std::size_t> seen;
    bool cancel = false;
  };
  std::vector<Bytes> encoded(6, EncodeVorbis(Values16(mono.begin(), mono.begin() + 800), 22050));
  const std::vector<std::span<const std::byte>> streams(encoded.begin(), encoded.end());
  Progress counting;
  for (const DecodedVorbis& result : DecodeVorbisStreams(streams, 1u << 20, &counting))
    EXPECT_EQ(result.values.size(), 800u);
  EXPECT_EQ(counting.seen, (std::set<std::size_t>{1, 2, 3, 4, 5, 6}));

  Progress cancelled;
  cancelled.cancel = true;
  for (const DecodedVorbis& result : DecodeVorbisStreams(streams, 1u << 20, &cancelled))
    EXPECT_EQ(result.failure, kVorbisCancelled);
  EXPECT_TRUE(cancelled.seen.empty());
}

// The compressed banks Debian ships, when installed: every instrument, no zone left out, and
// every loop inside its decoded sample, as the headers store it.
TEST(Sf3DebianBanks, ImportWhole) {
  const struct {
    const char* path;
    std::size_t instruments;
  } banks[] = {
      {"/usr/share/sounds/sf3/MuseScore_General.sf3", 205},  // musescore-general-soundfont-small
      {"/usr/share/sounds/sf3/FluidR3Mono_GM.sf3", 203},     // fluidr3mono-gm-soundfont
  };
  for (const auto& bank : banks) {
    SCOPED_TRACE(bank.path);
    if (!std::filesystem::exists(bank.path)) continue;
    Library library;
    SoundDatabase database;
    const ImportOutcome outcome = ImportFile(library, database, bank.path);
    EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
    EXPECT_EQ(library.instruments.size(), bank.instruments);

    const auto file = MappedFile::Open(bank.path);
    ASSERT_TRUE(file);
    ChunkWalkContext context;
    context.base = file->bytes();
    for (std::size_t at = 12; at + 12 <= context.base.size();) {
      const std::size_t end = at + 8 + LoadU32(context.base.data() + at + 4);
      const std::uint32_t list = LoadU32(context.base.data() + at + 8);
      const ChunkTable table = list == FourCC("sdta")   ? ChunkTable(kSdtaChunkTable)
                               : list == FourCC("pdta") ? ChunkTable(kPdtaChunkTable)
                                                        : ChunkTable();
      ASSERT_TRUE(WalkChunks(context, at + 12, end, table));
      at = end;
    }
    const SoundFontRecords records(context);
    DecodedStreams streams(records);
    std::size_t compressed = 0;
    for (std::size_t i = 0; i < records.sampleHeaderCount(); ++i) {
      const auto header = records.SampleHeader(i);
      if (!header->compressed()) continue;
      ++compressed;
      const DecodedStream& stream = streams.Find(i, *header);
      EXPECT_EQ(stream.failure, "") << header->name;
      EXPECT_LE(header->loopStart, header->loopEnd) << header->name;
      EXPECT_LE(header->loopEnd, stream.frames) << header->name;
    }
    EXPECT_GT(compressed, 1000u);
  }
}

}  // namespace
}  // namespace tolvane
