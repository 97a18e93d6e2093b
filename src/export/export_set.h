#pragma once
// The instruments of one export, filed under the sample group they draw their samples from, so
// that instruments sharing samples land in one group chunk and every sample is stored once per
// file. The set only refers to library records; it must not outlive the library's content.

#include <memory>
#include <unordered_map>
#include <vector>

#include "library/library.h"

namespace tolvane {

struct ExportGroup {
  const SampleGroup* sampleGroup = nullptr;  // the key: no two groups of a set share it
  std::vector<const Instrument*> members;    // in the order they were added, each once
  // Loop points written instead of a sample's own (loops mended on request); the library's
  // samples keep theirs.
  std::unordered_map<const Sample*, LoopPoints> loops;
};

struct ExportSet {
  std::vector<ExportGroup> groups;  // in the order their first instrument was added
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

}  // namespace tolvane
