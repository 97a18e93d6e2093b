#pragma once
// tolvane-convert list and categories: the instrument list as text, and the category codes a
// user gives with --category.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "cli/drop.h"
#include "library/category.h"

namespace tolvane::cli {

// The six list columns, aligned under a header, then a line counting the instruments; or, with
// `tsv`, the six texts tab-separated and nothing else. `programs` adds a SoundFont preset's bank
// and program, `importedNames` the names as imported (the aligned list shows them anyway when
// one differs from its Sound-Name).
void PrintList(const Drop& drop, bool tsv, bool importedNames, bool programs, std::ostream& out);

// list --size: the size the export of the instruments to export (CheckedRows) will have with
// the options given, as one collection and as single files, and what the options save. False,
// after saying why, when --only names no instrument.
bool PrintExportSize(const Options& options, const Drop& drop, std::ostream& out,
                     std::ostream& err);

// Every code of the category menu with its text, one a line: "KC  Techno Kick".
void PrintCategories(std::ostream& out);

// The menu's code written as `text` (two letters), or nothing.
std::optional<CategoryCode> MenuCode(std::string_view text);

// Why `text` is no code, with the codes that are: "unknown category code 'KZ' (Kick takes KT
// TR-alike, ...)".
std::string UnknownCategoryText(std::string_view text);

}  // namespace tolvane::cli
