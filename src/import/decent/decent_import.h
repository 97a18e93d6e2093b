#pragma once
// The Decent Sampler importer: one preset (.dspreset XML) is one instrument, each `<sample>` it
// keeps one zone (stereo for a stereo sample). Samples are WAV, AIFF, FLAC or Ogg Vorbis files,
// each decoded once, all of a container's in one parallel pass, however many zones and presets
// share them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_settings.h"
#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;
struct SoundDatabase;

// Where a preset lies among the files that hold it.
struct DecentPresetPlace {
  // The instrument's name, in Windows-1252: the preset's file name without its extension.
  std::string_view name;
  std::int64_t modifiedTime = 0;  // of the preset, for the instrument's SoundID
  // The preset's folder among the files of its container, '/' after each folder ("" for the
  // container's top; "Presets/" for one inside). Sample paths count from it.
  std::string_view folder;
};

// Imports the preset `text` into `source`; its samples come from `files`, by paths relative to
// the top of the container (a bundle or archive, or the preset's own folder for a preset
// alone). A sample path that climbs out of the container, or is absolute, is left out and named
// like a missing sample. Samples equal in path, end and loop are shared with the other presets
// of the source. Damaged, with counts and the first path, when zones are left out for samples
// that are missing or cannot be read; Damaged without an instrument when `<groups>` cannot be
// read or no zone is left. What the instrument cannot hold (a gain above 0 dB, release
// triggers, later round robins) is approximated and noted. `progress` (may be null) hears of
// each sample decoded and may stop the import: Cancelled then, with nothing added.
ImportOutcome ImportDecentPreset(Library& library, Source& source, std::string_view text,
                                 const DecentPresetPlace& place, const InstrumentFiles& files,
                                 WorkProgress* progress = nullptr);

// Plans a preset over a shared pool: its sample paths count from `place.folder` and may not
// climb above it, the pool's paths being `place.root` and what they name there.
std::unique_ptr<PlannedFile> PlanDecentPreset(std::string_view text, const FilePlace& place,
                                              const InstrumentFiles& files, SamplePool& pool);

// One preset of a container as the container read it.
struct DecentPresetText {
  DecentPresetPlace place;
  // The preset's XML; nothing when it could not be read: the preset is then Damaged for
  // `failure`.
  std::optional<std::string_view> text;
  std::string_view failure;
};

// Imports every preset of a container into `source`, each as ImportDecentPreset does, in their
// order, but with the samples of them all decoded in one pass on all cores: a file several
// presets play is read once. One outcome a preset, in order; nothing when `progress` (may be
// null; it counts the samples decoded, then the presets built) stopped the import.
std::optional<std::vector<ImportOutcome>> ImportDecentPresets(
    Library& library, Source& source, std::span<const DecentPresetText> presets,
    const InstrumentFiles& files, WorkProgress* progress);

// The importer of the chain: a file whose name ends in ".dspreset" (any case), its samples read
// from its folder; the view's progress hears of the samples.
ImportOutcome ImportDecent(Library& library, Source& source, const ImportView& view);

// The importer of the chain for .dslibrary files (any case): a zip archive whose every .dspreset
// is one instrument of the file's source, in name order, its samples read from the archive
// (paths count from the archive's root, as a bundle's from its folder). Entries whose names
// could escape the archive are left out and named. Damaged, naming the preset and what was left
// out, when a preset is damaged (the others are still imported), or when the archive cannot be
// read; Damaged without an instrument when it holds no preset.
ImportOutcome ImportDecentLibrary(Library& library, Source& source, const ImportView& view);

// Adds one preset's outcome to its container's: its parts and notes counted together, its
// damage named after `preset`.
void GatherPresetOutcome(ImportDrops& drops, std::string& damage, const std::string& preset,
                         const ImportOutcome& outcome);

// Whether a folder of this name is a bundle of presets: its name ends in ".dsbundle", any case.
bool IsDecentBundleName(std::string_view utf8Path);

// A dropped .dsbundle folder: every .dspreset in it (and in its folders) is one instrument of
// one source named after the bundle; its loose sample files are not instruments of their own.
// NotRecognised when it holds no preset; Damaged, naming the preset and what was left out,
// when a preset is damaged (the others are still imported). `progress` (may be null) counts the
// presets and may stop the import (Cancelled).
ImportOutcome ImportDecentBundle(Library& library, SoundDatabase& database,
                                 std::string_view utf8Path, WorkProgress* progress = nullptr);

}  // namespace tolvane
