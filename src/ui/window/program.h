#pragma once
// The window program from start to end.

#include <QStringList>
#include <filesystem>

#include "devices/port_device.h"

namespace tolvane {

// Loads the sound database, runs the window (with `files` imported as one drop once it is up)
// until Escape, the close box or a termination signal ends it, then saves the database, closes
// the audio stream and the MIDI monitor, and clears the library. A database file that exists
// but cannot be read is never written over. Returns the process's exit status.
int RunWindowProgram(const QStringList& files, MidiInputDevice& midi, PortDevice& audio,
                     const std::filesystem::path& databasePath);

}  // namespace tolvane
