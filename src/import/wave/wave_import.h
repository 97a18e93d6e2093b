#pragma once
// The WAV importer: one RIFF WAVE file becomes one instrument whose zones span every key and
// velocity. Integer PCM of 16 bits in one or two channels gives one zone, its data taken as
// stored; IEEE float, A-law and mu-law data in one or two channels gives one zone too, its
// data converted to 16 bits. Every other layout gives one mono zone per channel, converted.

#include <cstdint>

#include "import/importer.h"

namespace tolvane {

struct Instrument;
struct Sample;

// Adds one zone over every key and velocity playing `sample` (nothing for null); `flags` are set
// before the loop flag. Every file that is one sound (WAV, AIFF, FLAC, ...) maps this way.
void AddWaveZone(Instrument& instrument, Sample* sample, std::uint8_t flags, bool loop);

// The importer of the chain: Imported with the file's instrument added, or the refusal of
// ReadWaveRecords (wave_records.h) with nothing created.
ImportOutcome ImportWave(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
