#pragma once
// The MPC importer: a keygroup or drum program (.xpm in its XML form) is one instrument named
// after the program; each active layer of each keygroup or pad that names a sample is one zone
// (stereo for a stereo file). An expansion (.xpn, a zip archive with Expansion.xml at its top)
// is every program it holds, sharing their samples. Samples are WAV files found by name beside
// the program, else in the folders of its expansion (mpc_samples.h), each decoded once, all of
// them in parallel. The MPC 3 JSON form of a program is left to the row of the table that names
// it as not read.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;

// The file that makes a folder or archive an expansion.
inline constexpr std::string_view kMpcExpansionFile = "Expansion.xml";

// Plans a program over a shared pool: its samples are searched for from `place.root` +
// `place.folder`, and below the nearest folder above it (not above the top of `files`) that
// holds Expansion.xml, never elsewhere. A program in the JSON form builds to Unread; text that
// is no program to Damaged.
std::unique_ptr<PlannedFile> PlanMpcProgram(std::string_view text, const FilePlace& place,
                                            const InstrumentFiles& files, SamplePool& pool);

// The program `text` with samples from `files` (the program's folder at their top), named
// after `source` when it names itself nothing. Damaged, naming the first sample, when layers
// are left out for samples missing, unreadable or named with a folder; Damaged without an
// instrument when the text is no program or no layer is left. What the instrument cannot hold
// (later round robins, reverse playback, filters other than low-pass, slices, gains above
// 0 dB) is approximated and noted. `progress` (may be null) hears of each sample decoded and
// may stop the import: Cancelled then, with nothing added.
ImportOutcome ImportMpcProgramText(Library& library, Source& source, std::string_view text,
                                   std::int64_t modifiedTime, const InstrumentFiles& files,
                                   WorkProgress* progress = nullptr);

// The expansion in the zip archive `bytes`: every .xpm in it, in name order, an instrument of
// `source`. Damaged without an instrument when the archive cannot be read, has no Expansion.xml
// at its top or holds no program; entries whose names are refused are named as files left out;
// its files no program plays (previews, sequences, caches, MPC 3 tracks) are counted in a note.
ImportOutcome ImportMpcExpansion(Library& library, Source& source, std::span<const std::byte> bytes,
                                 std::int64_t modifiedTime, WorkProgress* progress = nullptr);

// The importer of the chain: a file whose name ends in ".xpn" (any case) read as an expansion;
// any other a program read with the files of its folder. Unread for an .xpm in MPC 3's JSON
// form (gzip); NotRecognised for any other gzip or zip file.
ImportOutcome ImportMpc(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
