#pragma once
// The samples of one SoundFont bank's import: what each bag's sampleID generators ask for,
// checked against the bank before anything reaches the library, then handed to the library,
// whose values are made only for samples it does not hold yet. Plain data is copied from the
// mapped bank; a compressed sample shares its decoded stream, and a stereo sample shares the
// streams of both its channels.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "import/import_outcome.h"
#include "import/soundfont/soundfont_outcome.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_streams.h"
#include "library/library.h"

namespace tolvane {

class MappedFile;
class WorkProgress;

// Why a bag's sample is left out: a kind, with the decoder's reason for a stream that did not
// decode.
struct SampleTrouble {
  const FormatDamage* kind;
  std::string_view detail;
};

class BankSamples {
 public:
  // Decodes the bank's compressed streams first (see DecodedStreams). REQUIRES: `records`,
  // `file` (the whole bank) and `mapped` (its mapping, may be null) outlive this object.
  BankSamples(const SoundFontRecords& records, std::span<const std::byte> file,
              const MappedFile* mapped, WorkProgress* progress);

  // Starts a new bag: what the last one planned is forgotten.
  void StartBag() { plan_.clear(); }
  bool planned() const { return !plan_.empty(); }
  // What the bag's zone is to play: the last sample planned. REQUIRES: planned().
  const SampleRequest& LastPlanned() const { return plan_.back().request; }

  // Plans what a sampleID generator naming header `index` asks for: a stereo sample, which
  // replaces anything earlier, or a mono one while the bag has none yet. Why not, when the
  // header, its link or the data it would read lies outside the bank or does not decode;
  // nothing when planned.
  std::optional<SampleTrouble> Plan(std::size_t index);

  // Adds the bag's planned samples to `instrument`, in order. The last one, or why none: the
  // bank asked for more copies than it could need.
  struct Added {
    Sample* sample = nullptr;
    bool copiedTooOften = false;
  };
  Added AddPlanned(Instrument& instrument);

 private:
  // A header's sample: its length and loop relative to its start and its values, a compressed
  // header's decoded stream or a plain one's words in the bank.
  struct HeaderSample {
    const DecodedStream* stream = nullptr;  // null for plain data
    // Plain data; nothing when it lies outside the "smpl" chunk or runs backwards.
    std::optional<std::span<const std::byte>> data;
    std::uint32_t frames = 0;
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    // Why the header gives no sample: its stream did not decode. Empty otherwise.
    std::string_view failure() const { return stream != nullptr ? stream->failure : ""; }
    // Whether its values can be read: decoded, or plain data inside the chunk.
    bool readable() const { return stream != nullptr || data.has_value(); }
  };
  struct PlannedSample {
    SampleRequest request;
    std::array<HeaderSample, 2> channels;  // the second only for a stereo sample
  };

  // Frames, loop and values of header `index` (`header` is its record): a plain header's
  // positions in the bank's own 32-bit arithmetic, a compressed one's decoded frames and its
  // loop as stored.
  HeaderSample ShapeOf(std::size_t index, const SoundFontSampleHeader& header);
  // Plans the 2-channel sample of a linked pair, `named` being the one the sampleID named.
  // False when either channel's plain data lies outside the "smpl" chunk.
  bool PlanStereo(const SoundFontSampleHeader& named, const SoundFontSampleHeader& leftHeader,
                  const HeaderSample& left, const HeaderSample& right, bool namedIsLeft);
  // Where the values of one channel lie in the bank: what the samples made of it are keyed by.
  std::uint64_t OffsetOf(const HeaderSample& channel) const;
  // One channel's values: a stream's own, or plain data copied.
  static SampleData ValuesOf(const HeaderSample& channel);
  // Gives back the mapped pages around plain data once copied.
  void ReleaseCopied(std::span<const std::byte> data) const;
  void ReleaseRange(std::span<const std::byte> bytes) const;

  const SoundFontRecords& records_;
  std::span<const std::byte> file_;
  const MappedFile* mapped_;
  DecodedStreams streams_;           // decoded before any instrument is built
  std::vector<PlannedSample> plan_;  // the samples of the bag at hand, in order
  std::uint64_t copied_ = 0;         // sample bytes copied so far
  std::uint64_t copyBudget_;
};

}  // namespace tolvane
