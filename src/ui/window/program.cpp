#include "ui/window/program.h"

#include <QMetaObject>

#include "database/sound_database.h"
#include "library/library.h"
#include "ui/window/main_dialog.h"
#include "ui/window/termination_signals.h"

namespace tolvane {

int RunWindowProgram(const QStringList& files, MidiInputDevice& midi, PortDevice& audio,
                     const std::filesystem::path& databasePath) {
  SoundDatabase database;
  const bool readable = LoadSoundDatabase(database, databasePath) != DatabaseLoad::kUnreadable;
  const std::filesystem::path savePath = readable ? databasePath : std::filesystem::path();
  Library library;
  {
    // Handled from before the window is built: at logout the signal may come while the
    // remembered ports are still being opened. It is read once the window runs, and ends it.
    MainDialog* running = nullptr;
    bool ended = false;
    const TerminationSignals signalsEnd([&running, &ended] {
      ended = true;
      if (running != nullptr) running->reject();
    });
    MainDialog dialog({library, database, savePath, midi, audio});
    running = &dialog;
    if (!files.isEmpty())
      QMetaObject::invokeMethod(
          &dialog, [&dialog, files] { dialog.ImportDrop(files); }, Qt::QueuedConnection);
    if (!ended) dialog.exec();
    running = nullptr;
    if (!savePath.empty()) static_cast<void>(SaveSoundDatabase(database, savePath));
    audio.Close();
    midi.Close();
    // The dialog goes only now: the MIDI monitor flashed its indicator until it was closed.
  }
  ClearLibrary(library);
  return 0;
}

}  // namespace tolvane
