#pragma once
// Reads SiFi instrument files, single-instrument and collection alike, back into the library:
// every instrument of every group chunk, with its zones and samples as stored. The zone
// parameters are taken as they are (relative to an average the file does not hold), so the
// instruments are not averaged again.

#include "import/importer.h"

namespace tolvane {

// Importer entry. NotRecognised without a SiFi header, or with a version other than 256.
// Otherwise every group chunk is read as the walk meets it; a zone whose entry, sample entry or
// sample data lies outside its group, or whose sample the library refuses, is left out, and an
// instrument whose entry lies outside its group is cut. Damaged when anything was left out or
// the chunks do not end exactly at the end of the file (the groups before stay imported);
// Imported otherwise.
ImportOutcome ImportSiFi(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
