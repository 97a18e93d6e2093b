#pragma once
// The instrument records of a bank as presets play them: each record's zones with their
// generator values (the record's global zone beneath each) and the sampleIDs they name, read
// once however many presets play the record.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "import/import_outcome.h"
#include "import/soundfont/soundfont_generators.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_samples.h"
#include "import/soundfont/visit_once.h"

namespace tolvane {

struct InstrumentZone {
  GeneratorValues values;                // the global zone's with the zone's own over them
  std::vector<std::uint16_t> sampleIds;  // in bag order; replanned whenever the zone is played
};

class InstrumentZones {
 public:
  // REQUIRES: every argument outlives this object.
  InstrumentZones(const SoundFontRecords& records, BankSamples& samples, ImportDrops& drops)
      : records_(records), samples_(samples), drops_(drops), read_(records.instrumentCount()) {}

  // The zones of instrument record `index`, read at the first call: zones whose references lie
  // outside the bank or whose samples cannot be read are left out and counted in the drops
  // once. Empty for a record that is missing or only closes the chunk.
  const std::vector<InstrumentZone>& Of(std::size_t index);

 private:
  void Read(std::size_t index, std::vector<InstrumentZone>& zones);
  // The bag's generators, or nothing (counted) when a reference lies outside the bank.
  std::optional<InstrumentZone> ReadBag(std::size_t bag);

  const SoundFontRecords& records_;
  BankSamples& samples_;
  ImportDrops& drops_;
  std::vector<std::optional<std::vector<InstrumentZone>>> read_;
  const std::vector<InstrumentZone> none_;
  // Each bag and generator is read at most once per bank, as the instrument import reads them.
  VisitOnce bagsLeft_{records_.bagCount()};
  VisitOnce generatorsLeft_{records_.generatorCount()};
};

}  // namespace tolvane
