#pragma once
// The words for what an import came to, shared by the command-line tool and the window so that
// both name a file's trouble alike. Every kind of outcome is worded here and nowhere else.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_outcome.h"

namespace tolvane {

// "1 zone", "3 zones": a count of things named by a noun that takes an "s".
std::string Counted(std::size_t count, std::string_view noun);
// The same for parts of a kind: "2 regions".
std::string CountedParts(std::size_t count, PartKind part);
// 'text', as names of files and records are quoted.
std::string Quoted(std::string_view text);

// Why parts were left out, for one kind: "sample 'Kick.wav' not found".
std::string LeftOutText(const LeftOut& leftOut);
// One note: "2 regions played at 0 dB: a gain above 0 dB cannot be kept".
std::string NoteText(const ImportNote& note);

// The reason of an outcome: the file's own reason, then each kind of part left out, "3 zones
// left out: REASON", joined by "; ".
std::string OutcomeReason(const ImportOutcome& outcome);

// What went wrong with a file whose import ended in `outcome`, after which `added` instruments
// came from it: "not recognised: REASON", "damaged (3 instruments imported): REASON", the
// reason a file could not be opened, or "import cancelled". Empty for a file imported whole,
// notes or not.
std::string DescribeImportOutcome(const ImportOutcome& outcome, std::size_t added);

// Everything to tell about a file: DescribeImportOutcome's line when there is one, then one
// "note: TEXT" line per note. Empty for a file imported whole without notes.
std::vector<std::string> ImportOutcomeLines(const ImportOutcome& outcome, std::size_t added);

// The command-line tool's exit status for a file: 0 when it was imported, notes or not; 1 when
// it could not be opened, was not recognised, was damaged or its import was cancelled.
int ImportExitStatus(const ImportOutcome& outcome);

}  // namespace tolvane
