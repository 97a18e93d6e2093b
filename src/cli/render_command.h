#pragma once
// tolvane-convert render, and the loudness check of export: what the sampler makes of an
// instrument, and which instruments would come out silent.

#include <iosfwd>
#include <span>

#include "cli/command_line.h"
#include "library/library.h"

namespace tolvane::cli {

// Renders the notes of `options` on `instrument` into the WAV file options.target and prints
// each note's peak. The exit status: 0 when the file was written.
int RenderInstrument(const Instrument& instrument, const Options& options, std::ostream& out,
                     std::ostream& err);

// Names on `err` every instrument whose samples are all silent or peak below -60 dBFS.
void ReportQuietInstruments(std::span<const Instrument* const> instruments, std::ostream& err);

}  // namespace tolvane::cli
