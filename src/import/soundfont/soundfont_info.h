#pragma once
// A SoundFont bank described as its records stand, for `tolvane-convert info`: its presets by
// bank and program with the instrument records they play, then its instrument records.

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>

namespace tolvane {

// Writes the description to `out`. False, with nothing written, for bytes that are no SoundFont
// bank (`error` untouched) or a bank whose top-level lists cannot be walked (`error` says why,
// as the importer says it). Each bag and generator is read at most once, so the output stays in
// proportion to the file.
bool DescribeSoundFont(std::span<const std::byte> file, const std::string& name, std::ostream& out,
                       std::string& error);

}  // namespace tolvane
