#pragma once
// The instruments of one export, filed under the sample group they draw their samples from, so
// that instruments sharing samples land in one group chunk and every sample is stored once per
// file. The set only refers to library records; it must not outlive the library's content.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/library.h"

namespace tolvane {

struct SampleTuning {
  std::uint32_t rootKey = 60;
  std::int32_t pitchCorrection = 0;  // cents
};

struct ExportGroup {
  const SampleGroup* sampleGroup = nullptr;  // the key: no two groups of a set share it
  std::vector<const Instrument*> members;    // in the order they were added, each once
  // Loop points written instead of a sample's own (loops mended on request); the library's
  // samples keep theirs.
  std::unordered_map<const Sample*, LoopPoints> loops;
  // Every sample value of the group is written times this (rounded, kept within 16 bits); the
  // library's samples stay as they are.
  double gain = 1.0;
  // What the sound itself told (sustain loops found, root keys measured), written instead of
  // the library's own: a sample's values (crossfaded at its new loop), its root key and
  // tuning, and zones written as looped.
  std::unordered_map<const Sample*, SampleData> values{};
  std::unordered_map<const Sample*, SampleTuning> tunings{};
  std::unordered_set<const Zone*> loopedZones{};
};

// The values the group writes for `sample`: its own, or those ExportGroup::values holds.
const SampleData& WrittenValues(const ExportGroup& group, const Sample& sample);
// Records an export writes in place of the library's (FitExportSet): groups refer to them.
struct ExportCopies {
  std::vector<std::unique_ptr<Sample>> samples;
  std::vector<std::unique_ptr<SampleGroup>> groups;
  std::vector<std::unique_ptr<Instrument>> instruments;
};

struct ExportSet {
  std::vector<ExportGroup> groups;  // in the order their first instrument was added
  ExportCopies copies;
};

std::unique_ptr<ExportSet> CreateExportSet();

// Empties the set for the next file of the same command.
void ResetExportSet(ExportSet& set);

// Releases the set; the library records it referred to are untouched.
void FreeExportSet(std::unique_ptr<ExportSet> set);

// Files the instrument under its sample group, opening a new group at the end when the set has
// none for it yet. False, and nothing changes, when the instrument is already in the set or has
// no sample group (it plays no sample, so a file could not hold it).
bool AddInstrumentToExportSet(ExportSet& set, const Instrument& instrument);

// The largest magnitude (0..32768) among the values a group writes: the first frames x channels
// values of every sample of its sample group.
std::int32_t ExportGroupPeak(const ExportGroup& group);

// Gives each group of the set the one gain that brings its loudest value to `dbfs` (0 dBFS is a
// magnitude of 32768), up or down, so that the instruments of a group keep their balance. A
// silent group keeps gain 1. REQUIRES: dbfs <= 0.
void NormalizeExportSet(ExportSet& set, double dbfs);

}  // namespace tolvane
