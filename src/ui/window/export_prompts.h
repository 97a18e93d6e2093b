#pragma once
// The questions the two export buttons ask: the file or folder, starting from the one remembered
// in the settings, and remembered once chosen. The export itself runs as the window's work.

#include <QString>
#include <filesystem>
#include <optional>

#include "ui/window/prompts.h"

namespace tolvane {

// The remembered collection file split at the platform's last path separator into the prompt's
// initial folder and file name; without a separator the whole text is the file name.
struct InitialChoice {
  QString folder;
  QString file;
};
InitialChoice SplitRememberedPath(const QString& path);

// Asks for the collection file ("SoundCollection" remembers it, stored before the file is
// written): the file in native form, or nothing when the prompt was cancelled.
std::optional<QString> AskCollectionFile(Prompts& prompts);

// Asks for the folder of the single-instrument files ("SoundDirectory" remembers it; the current
// folder when there is none): the folder in native form, or nothing when cancelled.
std::optional<QString> AskExportFolder(Prompts& prompts);

// A path the user chose, as the file system names it.
std::filesystem::path PathOf(const QString& path);

}  // namespace tolvane
