#pragma once
// The in-memory model of what one drop of files imported: sources (one per dropped file), the
// instruments made from them, the samples they play and the sample groups that tie together
// instruments sharing samples. Every list keeps the order and tie rule the program shows and
// writes; texts are 8-bit (Windows-1252 bytes).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/category.h"
#include "library/sample_data.h"
#include "library/zone.h"

namespace tolvane {

struct DatabaseSection;
struct Source;
struct SampleGroup;

// What an importer names a sample by. Within one source, samples of equal name, key, frames and
// channels are one sample, played by every zone that asks for it. The importer chooses what the
// numbers mean: where the data lies in its file, which record or sample file it came from, and
// for a sample made of two streams the second one.
struct SampleKey {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  bool operator==(const SampleKey&) const = default;
};

struct Sample {
  SampleGroup* group = nullptr;  // none once the group is gone
  std::uint32_t sampleRate = 0;
  std::uint32_t bitsPerSample = 16;
  std::uint32_t channels = 1;
  SampleKey key;
  SampleData data;  // at least frames x channels values
  std::uint32_t frames = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t rootKey = 0;
  std::int32_t pitchCorrection = 0;
  // False when no file, name or record gave the root key and the importer put middle C in its
  // place: its pitch is then for the sound to tell.
  bool rootKeyGiven = true;
  std::uint32_t exportIndex = 0;  // assigned by the writer while it lays out a group
  std::string name;
  // A gain above 0 dB an importer took into `data` (dB): zones count their attenuation from it.
  double foldedDb = 0;
};

// The bank and program a player chooses a SoundFont preset by.
struct ProgramNumber {
  std::uint16_t bank = 0;
  std::uint16_t program = 0;
  bool operator==(const ProgramNumber&) const = default;
};

struct Instrument {
  std::string name;          // display name, at most 25 characters
  std::string importedName;  // name as found by the importer, at most 25 characters
  // The name as the importer found it, whole: shown beside `name`, which shortening can make
  // hard to recognise.
  std::string foundName;
  bool averaged = false;  // zones hold values relative to `parameters`
  // Zones hold differences from an instrument block the file they came from does not keep (an
  // instrument read from a SiFi file): played, they count from the zone defaults.
  bool differencesOnly = false;
  std::uint32_t soundId = 0;
  Source* source = nullptr;
  // Where its category is remembered: its source's section when it was made, unless the
  // importer keeps the instruments of one source under several (a library folder's files).
  DatabaseSection* section = nullptr;
  ZoneParameters parameters;  // meaningful only while `averaged`
  SampleGroup* group = nullptr;
  std::uint32_t category = kCategoryOther;
  std::vector<Zone> zones;  // in the order kept by AddZone
  // What the import chose where its files disagree, for the list's tool tip: lines, each ended
  // by "\r\n". Empty for most instruments.
  std::string remarks;
  // A SoundFont preset's or DLS instrument's bank and program (drum kits in bank 128); none for
  // every other instrument.
  std::optional<ProgramNumber> program;
};

struct SampleGroup {
  std::uint32_t exportMark = 0;
  std::vector<Instrument*> instruments;  // case-insensitive order of name, ties in arrival order
  std::vector<Sample*> samples;          // case-insensitive order of name, ties in arrival order
  std::uint32_t collectionNumber = 0;
};

struct Source {
  DatabaseSection* section = nullptr;
  // Byte order of name, ties in arrival order. Samples live as long as the source.
  std::vector<std::unique_ptr<Sample>> samples;
  std::vector<std::unique_ptr<SampleGroup>> groups;  // order of creation
  std::string baseName;
  std::string path;
};

// Moving a library moves what it owns: every record stays where it is.
struct Library {
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  Library(Library&&) noexcept = default;
  Library& operator=(Library&& other) noexcept;
  ~Library();

  std::vector<std::unique_ptr<Source>> sources;          // case-insensitive order of baseName
  std::vector<std::unique_ptr<Instrument>> instruments;  // byte order of name, ties in arrival
};

struct InstrumentStats {
  const Source* source = nullptr;
  const SampleGroup* group = nullptr;
  std::uint64_t sampleBytes = 0;  // 2 x frames summed over the group's samples
  std::uint32_t category = 0;
  std::size_t sampleCount = 0;
  std::size_t zoneCount = 0;
};

// What an importer asks AddSample for: a sample of `frames` x `channels` 16-bit values.
struct SampleRequest {
  std::string_view name;
  SampleKey key;
  std::uint32_t sampleRate = 0;
  std::uint32_t bitsPerSample = 16;
  std::uint32_t channels = 1;
  std::uint32_t frames = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t rootKey = 0;
  std::int32_t pitchCorrection = 0;
  bool rootKeyGiven = true;  // see Sample
};

// A new source for a dropped file, placed in front of any source of equal base name. Its
// database section is left empty for the caller to set.
Source& CreateSource(Library& library, std::string_view path);
// The same with a base name of the caller's: a folder's whole name, dots and all.
Source& CreateSource(Library& library, std::string_view path, std::string_view baseName);

// The base name of a path: after the last backslash or slash, cut before the last '.'.
std::string BaseNameOf(std::string_view path);

// A new instrument of `source`: names shortened to 25 characters (the imported one also kept
// whole, as foundName), its database section the source's, its category from that section when
// it remembers one, else kCategoryOther.
std::unique_ptr<Instrument> CreateInstrument(Source& source, std::string_view importedName,
                                             std::string_view displayName, std::uint32_t soundId);

// The user's choice of category: the instrument takes it, and so does its entry in its
// database section (keyed by its imported name, created if missing), marked as changed in this
// run so that saving the database keeps it.
void SetInstrumentCategory(Instrument& instrument, std::uint32_t category);

// The highest MIDI key: a sample's root key above it is taken as it.
inline constexpr std::uint32_t kHighestKey = 127;

struct LoopPoints {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  bool operator==(const LoopPoints&) const = default;
};

// The loop a sample of `frames` keeps: its end at most `frames`, its start at most its end.
constexpr LoopPoints ClampLoop(std::uint32_t frames, std::uint32_t start, std::uint32_t end) {
  const std::uint32_t clampedEnd = end < frames ? end : frames;
  return {start < clampedEnd ? start : clampedEnd, clampedEnd};
}
constexpr std::uint32_t ClampRootKey(std::uint32_t rootKey) {
  return rootKey < kHighestKey ? rootKey : kHighestKey;
}

// The sample of `instrument`'s source equal to `request` (same name, key, frames and channels),
// or null: lets an importer skip making values that would not be used.
Sample* FindSample(const Instrument& instrument, const SampleRequest& request);

// The sample a zone of `instrument` is to play: an equal sample of the source (FindSample) is
// reused unchanged and `data` is not used; otherwise a new sample keeps `data`, its loop and
// root key brought inside the sample and the keyboard (ClampLoop, ClampRootKey) so that whatever
// an importer read, the library holds nothing a writer cannot store. Joins the sample and the
// instrument into one group, merging groups as needed. Returns nullptr (and changes nothing) for
// bits other than 16, channels other than 1 or 2, or a new sample whose data holds fewer values
// than its frames need.
Sample* AddSample(Instrument& instrument, const SampleRequest& request, SampleData data);

// Files a zone in key order (see the .cpp for the tie rule).
void AddZone(Instrument& instrument, const Zone& zone);

// Hands the instrument to the library, after every instrument of equal name.
Instrument& AddInstrument(Library& library, std::unique_ptr<Instrument> instrument);

InstrumentStats GetInstrumentStats(const Instrument& instrument);

// Drops the instrument's zones and takes it out of its group; a group left without instruments
// is freed and its samples lose their group. The instrument itself stays where it is.
void DestroyInstrument(Instrument& instrument);

// Frees every instrument, group, sample and source. Database sections are not touched.
void ClearLibrary(Library& library);

// Fits a name into n characters, keeping a trailing number and the start of the name.
std::string ShortenName(std::string_view name, std::size_t n);

// The 32-bit text hash used for sound identifiers.
std::uint32_t SoundIdHash(std::string_view text);

// 'a'..'z' to 'A'..'Z', every other byte unchanged: the form the importers hash.
std::string UpperCaseAscii(std::string_view text);

inline constexpr std::size_t kInstrumentNameLength = 25;

}  // namespace tolvane
