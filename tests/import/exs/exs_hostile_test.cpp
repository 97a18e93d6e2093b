// Hostile and broken EXS files: every cut length of a real-shaped file in both byte orders, sizes
// past the end, magics lost, indexes out of range, parameter counts that do not fit. Each has a
// clear outcome; none reads outside the bytes (the sanitizer build runs these too).

#include <gtest/gtest.h>

#include <string>

#include "exs_writer.h"
#include "import/exs/exs_import.h"
#include "import/exs/exs_records.h"
#include "import/instrument_files.h"
#include "import/outcome_text.h"
#include "library/library.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::ExsContents;

// Every sample is there, 1000 silent-ish frames, except those named "missing".
class Memory : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    if (!Exists(path)) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = 1;
    sound.frames = 1000;
    sound.values.assign(1000, 5);
    return {std::move(sound), {}};
  }
  bool Exists(const std::string& path) const override {
    return path.find("missing") == std::string::npos;
  }
};

ExsContents Shaped(bool big) {
  ExsContents contents{.big = big, .sizeBit15 = big, .typeFlags = big, .unknownChunk = true};
  contents.groups = {{.linked = -1, .select = 2}, {.linked = 0, .select = 2}};
  contents.zones = {{.keyLow = 0, .keyHigh = 60, .loopEnd = 900, .loopFlags = 1, .group = 0},
                    {.keyLow = 61, .keyHigh = 127, .group = 1, .sample = 0},
                    {.keyLow = 61, .keyHigh = 127, .sample = 1}};
  contents.samples = {{.file = "a.wav", .url = "file:///Users/x/a.wav"}, {.file = "b.wav"}};
  contents.parameters = true;
  contents.values = {{0x07, -6}, {0x52, 40}};
  return contents;
}

struct Imported {
  ImportOutcome outcome{};
  std::size_t zones = 0;
  std::string lines{};
};

Imported Import(std::span<const std::byte> bytes) {
  Library library;
  Source& source = CreateSource(library, "/x/In/Cut.exs");
  FilePlace place;
  place.name = "Cut";
  place.folder = "In/";
  Imported result{ImportExsBytes(library, source, bytes, place, Memory{})};
  for (const auto& instrument : library.instruments) result.zones += instrument->zones.size();
  for (const std::string& line : ImportOutcomeLines(result.outcome, library.instruments.size()))
    result.lines += line + "\n";
  return result;
}

// Where each chunk of `bytes` ends, read from the headers as the format lays them out.
std::vector<std::size_t> ChunkEnds(const Bytes& bytes, bool big) {
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at + 84 <= bytes.size();) {
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < 4; ++i)
      size = (size << 8) | std::to_integer<std::uint32_t>(bytes[at + 4 + (big ? i : 3 - i)]);
    at += 84 + (size & 0x7FFF);
    ends.push_back(at);
  }
  return ends;
}

TEST(ExsHostile, EveryCutLengthInBothByteOrders) {
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    const Bytes whole = testing::WriteExs(Shaped(big));
    const std::vector<std::size_t> ends = ChunkEnds(whole, big);
    ASSERT_EQ(ends.back(), whole.size());
    const Imported full = Import(whole);
    EXPECT_EQ(full.outcome.status, ImportStatus::Imported) << full.lines;
    EXPECT_EQ(full.zones, 2u);  // the second zone is a later round robin
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
      const std::span<const std::byte> bytes(whole.data(), cut);
      const ExsReading reading = ReadExs(bytes);
      const Imported imported = Import(bytes);
      if (cut < 84) {
        ASSERT_FALSE(reading.file) << cut;
        ASSERT_EQ(imported.outcome.status, ImportStatus::NotRecognised) << cut;
        continue;
      }
      ASSERT_TRUE(reading.file) << cut;
      const bool boundary = std::find(ends.begin(), ends.end(), cut) != ends.end();
      ASSERT_EQ(reading.file->damage.empty(), boundary) << cut;
      ASSERT_LE(imported.zones, full.zones) << cut;
      // A cut inside a chunk is damage, whatever was kept before it.
      if (!boundary) {
        ASSERT_EQ(imported.outcome.status, ImportStatus::Damaged) << cut;
      }
      if (imported.outcome.status == ImportStatus::Damaged) {
        ASSERT_FALSE(OutcomeReason(imported.outcome).empty()) << cut;
      }
    }
  }
}

// A byte of the shaped file replaced, or a field rewritten, in both byte orders.
struct Broken {
  const char* what;
  void (*edit)(ExsContents& contents);
  std::size_t patchAt;  // 0: none
  std::uint32_t patch;
  const char* lines;
};

// What the shaped file's second group always adds.
#define LATER "note: 1 zone left out: only the first round robin is kept\n"

TEST(ExsHostile, BrokenFieldsHaveClearOutcomes) {
  const Broken cases[] = {
      {"a size past the end", nullptr, 84 + 88 + 4, 0x7FFFFFF0,
       "damaged: a chunk at byte 172 runs past the file's end; no zone\n"},
      {"a magic lost", nullptr, 84 + 88 + 16, 0x21212121,
       "damaged: a chunk without a valid magic at byte 172; no zone\n"},
      {"a sample number out of range", [](ExsContents& s) { s.zones[2].sample = 7; }, 0, 0,
       "damaged (1 instrument imported): 1 zone left out: the sample named is not in the "
       "file\n" LATER},
      {"a negative sample number", [](ExsContents& s) { s.zones[2].sample = -7; }, 0, 0,
       "damaged (1 instrument imported): 1 zone left out: the sample named is not in the "
       "file\n" LATER},
      {"an ordinal past the samples", [](ExsContents& s) { s.zones[2].sample = -1; }, 0, 0,
       "damaged (1 instrument imported): 1 zone left out: the sample named is not in the "
       "file\n" LATER},
      {"a group out of range", [](ExsContents& s) { s.zones[2].group = 9; }, 0, 0,
       LATER "note: 1 zone played without a group: the one named is not in the file\n"},
      {"a negative group", [](ExsContents& s) { s.zones[2].group = -5; }, 0, 0,
       LATER "note: 1 zone played without a group: the one named is not in the file\n"},
      {"a missing sample", [](ExsContents& s) { s.samples[1].file = "missing.wav"; }, 0, 0,
       "damaged (1 instrument imported): 1 zone left out: sample 'missing.wav' not found\n" LATER},
      {"a file name with folders",
       [](ExsContents& s) { s.samples[1].file = "../../etc/missing.wav"; }, 0, 0,
       "damaged (1 instrument imported): 1 zone left out: sample 'missing.wav' not found\n" LATER},
      {"no zones", [](ExsContents& s) { s.zones.clear(); }, 0, 0, "damaged: no zone\n"},
  };
  for (const bool big : {false, true}) {
    for (const Broken& broken : cases) {
      SCOPED_TRACE(std::string(broken.what) + (big ? ", big-endian" : ", little-endian"));
      ExsContents contents = Shaped(big);
      if (broken.edit != nullptr) broken.edit(contents);
      Bytes bytes = testing::WriteExs(contents);
      if (broken.patchAt != 0) {
        for (std::size_t i = 0; i < 4; ++i) {
          bytes[broken.patchAt + i] =
              static_cast<std::byte>((broken.patch >> (8 * (big ? 3 - i : i))) & 0xFF);
        }
      }
      EXPECT_EQ(Import(bytes).lines, broken.lines);
    }
  }
}
#undef LATER

// The parameter chunk's first count past its body: the table is not read, the rest is.
TEST(ExsHostile, ParameterCountsThatDoNotFitAreNotRead) {
  for (const bool big : {false, true}) {
    Bytes bytes = testing::WriteExs(Shaped(big));
    const std::vector<std::size_t> ends = ChunkEnds(bytes, big);
    // The parameter chunk is the one before the reference chunk, the last.
    const std::size_t body = ends[ends.size() - 3] + 84;
    ASSERT_EQ(ReadExs(bytes).file->parameters->at(0x07), -6);
    for (std::size_t i = 0; i < 4; ++i) bytes[body + i] = std::byte{0x7F};
    const ExsReading reading = ReadExs(bytes);
    ASSERT_TRUE(reading.file);
    EXPECT_TRUE(reading.file->parameters->empty());
    EXPECT_TRUE(reading.file->damage.empty());
  }
}

TEST(ExsHostile, FilesThatAreNoExs) {
  const std::string text =
      "Bleep World: not an instrument at all, but long enough to look at its "
      "sixteenth byte and beyond.";
  const Bytes other(reinterpret_cast<const std::byte*>(text.data()),
                    reinterpret_cast<const std::byte*>(text.data() + text.size()));
  for (const Bytes& bytes : {Bytes{}, Bytes(40, std::byte{1}), other}) {
    EXPECT_EQ(Import(bytes).outcome.status, ImportStatus::NotRecognised);
    EXPECT_FALSE(LooksLikeExs(bytes));
  }
}

TEST(ExsHostile, FileUrls) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"file:///Users/a%20b/c.wav", "/Users/a b/c.wav"},
      {"file://localhost/Users/c.wav", "/Users/c.wav"},
      {"file:///Users/Samples/", "/Users/Samples"},
      {"file:///a%zz%4", "/a%zz%4"},
      {"file://host", std::nullopt},
      {"http://example.com/c.wav", std::nullopt},
  };
  for (const auto& [url, path] : cases) EXPECT_EQ(FileUrlPath(url), path) << url;
}

}  // namespace
}  // namespace tolvane
