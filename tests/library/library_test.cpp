#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "database/sound_database.h"
#include "library/library.h"

namespace tolvane {
namespace {

// Sample data of its own, with a number no other stream of the test has: the key of the samples
// made of it.
struct Stream {
  explicit Stream(std::size_t values, int seed = 1) : bytes(values * 2), number(++made) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::byte>((i * 31 + static_cast<std::size_t>(seed)) & 0xFF);
  }
  std::span<const std::byte> span() const { return bytes; }
  SampleData Values(std::size_t count) const { return SampleData::FromLittleEndian(bytes, count); }
  std::vector<std::byte> bytes;
  std::uint64_t number;
  static inline std::uint64_t made = 0;
};

// A request with the values it hands over.
struct TestRequest : SampleRequest {
  SampleData data;
  // Makes it a 2-channel sample of `left` (this request's stream) and `right`, one plane each.
  void SetPlanes(const Stream& left, const Stream& right) {
    channels = 2;
    key.second = right.number;
    data = SampleData::Planes(left.Values(frames), right.Values(frames));
  }
};

TestRequest Request(std::string_view name, const Stream& stream, std::uint32_t frames,
                    std::uint32_t channels = 1) {
  TestRequest r;
  r.name = name;
  r.key.first = stream.number;
  r.sampleRate = 44100;
  r.channels = channels;
  r.frames = frames;
  r.loopStart = 1;
  r.loopEnd = 2;
  r.rootKey = 60;
  r.data = stream.Values(stream.bytes.size() / 2);
  return r;
}

Sample* AddSample(Instrument& instrument, const TestRequest& request) {
  return tolvane::AddSample(instrument, request, request.data);
}

std::vector<std::string> Names(const std::vector<Instrument*>& list) {
  std::vector<std::string> names;
  for (const auto* i : list) names.push_back(i->name);
  return names;
}

std::vector<std::string> Names(const std::vector<Sample*>& list) {
  std::vector<std::string> names;
  for (const auto* s : list) names.push_back(s->name);
  return names;
}

class LibraryTest : public ::testing::Test {
 protected:
  Instrument* Make(Source& source, std::string_view name) {
    pending_.push_back(CreateInstrument(source, name, name, SoundIdHash(name)));
    return pending_.back().get();
  }
  void AddAll() {
    for (auto& instrument : pending_) AddInstrument(library_, std::move(instrument));
    pending_.clear();
  }
  Library library_;
  std::vector<std::unique_ptr<Instrument>> pending_;
};

TEST_F(LibraryTest, SourcesOrderByBaseNameCaseInsensitivelyLaterEqualsFirst) {
  Source& first = CreateSource(library_, "C:\\Sounds\\Piano.Soft.sf2");
  EXPECT_EQ(first.baseName, "Piano.Soft");
  EXPECT_EQ(first.path, "C:\\Sounds\\Piano.Soft.sf2");
  Source& second = CreateSource(library_, "/other/PIANO.soft.wav");
  Source& drums = CreateSource(library_, "drums.wav");
  Source& none = CreateSource(library_, "noext");
  ASSERT_EQ(library_.sources.size(), 4u);
  EXPECT_EQ(library_.sources[0].get(), &drums);
  EXPECT_EQ(library_.sources[1].get(), &none);
  EXPECT_EQ(library_.sources[2].get(), &second);  // the later equal name stands in front
  EXPECT_EQ(library_.sources[3].get(), &first);
  EXPECT_EQ(none.baseName, "noext");
}

TEST_F(LibraryTest, CreateInstrumentShortensNamesAndTakesRememberedCategory) {
  SoundDatabase database;
  DatabaseSection& section = FindOrCreateSection(database, "bank");
  FindOrCreateEntry(section, "Kick Drum").category = 0x4B43;
  Source& source = CreateSource(library_, "Bank.sf2");
  source.section = &section;

  auto remembered = CreateInstrument(source, "KICK DRUM", "Kick", 7);
  EXPECT_EQ(remembered->category, 0x4B43u);
  EXPECT_EQ(remembered->soundId, 7u);
  EXPECT_EQ(remembered->source, &source);
  EXPECT_FALSE(remembered->averaged);
  EXPECT_EQ(remembered->group, nullptr);

  auto fresh = CreateInstrument(source, "Electric Guitar Clean Long Name", "x", 1);
  EXPECT_EQ(fresh->category, 0x4040u);
  EXPECT_EQ(fresh->importedName, "ElectricGuitarCleanLongNm");

  // The user's choice goes into the instrument and its remembered entry, marked for saving; the
  // next instrument of that name takes it.
  SetInstrumentCategory(*fresh, 0x7840);
  EXPECT_EQ(fresh->category, 0x7840u);
  const DatabaseEntry* entry = FindEntry(section, "ElectricGuitarCleanLongNm");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->category, 0x7840u);
  EXPECT_TRUE(entry->changed);
  EXPECT_FALSE(FindEntry(section, "Kick Drum")->changed);
  EXPECT_EQ(CreateInstrument(source, "Electric Guitar Clean Long Name", "y", 2)->category, 0x7840u);
}

TEST_F(LibraryTest, EqualSampleIsReusedUnchanged) {
  Source& source = CreateSource(library_, "bank.sf2");
  Instrument* piano = Make(source, "Piano");
  const Stream stream(200);
  Sample* first = AddSample(*piano, Request("A", stream, 100));
  ASSERT_NE(first, nullptr);

  TestRequest again = Request("A", stream, 100);
  again.loopStart = 50;
  again.rootKey = 72;
  again.sampleRate = 22050;
  EXPECT_EQ(AddSample(*piano, again), first);
  EXPECT_EQ(first->loopStart, 1u);
  EXPECT_EQ(first->rootKey, 60u);
  EXPECT_EQ(first->sampleRate, 44100u);
  EXPECT_EQ(source.samples.size(), 1u);
}

TEST_F(LibraryTest, SameNameWithOtherOriginFramesOrChannelsMakesNewSampleAfterIt) {
  Source& source = CreateSource(library_, "bank.sf2");
  Instrument* piano = Make(source, "Piano");
  const Stream stream(400), other(400, 7);
  Sample* first = AddSample(*piano, Request("A", stream, 100));
  Sample* byOrigin = AddSample(*piano, Request("A", other, 100));
  Sample* byFrames = AddSample(*piano, Request("A", stream, 99));
  Sample* byChannels = AddSample(*piano, Request("A", stream, 100, 2));
  Sample* before = AddSample(*piano, Request("0", stream, 10));
  Sample* after = AddSample(*piano, Request("B", stream, 10));
  std::vector<Sample*> expected{before, first, byOrigin, byFrames, byChannels, after};
  ASSERT_EQ(source.samples.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(source.samples[i].get(), expected[i]) << i;
}

TEST_F(LibraryTest, StereoSamplesSharingOnlyTheirLeftChannelAreTwoSamples) {
  Source& source = CreateSource(library_, "bank.sf2");
  Instrument* pad = Make(source, "Pad");
  const Stream left(100), right(100, 3), otherRight(100, 5);
  TestRequest first = Request("L", left, 100);
  first.SetPlanes(left, right);
  TestRequest second = first;
  second.SetPlanes(left, otherRight);
  Sample* a = AddSample(*pad, first);
  Sample* b = AddSample(*pad, second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(a->data, b->data);
  EXPECT_TRUE(a->data.planar());
  EXPECT_EQ(AddSample(*pad, first), a);
}

TEST_F(LibraryTest, RefusedSampleRequestsCreateNothing) {
  Source& source = CreateSource(library_, "bank.sf2");
  Instrument* piano = Make(source, "Piano");
  const Stream stream(100);
  TestRequest eightBit = Request("A", stream, 10);
  eightBit.bitsPerSample = 8;
  TestRequest threeChannels = Request("A", stream, 10, 3);
  TestRequest noChannels = Request("A", stream, 10, 0);
  TestRequest tooShort = Request("A", stream, 101);
  TestRequest stereoTooShort = Request("A", stream, 51, 2);
  for (const auto* r : {&eightBit, &threeChannels, &noChannels, &tooShort, &stereoTooShort})
    EXPECT_EQ(AddSample(*piano, *r), nullptr);
  EXPECT_TRUE(source.samples.empty());
  EXPECT_TRUE(source.groups.empty());
  EXPECT_EQ(piano->group, nullptr);
}

TEST_F(LibraryTest, SamplesShareTheValuesTheyAreGivenAndAFoundSampleKeepsItsOwn) {
  Source& source = CreateSource(library_, "bank.sf2");
  Instrument* piano = Make(source, "Piano");
  const SampleData values(std::vector<std::int16_t>{-32767, 2, 32767, -2});
  SampleRequest r;
  r.name = "Whole";
  r.frames = 4;
  Sample* whole = tolvane::AddSample(*piano, r, values);
  r.name = "Looped";  // the same values under another name: a sample of its own, no copy
  Sample* looped = tolvane::AddSample(*piano, r, values);
  ASSERT_NE(whole, nullptr);
  ASSERT_NE(looped, nullptr);
  EXPECT_NE(whole, looped);
  EXPECT_TRUE(whole->data.SharesValuesWith(values));
  EXPECT_TRUE(looped->data.SharesValuesWith(values));

  EXPECT_EQ(FindSample(*piano, r), looped);
  EXPECT_EQ(tolvane::AddSample(*piano, r, SampleData()), looped);  // found: no values needed
  EXPECT_EQ(looped->data, (std::vector<std::int16_t>{-32767, 2, 32767, -2}));
  r.key.first = 1;
  EXPECT_EQ(FindSample(*piano, r), nullptr);
  EXPECT_EQ(tolvane::AddSample(*piano, r, SampleData()), nullptr);  // new, but without values
  EXPECT_EQ(source.samples.size(), 2u);
}

TEST_F(LibraryTest, InstrumentWithoutSharedSamplesHasItsOwnGroup) {
  Source& source = CreateSource(library_, "bank.sf2");
  const Stream a(10), b(10);
  Instrument* one = Make(source, "One");
  Instrument* two = Make(source, "Two");
  AddSample(*one, Request("a", a, 5));
  AddSample(*two, Request("b", b, 5));
  ASSERT_EQ(source.groups.size(), 2u);
  EXPECT_EQ(one->group, source.groups[0].get());
  EXPECT_EQ(two->group, source.groups[1].get());
  EXPECT_EQ(one->group->collectionNumber, 0u);
  EXPECT_EQ(Names(one->group->instruments), std::vector<std::string>{"One"});
}

TEST_F(LibraryTest, SharingJoinsAndMergesGroups) {
  Source& source = CreateSource(library_, "bank.sf2");
  const Stream shared1(10), shared2(10), own(10), other(10);
  Instrument* zither = Make(source, "Zither");
  Instrument* piano = Make(source, "piano");
  Instrument* bass = Make(source, "Bass");
  Instrument* organ = Make(source, "Organ");

  AddSample(*zither, Request("s1", shared1, 5));
  AddSample(*piano, Request("s1", shared1, 5));  // piano joins zither's group
  AddSample(*piano, Request("Own", own, 5));     // a new sample joins piano's group
  AddSample(*organ, Request("s2", shared2, 5));  // organ: a group of its own
  AddSample(*bass, Request("other", other, 5));  // bass: another group
  AddSample(*bass, Request("s2", shared2, 5));   // bass's group merges into organ's
  ASSERT_EQ(source.groups.size(), 2u);
  SampleGroup* first = source.groups[0].get();
  SampleGroup* second = source.groups[1].get();
  EXPECT_EQ(Names(first->instruments), (std::vector<std::string>{"piano", "Zither"}));
  EXPECT_EQ(Names(first->samples), (std::vector<std::string>{"Own", "s1"}));
  EXPECT_EQ(Names(second->instruments), (std::vector<std::string>{"Bass", "Organ"}));
  EXPECT_EQ(Names(second->samples), (std::vector<std::string>{"other", "s2"}));
  EXPECT_EQ(bass->group, second);

  // Zither now shares with organ's group: the first group merges into the second and is freed.
  AddSample(*zither, Request("s2", shared2, 5));
  ASSERT_EQ(source.groups.size(), 1u);
  SampleGroup* merged = source.groups[0].get();
  EXPECT_EQ(merged, second);
  EXPECT_EQ(Names(merged->instruments),
            (std::vector<std::string>{"Bass", "Organ", "piano", "Zither"}));
  EXPECT_EQ(Names(merged->samples), (std::vector<std::string>{"other", "Own", "s1", "s2"}));
  for (Sample* s : merged->samples) EXPECT_EQ(s->group, merged);
  for (Instrument* i : merged->instruments) EXPECT_EQ(i->group, merged);

  // Library order is byte order ("piano" after "Zither"); group order is case-insensitive.
  AddAll();
  std::vector<std::string> libraryOrder;
  for (const auto& i : library_.instruments) libraryOrder.push_back(i->name);
  EXPECT_EQ(libraryOrder, (std::vector<std::string>{"Bass", "Organ", "Zither", "piano"}));
}

TEST_F(LibraryTest, EqualNamesKeepArrivalOrderInLibraryAndGroup) {
  Source& source = CreateSource(library_, "bank.sf2");
  const Stream s(10);
  Instrument* a = Make(source, "Same");
  Instrument* b = Make(source, "SAME");
  Instrument* c = Make(source, "Same");
  for (Instrument* i : {a, b, c}) AddSample(*i, Request("x", s, 5));
  EXPECT_EQ(a->group->instruments, (std::vector<Instrument*>{a, b, c}));
  AddAll();
  ASSERT_EQ(library_.instruments.size(), 3u);
  EXPECT_EQ(library_.instruments[0].get(), b);  // "SAME" < "Same" in byte order
  EXPECT_EQ(library_.instruments[1].get(), a);
  EXPECT_EQ(library_.instruments[2].get(), c);
}

TEST_F(LibraryTest, StatsCountGroupSamplesAndTwoBytesPerFrame) {
  Source& source = CreateSource(library_, "bank.sf2");
  const Stream stereo(2000), mono(500);
  Instrument* a = Make(source, "A");
  Instrument* b = Make(source, "B");
  Instrument* empty = Make(source, "Empty");
  AddSample(*a, Request("stereo", stereo, 1000, 2));
  AddSample(*b, Request("stereo", stereo, 1000, 2));
  AddSample(*b, Request("mono", mono, 500));
  Zone zone;
  AddZone(*a, zone);

  const InstrumentStats stats = GetInstrumentStats(*a);
  EXPECT_EQ(stats.sampleCount, 2u);  // also the sample only B plays
  EXPECT_EQ(stats.sampleBytes, 2000u + 1000u);
  EXPECT_EQ(stats.zoneCount, 1u);
  EXPECT_EQ(stats.source, &source);
  EXPECT_EQ(stats.group, a->group);
  EXPECT_EQ(stats.category, 0x4040u);

  const InstrumentStats none = GetInstrumentStats(*empty);
  EXPECT_EQ(none.group, nullptr);
  EXPECT_EQ(none.sampleCount, 0u);
  EXPECT_EQ(none.sampleBytes, 0u);
}

TEST_F(LibraryTest, AddZoneOrdersByKeyLowAndPutsEqualVelocityInFront) {
  auto instrument = CreateInstrument(CreateSource(library_, "x.wav"), "i", "i", 0);
  const auto zone = [](std::uint8_t keyLow, std::uint8_t velLow, std::int32_t tag) {
    Zone z;
    z.mapping.keyLow = keyLow;
    z.mapping.velLow = velLow;
    z.mapping.startOffset = tag;
    return z;
  };
  AddZone(*instrument, zone(60, 0, 1));
  AddZone(*instrument, zone(40, 0, 2));
  AddZone(*instrument, zone(60, 64, 3));  // same keyLow, other velLow: after the first
  AddZone(*instrument, zone(200, 0, 4));  // unsigned comparison
  AddZone(*instrument, zone(60, 0, 5));   // same keyLow and velLow: directly in front of tag 1
  AddZone(*instrument, zone(60, 64, 6));  // in front of tag 3
  std::vector<std::int32_t> order;
  for (const Zone& z : instrument->zones) order.push_back(z.mapping.startOffset);
  EXPECT_EQ(order, (std::vector<std::int32_t>{2, 5, 1, 6, 3, 4}));
}

TEST_F(LibraryTest, DestroyInstrumentFreesEmptyGroupOnly) {
  Source& source = CreateSource(library_, "bank.sf2");
  const Stream s(10), t(10);
  Instrument* a = Make(source, "A");
  Instrument* b = Make(source, "B");
  Instrument* alone = Make(source, "Alone");
  Sample* shared = AddSample(*a, Request("s", s, 5));
  AddSample(*b, Request("s", s, 5));
  Sample* own = AddSample(*alone, Request("t", t, 5));
  ASSERT_EQ(source.groups.size(), 2u);

  DestroyInstrument(*a);
  EXPECT_EQ(source.groups.size(), 2u);
  EXPECT_EQ(shared->group, b->group);
  DestroyInstrument(*alone);
  EXPECT_EQ(source.groups.size(), 1u);
  EXPECT_EQ(own->group, nullptr);
  EXPECT_EQ(source.samples.size(), 2u);  // samples stay with the source
}

TEST_F(LibraryTest, ClearLibraryEmptiesEverythingButDatabase) {
  SoundDatabase database;
  Source& source = CreateSource(library_, "bank.sf2");
  source.section = &FindOrCreateSection(database, source.baseName);
  const Stream s(10);
  Instrument* a = Make(source, "A");
  AddSample(*a, Request("s", s, 5));
  AddAll();
  ClearLibrary(library_);
  EXPECT_TRUE(library_.instruments.empty());
  EXPECT_TRUE(library_.sources.empty());
  ASSERT_EQ(database.sections.size(), 1u);
  EXPECT_EQ(database.sections[0]->name, "bank");
}

}  // namespace
}  // namespace tolvane
