#include "import/soundfont/soundfont_presets.h"

#include <algorithm>
#include <utility>

#include "import/soundfont/soundfont_outcome.h"
#include "import/soundfont/soundfont_preset_split.h"
#include "import/soundfont/soundfont_zone_filing.h"

namespace tolvane {
namespace {

// A real preset makes some hundreds of zones (FluidR3_GM at most 720 before folding), and a
// bank's preset zones play some times its instrument zones (FluidR3_GM 6 times, counting those
// outside a preset zone's ranges): the bounds keep a hostile bank's work and memory in
// proportion to its size.
constexpr std::size_t kMostPresetZones = 8192;
constexpr std::size_t kZonesPerBag = 8;
constexpr std::size_t kZonesAnyBank = 65536;

std::string HashText(std::string_view baseName, std::string_view name,
                     const SoundFontPresetRecord& preset) {
  std::string text(baseName);
  text.append(":").append(name);
  text.append(":").append(std::to_string(preset.bank));
  text.append(":").append(std::to_string(preset.program));
  return text;
}

}  // namespace

std::string PresetLevelDamage(const SoundFontRecords& records) {
  if (records.presetCount() < 2) return "the bank holds no presets ('phdr' chunk)";
  if (records.presetBagCount() == 0) return "the bank's 'pbag' chunk is missing or empty";
  if (records.presetGeneratorCount() == 0) return "the bank's 'pgen' chunk is missing or empty";
  return {};
}

PresetImport::PresetImport(Library& library, Source& source, const SoundFontRecords& records,
                           BankSamples& samples, ImportDrops& drops)
    : library_(library),
      source_(source),
      records_(records),
      samples_(samples),
      drops_(drops),
      instruments_(records, samples, drops),
      zonesLeft_(kZonesPerBag * records.bagCount() + kZonesAnyBank) {}

void PresetImport::ImportPreset(std::size_t index) {
  const auto record = records_.Preset(index);
  if (!record) return;
  built_.clear();
  places_.clear();
  folds_.clear();
  const std::vector<PresetZone> zones = ReadPresetZones(index);
  for (std::size_t piece = 0; piece < zones.size(); ++piece) {
    const std::vector<InstrumentZone>& played = instruments_.Of(zones[piece].instrument);
    const std::size_t count = std::min(played.size(), zonesLeft_);
    if (count < played.size()) drops_.Drop(PartKind::Zone, kBankZonesBeyond, played.size() - count);
    zonesLeft_ -= count;
    for (std::size_t z = 0; z < count; ++z) Play(zones[piece], played[z], piece);
  }
  if (built_.empty()) return;
  const std::vector<std::vector<std::size_t>> parts = Parts();
  if (parts.size() == 1) {
    File(*record, std::string(record->name), parts.front());
    return;
  }
  drops_.Note(kPresetSplit);
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const std::string suffix =
        " (" + std::to_string(p + 1) + "/" + std::to_string(parts.size()) + ")";
    File(*record, ShortenName(record->name, kInstrumentNameLength - suffix.size()) + suffix,
         parts[p]);
  }
}

std::vector<PresetImport::PresetZone> PresetImport::ReadPresetZones(std::size_t index) {
  std::vector<PresetZone> zones;
  const auto bags = records_.PresetBagsOf(index);
  if (!bags) return zones;
  // As at the instrument level: bags past the chunk are counted, and each bag and generator is
  // read at most once per bank.
  const std::size_t endBag = std::min({bags->end, records_.presetBagCount(), bagsLeft_.bound()});
  if (bags->end > records_.presetBagCount())
    drops_.Drop(PartKind::Zone, kPresetBagOutside,
                bags->end - std::max(bags->first, records_.presetBagCount()));
  GeneratorValues global;
  for (std::size_t bag = bagsLeft_.Next(bags->first); bag < endBag; bag = bagsLeft_.Next(bag + 1)) {
    bagsLeft_.Take(bag);
    const auto generators = records_.PresetGeneratorsOf(bag);
    if (!generators) {
      drops_.Drop(PartKind::Zone, kPresetGeneratorsOutside);
      continue;
    }
    PresetZone zone;
    bool instrument = false;
    bool whole = true;
    const std::size_t endGenerator = std::min(generators->end, generatorsLeft_.bound());
    for (std::size_t g = generatorsLeft_.Next(generators->first); g < endGenerator;
         g = generatorsLeft_.Next(g + 1)) {
      generatorsLeft_.Take(g);
      const auto generator = records_.PresetGenerator(g);
      if (!generator) {
        whole = false;
        break;
      }
      if (generator->number == kGenInstrument) {
        instrument = true;
        zone.instrument = generator->amount;
      } else {
        zone.values.Set(generator->number, generator->amount);
      }
    }
    if (!whole) {
      drops_.Drop(PartKind::Zone, kPresetGeneratorsOutside);
    } else if (!instrument) {
      // Only the first zone can be the global one; a later zone without instrument plays nothing.
      if (bag == bags->first) global = zone.values;
    } else if (zone.instrument + 1 >= records_.instrumentCount()) {
      drops_.Drop(PartKind::Zone, kInstrumentOutside);
    } else {
      zones.push_back(zone);
    }
  }
  for (PresetZone& zone : zones) zone.values = GeneratorValues::Layered(global, zone.values);
  return zones;
}

void PresetImport::Play(const PresetZone& preset, const InstrumentZone& instrument,
                        std::size_t piece) {
  const auto values = CombinePresetZone(instrument.values, preset.values);
  if (!values) return;  // outside the preset zone's ranges: never played
  if (built_.size() >= kMostPresetZones) {
    drops_.Drop(PartKind::Zone, kPresetZonesBeyond);
    return;
  }
  Zone zone;
  InitZone(zone);
  ApplyValues(zone, *values);
  samples_.StartBag();
  // Each sampleID was checked when the instrument record was read.
  for (const std::uint16_t id : instrument.sampleIds) static_cast<void>(samples_.Plan(id));
  const SampleRequest& request = samples_.LastPlanned();
  const SampleIdentity identity{request.key.first, request.key.second, request.frames,
                                request.channels, request.name};
  const std::size_t sample = places_.try_emplace(identity, places_.size()).first->second;

  const ZoneMapping& m = zone.mapping;
  std::vector<std::size_t>& candidates = folds_[{sample, m.keyLow, m.keyHigh, m.velLow, m.velHigh}];
  // Newest first: the order in which an instrument holds zones of equal ranges.
  for (auto c = candidates.rbegin(); c != candidates.rend(); ++c) {
    Zone& existing = built_[*c].zone;
    const Fold fold = FoldOf(existing, zone, request.channels);
    if (fold == Fold::None) continue;
    MergeZonePair(existing, fold == Fold::Stereo ? MergeStereo : MergeDual, zone);
    return;
  }
  candidates.push_back(built_.size());
  built_.push_back({zone, &instrument, piece, sample});
}

std::vector<std::vector<std::size_t>> PresetImport::Parts() {
  const auto needsOf = [this](std::size_t count, auto unitOf) {
    std::vector<PieceNeeds> needs(count);
    for (const BuiltZone& built : built_) {
      PieceNeeds& n = needs[unitOf(built)];
      ++n.zones;
      n.samples.push_back(built.sample);
    }
    for (PieceNeeds& n : needs) {
      std::sort(n.samples.begin(), n.samples.end());
      n.samples.erase(std::unique(n.samples.begin(), n.samples.end()), n.samples.end());
    }
    return needs;
  };
  if (FitsOneInstrument(needsOf(1, [](const BuiltZone&) { return std::size_t{0}; }).front())) {
    for (BuiltZone& built : built_) built.piece = 0;
    return {std::vector<std::size_t>{0}};
  }
  // Units: the pieces that play something, each whole, or cut into runs of zones (in order,
  // each as long as fits) when one instrument cannot hold it alone. A piece's zones stand
  // together in built_, in the order of the pieces.
  const std::vector<PieceNeeds> pieces =
      needsOf(built_.back().piece + 1, [](const BuiltZone& b) { return b.piece; });
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> unitOfPiece(pieces.size(), kNone);
  std::size_t units = 0;
  std::size_t cutPiece = kNone;
  PieceNeeds run;
  for (BuiltZone& built : built_) {
    const std::size_t piece = built.piece;
    if (FitsOneInstrument(pieces[piece])) {
      if (unitOfPiece[piece] == kNone) unitOfPiece[piece] = units++;
      built.piece = unitOfPiece[piece];
      continue;
    }
    ++run.zones;
    const bool newSample =
        std::find(run.samples.begin(), run.samples.end(), built.sample) == run.samples.end();
    if (newSample) run.samples.push_back(built.sample);
    if (cutPiece != piece || !FitsOneInstrument(run)) {
      cutPiece = piece;
      ++units;
      run = PieceNeeds{1, {built.sample}};
    }
    built.piece = units - 1;
  }
  return SplitPieces(needsOf(units, [](const BuiltZone& b) { return b.piece; }), places_.size());
}

void PresetImport::File(const SoundFontPresetRecord& preset, const std::string& name,
                        const std::vector<std::size_t>& part) {
  auto instrument = CreateInstrument(
      source_, name, name, SoundIdHash(UpperCaseAscii(HashText(source_.baseName, name, preset))));
  for (const BuiltZone& built : built_) {
    if (!std::binary_search(part.begin(), part.end(), built.piece)) continue;
    samples_.StartBag();
    for (const std::uint16_t id : built.source->sampleIds) static_cast<void>(samples_.Plan(id));
    Sample* const sample = AddBagSamples(*instrument, samples_, drops_);
    if (sample == nullptr) continue;
    Zone zone = built.zone;
    SetZoneSample(zone, sample);
    AddZone(*instrument, zone);
  }
  if (instrument->zones.empty()) {
    DestroyInstrument(*instrument);
    return;
  }
  AverageInstrument(*instrument);
  instrument->program = ProgramNumber{preset.bank, preset.program};
  AddInstrument(library_, std::move(instrument));
}

}  // namespace tolvane
