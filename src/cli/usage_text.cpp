// What `tolvane-convert --help` prints: the commands, the formats read (from the table of
// formats) and every option.

#include <cstddef>
#include <string>

#include "cli/command_line.h"
#include "import/format_lists.h"

namespace tolvane::cli {
namespace {

constexpr std::size_t kHelpWidth = 88;

const char* const kSynopsis =
    "Usage:\n"
    "  tolvane-convert list [--tsv] [--imported-names] [--programs] [--size] [OPTIONS]\n"
    "                       FILE...\n"
    "  tolvane-convert export --collection OUT.SLC [--snap-loops] [OPTIONS] FILE...\n"
    "  tolvane-convert export --single DIR [--snap-loops] [OPTIONS] FILE...\n"
    "  tolvane-convert info FILE\n"
    "  tolvane-convert render OUT.wav [--only NAME] [--note KEY[:VELOCITY]]... [--velocity V]\n"
    "                         [--hold SECONDS] [--rate HZ] [--auto-loop[=MS]] [--detect-root]\n"
    "                         FILE...\n"
    "  tolvane-convert formats [--markdown]\n"
    "  tolvane-convert categories\n"
    "  tolvane-convert --help | --version\n"
    "\n"
    "Imports every FILE and FOLDER as one drop, then lists their instruments, exports them as\n"
    "SiFi files or renders notes of one of them into a 16-bit stereo WAV file. A FOLDER of\n"
    "sample files becomes instruments by the files' names (Piano-C3-V127.wav: note, velocity\n"
    "layer, round robin, left/right); a folder that holds an instrument's own description is\n"
    "that instrument. `formats` lists what is read (--markdown: as the README's table),\n"
    "`categories` every category code with its name.\n"
    "\n"
    "Formats read:\n";

const char* const kOptions =
    "\n"
    "Options:\n"
    "  --tsv                 list: six tab-separated columns, one instrument a line\n"
    "  --imported-names      list: also each name as imported, before shortening (one more\n"
    "                        column with --tsv)\n"
    "  --programs            list: one more column, a SoundFont preset's bank and program\n"
    "                        (128:0; --- for other instruments)\n"
    "  --collection OUT.SLC  export: every checked instrument into one collection file\n"
    "  --single DIR          export: one .SLI file per group of instruments sharing samples\n"
    "  --snap-loops          export: move the points of loops that click to the nearest zero\n"
    "                        crossings of one direction (within 256 frames, the loop at least\n"
    "                        32 frames); without it such loops are only named\n"
    "  --only NAME           check only instruments of this Sound-Name (repeatable;\n"
    "                        case-insensitive); without it every instrument is checked\n"
    "  --category NAME=CODE  give instruments of this Sound-Name the two-letter category\n"
    "                        CODE (such as KC, A@, x@, @@; `categories` lists them all),\n"
    "                        remembered in the database\n"
    "  --suggest-categories  give every instrument still without a category the one its name\n"
    "                        or General MIDI program suggests (Kick, Snare, Pad, ...),\n"
    "                        remembered in the database; --category comes first\n"
    "  --database FILE       use FILE as the sound database\n"
    "  --middle-c C3|C4      the octave name of MIDI key 60 in sample names of a FOLDER\n"
    "                        whose names do not tell (default C3; --note names keep C4)\n"
    "  --soundfont presets|instruments\n"
    "                        what a SoundFont bank gives: one instrument per preset, named\n"
    "                        after it, or per instrument record (default instruments)\n"
    "  --normalize[=DBFS]    export: scale each group's samples by one factor so that the\n"
    "                        group's loudest value reaches DBFS, up or down (-60 to 0,\n"
    "                        default -1); instruments sharing samples keep their balance\n"
    "  --auto-loop[=MS]      export, render: find a sustain loop in each sample without one\n"
    "                        that a sustaining zone plays (in its steady part, on rising zero\n"
    "                        crossings, at least 0.1 s); MS (0 to 500, default 0) crossfades\n"
    "                        the loop's end into its start\n"
    "  --detect-root         export, render: measure the pitch of samples whose root key no\n"
    "                        file or name gave and take their root key from it; name given\n"
    "                        root keys an octave or more off\n"
    "  --trim[=DBFS]         export: cut each sample's frames before its first value above\n"
    "                        DBFS and after its last (-96 to -20, default -60), never past a\n"
    "                        zone's start or the loop; every zone plays what it played\n"
    "  --mono=same|all       export: store stereo samples whose channels are equal as mono\n"
    "                        (same), or fold every stereo sample to the mean of its channels\n"
    "                        (all: the stereo image is lost)\n"
    "  --rate HZ             export: resample samples above HZ (8000 to 96000) to it; a looped\n"
    "                        sample takes a rate near it that keeps its loop whole; notes keep\n"
    "                        their pitch\n"
    "  --size                list: the size of the export of the instruments (those --only\n"
    "                        names) as one collection and as single files, with --trim,\n"
    "                        --mono and --rate as given\n"
    "  --note KEY[:VELOCITY] render: a note to play (repeatable; default 60:100), KEY 0..127\n"
    "                        or a name (c4, C#4, Db4; C4 is 60, as in SFZ), VELOCITY 1..127;\n"
    "                        render plays the first instrument, or the one --only names\n"
    "  --velocity V          render: the velocity of notes given without one (default 100)\n"
    "  --hold SECONDS        render: how long each note is held (default 1), then it is\n"
    "                        released until silent (at most 10 s)\n"
    "  --rate HZ             render: the output rate (8000 to 192000, default 44100)\n"
    "  --markdown            formats: the table in Markdown\n"
    "  -h, --help            show this text\n"
    "  --version             show the program's version\n"
    "\n"
    "Exit status: 0 on success; 1 when a file cannot be opened, is not recognised or is\n"
    "damaged (each is named on stderr with the reason), is of a format that is not read, or\n"
    "when the command fails (the other files are still listed or exported); render answers\n"
    "only for the file of the instrument it plays, naming the others as notes; 2 for a bad\n"
    "command line.\n";

}  // namespace

std::string UsageText() {
  return kSynopsis + HelpFormatsText(kHelpWidth) + kOptions;
}

}  // namespace tolvane::cli
