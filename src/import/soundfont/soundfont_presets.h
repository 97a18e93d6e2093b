#pragma once
// One instrument per preset of a bank, built as a player builds the preset's sound: the zones of
// each preset zone's instrument record that lie within the preset zone's key and velocity
// ranges, with the generators of both levels combined (soundfont_generators.h), then mapped and
// folded into stereo and dual zones as the instrument import maps and folds a bag. The samples
// are the ones the instrument import makes, so presets that share samples form one group. A
// preset too large for one instrument becomes several (soundfont_preset_split.h).

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "import/import_outcome.h"
#include "import/soundfont/soundfont_generators.h"
#include "import/soundfont/soundfont_instrument_zones.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_samples.h"
#include "import/soundfont/visit_once.h"
#include "library/library.h"

namespace tolvane {

// Why the bank gives no presets: its preset records are missing. Empty when it has them.
std::string PresetLevelDamage(const SoundFontRecords& records);

class PresetImport {
 public:
  // REQUIRES: every argument outlives this object.
  PresetImport(Library& library, Source& source, const SoundFontRecords& records,
               BankSamples& samples, ImportDrops& drops);

  // Adds the instrument, or instruments, of preset record `index`. A preset that plays no zone
  // adds nothing.
  void ImportPreset(std::size_t index);

 private:
  struct PresetZone {
    GeneratorValues values;  // the preset's global zone's with the zone's own over them
    std::size_t instrument = 0;
  };
  // An instrument zone as a preset zone plays it.
  struct BuiltZone {
    Zone zone;
    const InstrumentZone* source = nullptr;  // its sampleIDs, planned again when it is filed
    std::size_t piece = 0;                   // the preset zone that made it; then its unit
    std::size_t sample = 0;                  // the sample it plays, as a place in places_
  };
  // What a sample is told apart by, as the library tells samples apart.
  using SampleIdentity =
      std::tuple<std::uint64_t, std::uint64_t, std::uint32_t, std::uint32_t, std::string_view>;
  // Zones that another zone of equal sample and ranges may fold into.
  using FoldKey = std::tuple<std::size_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t>;

  std::vector<PresetZone> ReadPresetZones(std::size_t index);
  // One zone of `instrument` as `preset` plays it, folded into an earlier zone or kept.
  void Play(const PresetZone& preset, const InstrumentZone& instrument, std::size_t piece);
  // Gives every built zone the unit it is filed by and returns the units' parts: one part when
  // the preset fits one instrument.
  std::vector<std::vector<std::size_t>> Parts();
  // Makes one instrument of the zones whose unit is in `part`.
  void File(const SoundFontPresetRecord& preset, const std::string& name,
            const std::vector<std::size_t>& part);

  Library& library_;
  Source& source_;
  const SoundFontRecords& records_;
  BankSamples& samples_;
  ImportDrops& drops_;
  InstrumentZones instruments_;
  VisitOnce bagsLeft_{records_.presetBagCount()};
  VisitOnce generatorsLeft_{records_.presetGeneratorCount()};
  // The bank's budget of instrument zones played by its preset zones, within their ranges or
  // not.
  std::size_t zonesLeft_;
  // The preset at hand.
  std::vector<BuiltZone> built_;
  std::map<SampleIdentity, std::size_t> places_;
  std::map<FoldKey, std::vector<std::size_t>> folds_;
};

}  // namespace tolvane
