#include "import/soundfont/soundfont_zone_filing.h"

namespace tolvane {
namespace {

constexpr int kHardPan = 100;

}  // namespace

Fold FoldOf(const Zone& existing, const Zone& added, std::uint32_t channels) {
  const ZoneMapping& e = existing.mapping;
  const ZoneMapping& a = added.mapping;
  if (e.flags >= ZoneStereo) return Fold::None;
  if (e.keyLow != a.keyLow || e.keyHigh != a.keyHigh || e.velLow != a.velLow ||
      e.velHigh != a.velHigh)
    return Fold::None;
  const int existingPan = existing.parameters.Signed(ZoneParameters::pan);
  const int addedPan = added.parameters.Signed(ZoneParameters::pan);
  if (channels == 1 && addedPan == -existingPan) return Fold::Dual;
  if (channels == 2 && ((existingPan <= -kHardPan && addedPan >= kHardPan) ||
                        (addedPan <= -kHardPan && existingPan >= kHardPan)))
    return Fold::Stereo;
  return Fold::None;
}

Sample* AddBagSamples(Instrument& instrument, BankSamples& samples, ImportDrops& drops) {
  // Mono requests come only before any other, and stereo ones replace: the last one wins.
  const BankSamples::Added added = samples.AddPlanned(instrument);
  if (added.copiedTooOften) {
    drops.Drop(PartKind::Zone, LeftOutKind::SampleDataTooOften);
    return nullptr;
  }
  if (added.sample == nullptr) drops.Drop(PartKind::Zone, LeftOutKind::SampleLibraryRefused);
  return added.sample;
}

void FileZone(Instrument& instrument, Zone zone, BankSamples& samples, ImportDrops& drops) {
  Sample* const added = AddBagSamples(instrument, samples, drops);
  if (added == nullptr) return;
  Sample& sample = *added;
  for (Zone& existing : instrument.zones) {
    if (existing.sample != &sample) continue;
    const Fold fold = FoldOf(existing, zone, sample.channels);
    if (fold == Fold::None) continue;
    MergeZonePair(existing, fold == Fold::Stereo ? MergeStereo : MergeDual, zone);
    return;
  }
  SetZoneSample(zone, &sample);
  AddZone(instrument, zone);
}

}  // namespace tolvane
