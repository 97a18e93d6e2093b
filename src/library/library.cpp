#include "library/library.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "base/text_order.h"
#include "database/sound_database.h"

namespace tolvane {
namespace {

// Position after every element that does not sort after `key`: the place for a newcomer that
// goes behind its equals.
template <typename Range, typename Key, typename Compare>
auto InsertionPointAfterEquals(Range& range, const Key& key, Compare compare) {
  return std::upper_bound(range.begin(), range.end(), key, [&](const Key& k, const auto& element) {
    return compare(k, element) < 0;
  });
}

void InsertSampleInGroup(SampleGroup& group, Sample* sample) {
  const auto at = InsertionPointAfterEquals(
      group.samples, std::string_view(sample->name),
      [](std::string_view name, const Sample* s) { return CompareCaseInsensitive(name, s->name); });
  group.samples.insert(at, sample);
  sample->group = &group;
}

void InsertInstrumentInGroup(SampleGroup& group, Instrument* instrument) {
  const auto at = InsertionPointAfterEquals(group.instruments, std::string_view(instrument->name),
                                            [](std::string_view name, const Instrument* i) {
                                              return CompareCaseInsensitive(name, i->name);
                                            });
  group.instruments.insert(at, instrument);
  instrument->group = &group;
}

// Moves every member of `from` into `into` by the usual insertion rules, samples first, and
// drops `from` from the source's group list.
void MergeGroups(Source& source, SampleGroup& from, SampleGroup& into) {
  for (Sample* sample : from.samples) InsertSampleInGroup(into, sample);
  for (Instrument* instrument : from.instruments) InsertInstrumentInGroup(into, instrument);
  auto& groups = source.groups;
  groups.erase(
      std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.get() == &from; }));
}

void JoinGroup(Source& source, Instrument& instrument, Sample& sample) {
  SampleGroup* const instrumentGroup = instrument.group;
  SampleGroup* const sampleGroup = sample.group;
  if (sampleGroup == nullptr && instrumentGroup == nullptr) {
    auto& group = *source.groups.emplace_back(std::make_unique<SampleGroup>());
    group.samples.push_back(&sample);
    group.instruments.push_back(&instrument);
    sample.group = &group;
    instrument.group = &group;
  } else if (sampleGroup == nullptr) {
    InsertSampleInGroup(*instrumentGroup, &sample);
  } else if (instrumentGroup == nullptr) {
    InsertInstrumentInGroup(*sampleGroup, &instrument);
  } else if (instrumentGroup != sampleGroup) {
    MergeGroups(source, *instrumentGroup, *sampleGroup);
  }
}

struct KeyLowLess {
  bool operator()(const Zone& z, std::uint8_t key) const { return z.mapping.keyLow < key; }
  bool operator()(std::uint8_t key, const Zone& z) const { return key < z.mapping.keyLow; }
};

// The ShortenableLetters set: '0' and the vowels except 'Y'/'y', as sixteen masks by upper
// nibble.
constexpr std::uint16_t kShortenableMasks[16] = {0, 0, 0, 0x0001, 0x8222, 0x0020, 0x8222, 0x0020,
                                                 0, 0, 0, 0,      0,      0,      0,      0};

bool IsShortenable(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (kShortenableMasks[u >> 4] >> (u & 0x0F)) & 1;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

Library& Library::operator=(Library&& other) noexcept {
  if (this == &other) return *this;
  ClearLibrary(*this);
  sources = std::move(other.sources);
  instruments = std::move(other.instruments);
  return *this;
}

Library::~Library() {
  ClearLibrary(*this);
}

std::string BaseNameOf(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (const auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

Source& CreateSource(Library& library, std::string_view path) {
  return CreateSource(library, path, BaseNameOf(path));
}

Source& CreateSource(Library& library, std::string_view path, std::string_view baseName) {
  auto source = std::make_unique<Source>();
  source->path = std::string(path);
  source->baseName = std::string(baseName);
  // In front of the first source whose name is not less: before any of equal name.
  auto& sources = library.sources;
  const auto at = std::lower_bound(sources.begin(), sources.end(), source->baseName,
                                   [](const std::unique_ptr<Source>& s, const std::string& name) {
                                     return CompareCaseInsensitive(s->baseName, name) < 0;
                                   });
  return **sources.insert(at, std::move(source));
}

std::unique_ptr<Instrument> CreateInstrument(Source& source, std::string_view importedName,
                                             std::string_view displayName, std::uint32_t soundId) {
  auto instrument = std::make_unique<Instrument>();
  instrument->soundId = soundId;
  instrument->source = &source;
  instrument->name = ShortenName(displayName, kInstrumentNameLength);
  instrument->importedName = ShortenName(importedName, kInstrumentNameLength);
  instrument->foundName = std::string(importedName);
  instrument->section = source.section;
  if (source.section != nullptr) {
    if (const DatabaseEntry* entry = FindEntry(*source.section, instrument->importedName))
      instrument->category = entry->category;
  }
  return instrument;
}

void SetInstrumentCategory(Instrument& instrument, std::uint32_t category) {
  instrument.category = category;
  if (instrument.section == nullptr) return;
  DatabaseEntry& entry = FindOrCreateEntry(*instrument.section, instrument.importedName);
  entry.category = category;
  entry.changed = true;
}

namespace {

// The run of the source's samples named `name` (byte order keeps equal names together), and the
// equal sample in it if there is one.
struct SampleSearch {
  std::vector<std::unique_ptr<Sample>>::iterator runEnd;
  Sample* found = nullptr;
};

SampleSearch SearchSample(Source& source, const SampleRequest& request) {
  auto& samples = source.samples;
  auto at = std::lower_bound(samples.begin(), samples.end(), request.name,
                             [](const std::unique_ptr<Sample>& s, std::string_view name) {
                               return CompareBytes(s->name, name) < 0;
                             });
  for (; at != samples.end() && CompareBytes((*at)->name, request.name) == 0; ++at) {
    Sample& s = **at;
    if (s.key == request.key && s.frames == request.frames && s.channels == request.channels)
      return {at, &s};
  }
  return {at, nullptr};
}

bool CanHold(const SampleRequest& request) {
  return request.bitsPerSample == 16 && (request.channels == 1 || request.channels == 2);
}

}  // namespace

Sample* FindSample(const Instrument& instrument, const SampleRequest& request) {
  if (!CanHold(request)) return nullptr;
  return SearchSample(*instrument.source, request).found;
}

Sample* AddSample(Instrument& instrument, const SampleRequest& request, SampleData data) {
  if (!CanHold(request)) return nullptr;
  Source& source = *instrument.source;
  SampleSearch search = SearchSample(source, request);
  Sample* sample = search.found;
  if (sample == nullptr) {
    if (data.size() < std::uint64_t{request.frames} * request.channels) return nullptr;
    auto made = std::make_unique<Sample>();
    made->name = std::string(request.name);
    made->key = request.key;
    made->sampleRate = request.sampleRate;
    made->channels = request.channels;
    made->frames = request.frames;
    const LoopPoints loop = ClampLoop(request.frames, request.loopStart, request.loopEnd);
    made->loopStart = loop.start;
    made->loopEnd = loop.end;
    made->rootKey = ClampRootKey(request.rootKey);
    made->pitchCorrection = request.pitchCorrection;
    made->rootKeyGiven = request.rootKeyGiven;
    made->data = std::move(data);
    // Behind its equals: `runEnd` ends the run of equal names.
    sample = source.samples.insert(search.runEnd, std::move(made))->get();
  }
  JoinGroup(source, instrument, *sample);
  return sample;
}

void AddZone(Instrument& instrument, const Zone& zone) {
  // Zones stay ordered by keyLow, so the run of equal keyLow is found by binary search; within
  // it the zone goes in front of the first of equal velLow, else at the run's end.
  auto& zones = instrument.zones;
  const std::uint8_t keyLow = zone.mapping.keyLow;
  const auto run = std::equal_range(zones.begin(), zones.end(), keyLow, KeyLowLess{});
  const auto at = std::find_if(run.first, run.second, [&](const Zone& z) {
    return z.mapping.velLow == zone.mapping.velLow;
  });
  zones.insert(at, zone);
}

Instrument& AddInstrument(Library& library, std::unique_ptr<Instrument> instrument) {
  auto& instruments = library.instruments;
  const auto at =
      std::upper_bound(instruments.begin(), instruments.end(), instrument->name,
                       [](const std::string& name, const std::unique_ptr<Instrument>& i) {
                         return CompareBytes(name, i->name) < 0;
                       });
  return **instruments.insert(at, std::move(instrument));
}

InstrumentStats GetInstrumentStats(const Instrument& instrument) {
  InstrumentStats stats;
  stats.source = instrument.source;
  stats.group = instrument.group;
  stats.category = instrument.category;
  stats.zoneCount = instrument.zones.size();
  if (instrument.group != nullptr) {
    stats.sampleCount = instrument.group->samples.size();
    // Two bytes a frame whatever the channel count: the size the list has always shown.
    for (const Sample* sample : instrument.group->samples)
      stats.sampleBytes += 2ull * sample->frames;
  }
  return stats;
}

void DestroyInstrument(Instrument& instrument) {
  instrument.zones.clear();
  SampleGroup* const group = instrument.group;
  if (group == nullptr) return;
  auto& members = group->instruments;
  const auto member = std::find(members.begin(), members.end(), &instrument);
  if (member == members.end()) return;
  members.erase(member);
  instrument.group = nullptr;
  if (!members.empty()) return;

  auto& groups = instrument.source->groups;
  const auto owned =
      std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.get() == group; });
  if (owned == groups.end()) return;
  for (Sample* sample : group->samples) sample->group = nullptr;
  groups.erase(owned);
}

void ClearLibrary(Library& library) {
  for (auto& instrument : library.instruments) DestroyInstrument(*instrument);
  library.instruments.clear();
  library.sources.clear();
}

std::string ShortenName(std::string_view name, std::size_t n) {
  const std::size_t length = name.size();
  if (length <= n) return std::string(name);

  // The tail: a trailing number, with one more character after it when the number ends at the
  // second-last character ('2L' in 'Piano 2L').
  std::size_t tailStart = length;
  if (length >= 2 && IsDigit(name[length - 2])) {
    tailStart = length - 2;
    while (tailStart > 0 && IsDigit(name[tailStart - 1])) --tailStart;
  } else {
    while (tailStart > 0 && IsDigit(name[tailStart - 1])) --tailStart;
  }
  const std::size_t tailLength = length - tailStart;
  const bool keepTail = tailLength > 0 && tailLength < n;
  const std::size_t room = keepTail ? n - tailLength : n;
  const std::string_view body = name.substr(0, tailStart);
  // A dropped long tail can leave a body shorter than the room: nothing more to remove then.
  std::size_t excess = body.size() > room ? body.size() - room : 0;

  std::size_t spaces = 0;
  for (std::size_t i = body.size(); i-- > 0 && spaces < excess;)
    if (body[i] == ' ') ++spaces;
  excess -= spaces;

  std::size_t letters = 0;
  for (std::size_t i = body.size(); i-- > 1 && letters < excess;)
    if (IsShortenable(body[i])) ++letters;
  excess -= letters;

  std::string kept(body.size(), '\0');
  std::size_t out = body.size();
  for (std::size_t i = body.size(); i-- > 0;) {
    const char c = body[i];
    if (c == ' ' && spaces > 0) {
      --spaces;
    } else if (IsShortenable(c) && letters > 0) {
      --letters;
    } else if (excess > 0) {
      --excess;
    } else {
      kept[--out] = c;
    }
  }
  std::string result = kept.substr(out);
  if (keepTail) result.append(name.substr(tailStart));
  return result;
}

std::uint32_t SoundIdHash(std::string_view text) {
  if (text.empty()) return 0;
  std::uint32_t h = static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 17;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (const std::uint32_t top = h & 0xF0000000u; top != 0) h = (h & 0x0FFFFFFFu) ^ (top >> 24);
    h = (h << 4) + static_cast<unsigned char>(text[i]);
  }
  return h;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  return result;
}

}  // namespace tolvane
