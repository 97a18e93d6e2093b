#include "import/dls/dls_import.h"
#include "import/dls/dls_outcome.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "import/dls/dls_articulation.h"
#include "import/dls/dls_records.h"
#include "import/dls/dls_waves.h"
#include "import/gain_folding.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr std::size_t kBaseNameRoom = 7;
constexpr std::size_t kNameRoom = 23;  // base name and instrument name, without the '_'
constexpr std::int32_t kLoudest = 0;   // centibels of attenuation: a zone cannot be louder
constexpr std::int32_t kQuietest = 1440;
constexpr std::uint32_t kLeftChannel = 1;
constexpr std::uint32_t kRightChannel = 2;
constexpr std::int32_t kMostSemitones = 120;

constexpr std::string_view kNoWaveLink = "region without a wave link ('wlnk')";

// What the bank holds that a zone cannot keep: not damage, only worth saying.
class BankNotes {
 public:
  void Modulated(std::size_t blocks) { modulated_ += blocks; }
  void GainLost(std::optional<ImportNote> note) { gainLost_ = std::move(note); }

  // Adds the notes to `outcome` without changing its status.
  void AddTo(ImportOutcome& outcome) const {
    if (modulated_ > 0)
      outcome.notes.push_back({NoteKind::Format, modulated_, {}, PartKind::Region, &kModulation});
    if (gainLost_) outcome.notes.push_back(*gainLost_);
  }

 private:
  std::size_t modulated_ = 0;
  std::optional<ImportNote> gainLost_;
};

// A zone made but not yet filed: its gain goes into its sample first, once the whole bank is
// read, since instruments share samples.
struct PendingZone {
  Zone zone;
  double gainDb = 0;
};

struct PendingInstrument {
  std::unique_ptr<Instrument> instrument;
  std::vector<PendingZone> zones;
};

// A record the reader could not read, left out with the reader's own words.
void DropBroken(ImportDrops& drops, PartKind part, std::string_view why, std::size_t count = 1) {
  drops.Drop(part, LeftOutKind::RecordBroken, count, {}, std::string(why));
}

std::string DefaultName(const DlsInstrument& instrument) {
  return std::string(instrument.drums() ? "Drums " : "") + "Bank " +
         std::to_string(instrument.bankNumber()) + " Program " + std::to_string(instrument.program);
}

std::uint16_t Range(std::uint16_t low, std::uint16_t high) {
  const auto clamp = [](std::uint16_t v) { return std::min<std::uint16_t>(v, 127); };
  return static_cast<std::uint16_t>(clamp(low) | (clamp(high) << 8));
}

// A region's wave as it plays: the sample chunk in force (the region's own, else the wave's).
struct PlannedRegion {
  const DlsRegion* region = nullptr;
  DlsPlayableWave wave;
  DlsSampleInfo info;                                 // in force
  DlsSampleInfo waveInfo;                             // the wave's own, or the defaults
  const DlsZoneArticulation* articulation = nullptr;  // null: none
};

// The loop a sample keeps, in frames; {0, 0} without one.
LoopPoints LoopOf(const DlsSampleInfo& info) {
  if (!info.loop || info.loop->length == 0) return {};
  const std::uint64_t end = std::uint64_t{info.loop->start} + info.loop->length;
  return {info.loop->start, static_cast<std::uint32_t>(std::min<std::uint64_t>(end, UINT32_MAX))};
}

std::int32_t PitchCorrection(const DlsSampleInfo& waveInfo) {
  return waveInfo.fineTune % 100;  // whole semitones go to the zone's coarse tune
}

class DlsBankImport {
 public:
  DlsBankImport(Library& library, Source& source, const DlsBank& bank)
      : library_(library),
        source_(source),
        prefix_(ShortenName(source.baseName, kBaseNameRoom) + "_"),
        waves_(bank),
        sampleBudget_(PoolBudget(bank.pool.size())) {}
  DlsBankImport(const DlsBankImport&) = delete;
  DlsBankImport& operator=(const DlsBankImport&) = delete;
  // Instruments not handed to the library (the import was cancelled) leave their groups.
  ~DlsBankImport() {
    for (PendingInstrument& pending : pending_) DestroyInstrument(*pending.instrument);
  }

  void ImportInstrument(const DlsInstrument& record) {
    if (record.broken == kInstrumentHeaderMissing) {
      DropBroken(drops_, PartKind::Instrument, record.broken);
      return;
    }
    // Cut short: the regions read before the damage stay, the one it fell in goes.
    if (!record.broken.empty()) DropBroken(drops_, PartKind::Region, record.broken);
    const std::string imported = record.name.empty() ? DefaultName(record) : record.name;
    const std::string name = prefix_ + ShortenName(imported, kNameRoom - (prefix_.size() - 1));
    std::string hashText = source_.baseName;
    hashText += ':';
    hashText += imported;
    auto instrument =
        CreateInstrument(source_, imported, name, SoundIdHash(UpperCaseAscii(hashText)));
    // As a SoundFont numbers it: drum kits in bank 128.
    instrument->program = ProgramNumber{
        static_cast<std::uint16_t>(record.drums() ? 128 : record.bankNumber()),
        static_cast<std::uint16_t>(record.program)};

    const std::optional<DlsZoneArticulation> shared = Convert(record.articulation);
    std::vector<DlsZoneArticulation> own;  // the regions' own articulations
    own.reserve(record.regions.size());
    std::vector<PlannedRegion> planned;
    for (const DlsRegion& region : record.regions) {
      std::optional<PlannedRegion> plan = Plan(region);
      if (!plan) continue;
      if (const auto converted = Convert(region.articulation)) {
        own.push_back(*converted);
        plan->articulation = &own.back();
      } else if (shared) {
        plan->articulation = &*shared;
      }
      planned.push_back(*plan);
    }
    PendingInstrument pending{std::move(instrument), {}};
    AddZones(pending, planned);

    if (pending.zones.empty()) {
      DestroyInstrument(*pending.instrument);
      return;
    }
    pending_.push_back(std::move(pending));
  }

  // Takes the zones' gains into their samples and hands the instruments to the library.
  ImportOutcome Finish(std::string_view damage) {
    std::vector<GainRequest> gains;
    for (const PendingInstrument& pending : pending_)
      for (const PendingZone& zone : pending.zones)
        gains.push_back({zone.zone.sample, zone.gainDb});
    const std::vector<FoldedGain> folded = FoldGains(gains);
    notes_.GainLost(LostGainNote(folded));
    std::size_t at = 0;
    for (PendingInstrument& pending : pending_) {
      for (PendingZone& zone : pending.zones) {
        if (folded[at].folded)
          zone.zone.parameters.bytes[ZoneParameters::attenuation] = folded[at].attenuation;
        ++at;
        tolvane::AddZone(*pending.instrument, zone.zone);
      }
      AverageInstrument(*pending.instrument);
      AddInstrument(library_, std::move(pending.instrument));
    }
    pending_.clear();

    ImportOutcome outcome = drops_.Finish(std::string(damage));
    notes_.AddTo(outcome);
    return outcome;
  }

 private:
  // An articulation as zones take it, counted once however many zones use it. Nothing when
  // there is none, or when it cannot be read whole (left out then, and counted).
  std::optional<DlsZoneArticulation> Convert(const std::optional<DlsArticulation>& articulation) {
    if (!articulation) return std::nullopt;
    if (!articulation->broken.empty()) {
      DropBroken(drops_, PartKind::Articulation, articulation->broken);
      return std::nullopt;
    }
    DlsZoneArticulation converted = ConvertArticulation(articulation->connections);
    notes_.Modulated(converted.modulated);
    return converted;
  }

  std::optional<PlannedRegion> Plan(const DlsRegion& region) {
    std::string_view broken = region.broken;
    if (broken.empty() && !region.linked) broken = kNoWaveLink;
    DlsWaves::Found found;
    if (broken.empty()) {
      found = waves_.ByTableIndex(region.tableIndex);
      broken = found.broken;
    }
    if (broken == kWaveEmpty) {
      drops_.Note(kEmptyWave);
      return std::nullopt;
    }
    if (!broken.empty()) {
      DropBroken(drops_, PartKind::Region, broken);
      return std::nullopt;
    }
    PlannedRegion plan;
    plan.region = &region;
    plan.wave = found.wave;
    plan.waveInfo = found.wave.wave->sample.value_or(DlsSampleInfo{});
    plan.info = region.sample.value_or(plan.waveInfo);
    return plan;
  }

  // Zones of the planned regions: a left and a right region of one phase group over the same
  // ranges, playing mono waves of one shape, make one stereo zone.
  void AddZones(PendingInstrument& instrument, const std::vector<PlannedRegion>& planned) {
    using Slot =
        std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t>;
    auto slotOf = [](const DlsRegion& r) {
      return Slot{r.phaseGroup, r.keyLow, r.keyHigh, r.velLow, r.velHigh};
    };
    std::map<Slot, std::vector<std::size_t>> rights;  // unpaired right regions, last first
    for (std::size_t i = planned.size(); i-- > 0;) {
      const DlsRegion& r = *planned[i].region;
      if (r.phaseGroup != 0 && r.channel == kRightChannel) rights[slotOf(r)].push_back(i);
    }
    // Pairs first: a right region may come before its left one.
    std::vector<std::optional<std::size_t>> partner(planned.size());
    std::vector<bool> paired(planned.size(), false);
    for (std::size_t i = 0; i < planned.size(); ++i) {
      const DlsRegion& r = *planned[i].region;
      if (r.phaseGroup == 0 || r.channel != kLeftChannel) continue;
      const auto slot = rights.find(slotOf(r));
      if (slot == rights.end() || slot->second.empty() ||
          !SameShape(planned[i], planned[slot->second.back()]))
        continue;
      partner[i] = slot->second.back();
      paired[slot->second.back()] = true;
      slot->second.pop_back();
    }
    for (std::size_t i = 0; i < planned.size(); ++i) {
      if (paired[i]) continue;
      if (partner[i])
        AddStereoZone(instrument, planned[i], planned[*partner[i]]);
      else
        AddZone(instrument, planned[i]);
    }
  }

  static bool SameShape(const PlannedRegion& left, const PlannedRegion& right) {
    return left.wave.wave->channels == 1 && right.wave.wave->channels == 1 &&
           left.wave.frames == right.wave.frames &&
           left.wave.wave->sampleRate == right.wave.wave->sampleRate &&
           LoopOf(left.info) == LoopOf(right.info);
  }

  // The zone of a region, and the gain it asks for (dB).
  std::pair<Zone, double> ZoneOf(const PlannedRegion& plan) const {
    const DlsRegion& region = *plan.region;
    Zone zone;
    InitZone(zone);
    ApplyGenerator(zone, kGenKeyRange, Range(region.keyLow, region.keyHigh));
    // Level 1 ignores velocity ranges, and some of its banks leave them 0-0.
    if (region.velLow != 0 || region.velHigh != 0)
      ApplyGenerator(zone, kGenVelRange, Range(region.velLow, region.velHigh));
    const DlsZoneArticulation none;
    const DlsZoneArticulation& art = plan.articulation ? *plan.articulation : none;
    for (const auto& [generator, amount] : art.generators)
      ApplyGenerator(zone, generator, static_cast<std::uint16_t>(amount));

    // The sample keeps the wave's own tuning; the region's differences go to the zone.
    const std::int32_t cents = plan.info.fineTune - PitchCorrection(plan.waveInfo) + art.pitch;
    const std::int32_t semitones = std::clamp(cents / 100, -kMostSemitones, kMostSemitones);
    if (semitones != 0) ApplyGenerator(zone, kGenCoarseTune, static_cast<std::uint16_t>(semitones));
    if (cents % 100 != 0)
      ApplyGenerator(zone, kGenFineTune, static_cast<std::uint16_t>(cents % 100));
    if (plan.info.unityNote != plan.waveInfo.unityNote)
      ApplyGenerator(zone, kGenOverridingRootKey, plan.info.unityNote);

    const std::int64_t attenuation =
        -((std::int64_t{plan.info.attenuation} + 0x8000) >> 16) - art.gain;
    const auto centibels = std::clamp<std::int64_t>(attenuation, kLoudest, kQuietest);
    if (centibels != 0)
      ApplyGenerator(zone, kGenInitialAttenuation, static_cast<std::uint16_t>(centibels));
    if (LoopOf(plan.info) != LoopPoints{}) ApplyGenerator(zone, kGenSampleModes, 1);
    const auto gainCentibels = std::clamp<std::int64_t>(-attenuation, -kQuietest, kQuietest);
    return {zone, static_cast<double>(gainCentibels) / 10};
  }

  static SampleRequest RequestOf(const PlannedRegion& plan, std::uint32_t channels) {
    SampleRequest request;
    request.name = plan.wave.name;
    request.sampleRate = plan.wave.wave->sampleRate;
    request.channels = channels;
    request.frames = plan.wave.frames;
    const LoopPoints loop = LoopOf(plan.info);
    request.loopStart = loop.start;
    request.loopEnd = loop.end;
    request.rootKey = plan.waveInfo.unityNote;
    request.pitchCorrection = PitchCorrection(plan.waveInfo);
    // One wave looped alike is one sample, whichever regions play it.
    request.key = {plan.wave.offset | (std::uint64_t{loop.start} << 32),
                   std::uint64_t{loop.end} << 32};
    return request;
  }

  // The sample `request` names, made of `values()` unless the source holds it already; null
  // (and the regions dropped) when the library refuses it or the bank has made too many.
  template <typename Values>
  Sample* SampleFor(Instrument& instrument, const SampleRequest& request, Values values,
                    std::size_t regions) {
    if (FindSample(instrument, request) != nullptr) return AddSample(instrument, request, {});
    // Samples share their wave's values, but a writer writes each one whole.
    const std::uint64_t bytes = std::uint64_t{request.frames} * request.channels * 2;
    if (bytes > sampleBudget_ - std::min(sampleBudget_, sampleBytes_)) {
      drops_.Drop(PartKind::Region, LeftOutKind::SampleDataTooOften, regions);
      return nullptr;
    }
    Sample* const sample = AddSample(instrument, request, values());
    if (sample == nullptr) {
      drops_.Drop(PartKind::Region, LeftOutKind::SampleLibraryRefused, regions);
      return nullptr;
    }
    sampleBytes_ += bytes;
    return sample;
  }

  void AddZone(PendingInstrument& instrument, const PlannedRegion& plan) {
    auto [zone, gainDb] = ZoneOf(plan);
    const std::uint32_t channels = plan.wave.wave->channels;
    Sample* const sample = SampleFor(
        *instrument.instrument, RequestOf(plan, channels), [&plan] { return *plan.wave.values; },
        1);
    if (sample == nullptr) return;
    if (channels == 2) MergeZonePair(zone, MergeStereo, zone);
    SetZoneSample(zone, sample);
    instrument.zones.push_back({zone, gainDb});
  }

  // The left region's gain is the pair's, as its other fields are.
  void AddStereoZone(PendingInstrument& instrument, const PlannedRegion& left,
                     const PlannedRegion& right) {
    auto [zone, gainDb] = ZoneOf(left);
    SampleRequest request = RequestOf(left, 2);
    request.key.second |= std::uint64_t{right.wave.offset} + 1;  // a mono key's is 0
    Sample* const sample = SampleFor(
        *instrument.instrument, request,
        [&] { return SampleData::Planes(*left.wave.values, *right.wave.values); }, 2);
    if (sample == nullptr) return;
    MergeZonePair(zone, MergeStereo, ZoneOf(right).first);
    SetZoneSample(zone, sample);
    instrument.zones.push_back({zone, gainDb});
  }

  Library& library_;
  Source& source_;
  const std::string prefix_;
  DlsWaves waves_;
  std::uint64_t sampleBytes_ = 0;  // values of the samples made so far, in bytes
  const std::uint64_t sampleBudget_;
  ImportDrops drops_;
  BankNotes notes_;
  std::vector<PendingInstrument> pending_;  // in the bank's order
};

}  // namespace

ImportOutcome ImportDls(Library& library, Source& source, const ImportView& view) {
  const std::optional<DlsBank> bank = ReadDlsBank(view.bytes);
  if (!bank) return ImportOutcome::NotRecognised();
  if (!bank->hasInstrumentList)
    return ImportOutcome::Damaged("the bank has no instrument list ('lins')");
  if (!bank->hasPool) return ImportOutcome::Damaged("the bank has no wave pool ('wvpl')");
  if (bank->instruments.empty()) return ImportOutcome::Damaged("the bank holds no instruments");

  DlsBankImport import(library, source, *bank);
  for (const DlsInstrument& instrument : bank->instruments) {
    if (WorkCancelled(view.progress)) return ImportOutcome::Damaged("import cancelled");
    import.ImportInstrument(instrument);
  }
  return import.Finish(bank->damage);
}

}  // namespace tolvane
