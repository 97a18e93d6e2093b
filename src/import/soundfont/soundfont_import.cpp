#include "import/soundfont/soundfont_import.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/bytes.h"
#include "import/chunk_walker.h"
#include "import/soundfont/soundfont_bank.h"
#include "import/soundfont/soundfont_outcome.h"
#include "import/soundfont/soundfont_presets.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/soundfont_samples.h"
#include "import/soundfont/soundfont_zone_filing.h"
#include "import/soundfont/visit_once.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, form type
constexpr std::size_t kBaseNameRoom = 7;
constexpr std::size_t kNameRoom = 23;  // base name and instrument name, without the '_'
// One bank's instrument records, each made one instrument.
class BankImport {
 public:
  BankImport(Library& library, Source& source, const SoundFontRecords& records,
             BankSamples& samples, ImportDrops& drops)
      : library_(library),
        source_(source),
        records_(records),
        prefix_(ShortenName(source.baseName, kBaseNameRoom) + "_"),
        samples_(samples),
        drops_(drops) {}

  void ImportInstrument(std::size_t index) {
    const auto record = records_.Instrument(index);
    const auto bags = records_.BagsOf(index);
    if (!record || !bags) return;

    const std::string name = prefix_ + ShortenName(record->name, kNameRoom - (prefix_.size() - 1));
    std::string hashText = source_.baseName;
    hashText += ':';
    hashText += record->name;
    auto instrument =
        CreateInstrument(source_, record->name, name, SoundIdHash(UpperCaseAscii(hashText)));

    // Bags past the "ibag" chunk are dropped one by one anyway; no need to count through them.
    // Bags another instrument took already are skipped: a valid bank never overlaps, and a
    // hostile one must not make the import revisit bags without bound.
    const std::size_t endBag = std::min({bags->end, records_.bagCount(), bagsLeft_.bound()});
    if (bags->end > records_.bagCount())
      drops_.Drop(PartKind::Zone, kBagOutside,
                  bags->end - std::max(bags->first, records_.bagCount()));
    for (std::size_t bag = bagsLeft_.Next(bags->first); bag < endBag;
         bag = bagsLeft_.Next(bag + 1)) {
      bagsLeft_.Take(bag);
      ImportBag(*instrument, bag);
    }

    if (instrument->zones.empty()) {
      // Nothing to average and nothing to show; leave no group behind.
      DestroyInstrument(*instrument);
      return;
    }
    AverageInstrument(*instrument);
    AddInstrument(library_, std::move(instrument));
  }

 private:
  void ImportBag(Instrument& instrument, std::size_t bag) {
    const auto generators = records_.GeneratorsOf(bag);
    if (!generators) {
      DropZone(kGeneratorsOutside);
      return;
    }
    Zone zone;
    InitZone(zone);
    samples_.StartBag();
    // Every reference of the bag is checked before anything reaches the library, so that a
    // dropped zone leaves no sample or group behind.
    // As with bags: each generator is visited at most once per bank.
    // A range running backwards starts and ends at its first index, which may lie past the end.
    const std::size_t endGenerator = std::min(generators->end, generatorsLeft_.bound());
    for (std::size_t g = generatorsLeft_.Next(generators->first); g < endGenerator;
         g = generatorsLeft_.Next(g + 1)) {
      generatorsLeft_.Take(g);
      const auto generator = records_.Generator(g);
      if (!generator) {
        DropZone(kGeneratorsOutside);
        return;
      }
      if (generator->number == kGenInstrument) continue;
      if (generator->number == kGenSampleId) {
        if (const auto why = samples_.Plan(generator->amount)) {
          DropZone(*why->kind, why->detail);
          return;
        }
        continue;
      }
      ApplyGenerator(zone, generator->number, generator->amount);
    }
    // A bag without sample, such as a global zone: its generators reach no other zone.
    if (!samples_.planned()) return;
    FileZone(instrument, zone, samples_, drops_);
  }

  // A zone that cannot be read is left out, and counted for the outcome.
  void DropZone(const FormatDamage& kind, std::string_view detail = {}) {
    drops_.Drop(PartKind::Zone, kind, 1, {}, std::string(detail));
  }

  Library& library_;
  Source& source_;
  const SoundFontRecords& records_;
  const std::string prefix_;
  VisitOnce bagsLeft_{records_.bagCount()};
  VisitOnce generatorsLeft_{records_.generatorCount()};
  BankSamples& samples_;
  ImportDrops& drops_;
};

}  // namespace

ImportOutcome ImportSoundFont(Library& library, Source& source, const ImportView& view) {
  const std::span<const std::byte> file = view.bytes;
  if (file.size() < kFormHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("sfbk"))
    return ImportOutcome::NotRecognised();

  ChunkWalkContext context;
  context.base = file;
  if (std::string damage = WalkBank(context); !damage.empty())
    return ImportOutcome::Damaged(std::move(damage));

  const SoundFontRecords records(context);
  if (records.sampleWordCount() == 0)
    return ImportOutcome::Damaged("the bank holds no sample data ('smpl' chunk)");
  if (records.instrumentCount() < 2)
    return ImportOutcome::Damaged("the bank holds no instruments ('inst' chunk)");
  // Without bags, generators or sample headers no zone can name a sample.
  for (const auto& [count, name] :
       {std::pair{records.bagCount(), "'ibag'"}, std::pair{records.generatorCount(), "'igen'"},
        std::pair{records.sampleHeaderCount(), "'shdr'"}}) {
    if (count == 0)
      return ImportOutcome::Damaged(std::string("the bank's ") + name +
                                    " chunk is missing or empty");
  }

  const bool presets = view.settings.soundFont == SoundFontMode::Presets;
  if (presets) {
    if (std::string damage = PresetLevelDamage(records); !damage.empty())
      return ImportOutcome::Damaged(std::move(damage));
  }

  ImportDrops drops;
  // Decodes the bank's compressed streams before any instrument is built.
  BankSamples samples(records, file, view.file, view.progress);
  // The last record of either level only closes the bag range of the one before it.
  if (presets) {
    PresetImport bank(library, source, records, samples, drops);
    for (std::size_t i = 0; i + 1 < records.presetCount(); ++i) {
      if (WorkCancelled(view.progress)) return ImportOutcome::Cancelled();
      bank.ImportPreset(i);
    }
    return drops.Finish();
  }
  BankImport bank(library, source, records, samples, drops);
  for (std::size_t i = 0; i + 1 < records.instrumentCount(); ++i) {
    if (WorkCancelled(view.progress)) return ImportOutcome::Cancelled();
    bank.ImportInstrument(i);
  }
  return drops.Finish();
}

}  // namespace tolvane
