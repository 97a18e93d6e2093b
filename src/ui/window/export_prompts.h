#pragma once
// The two export buttons' commands: ask for the file or folder (starting from the one remembered
// in the settings), remember the choice, and run the export on the checked rows.

#include <QString>
#include <span>
#include <string>

#include "library/library.h"
#include "ui/window/prompts.h"

namespace tolvane {

struct ExportOutcome {
  bool ok = false;
  std::string detail;  // UTF-8, why it failed; empty when the prompt was cancelled
};

// The remembered collection file split at the platform's last path separator into the prompt's
// initial folder and file name; without a separator the whole text is the file name.
struct InitialChoice {
  QString folder;
  QString file;
};
InitialChoice SplitRememberedPath(const QString& path);

// Asks for the collection file ("SoundCollection" remembers it, stored before the file is
// written) and writes the checked instruments into it.
ExportOutcome RunCollectionExport(std::span<const Instrument* const> checked, Prompts& prompts);

// With at least one checked row, asks for the folder ("SoundDirectory" remembers it; the current
// folder when there is none) and writes one file per sample group of a checked instrument.
ExportOutcome RunSingleExport(Library& library, std::span<const Instrument* const> checked,
                              Prompts& prompts);

}  // namespace tolvane
