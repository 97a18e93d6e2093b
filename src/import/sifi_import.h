#pragma once
// Reads SiFi instrument files, single-instrument and collection alike, back into the library:
// every instrument of every group chunk, with its zones and samples as stored. The zone
// parameters are taken as they are (relative to an average the file does not hold), so the
// instruments are not averaged again.

#include <cstddef>
#include <span>

#include "import/importer.h"

namespace tolvane {

// Importer entry: true when the file starts with a SiFi header of version 256 and its chunks end
// exactly at the end of the file. Groups met before a broken chunk stay imported even when the
// result is false.
bool ImportSiFi(Library& library, Source& source, const ImportView& view);

// Imports the instruments of one "SiIg" chunk; `chunk` is the whole chunk, header included, and
// nothing outside it is read. A zone whose entry, sample entry or sample data lies outside the
// chunk, or whose sample the library refuses, is left out. Returns the number of instruments
// added.
std::size_t ImportSiFiGroup(Library& library, Source& source, std::span<const std::byte> chunk);

}  // namespace tolvane
