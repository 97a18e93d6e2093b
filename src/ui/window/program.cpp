#include "ui/window/program.h"

#include <QMetaObject>

#include "database/sound_database.h"
#include "library/library.h"
#include "ui/window/audition_link.h"
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
    // Before the dialog reopens the remembered ports, so that they play from the start.
    AuditionLink audition(midi, audio);
    MainDialog dialog({library, database, savePath, midi, audio});
    audition.Follow(dialog);
    const TerminationSignals signalsEnd([&dialog] { dialog.reject(); });
    if (!files.isEmpty())
      QMetaObject::invokeMethod(
          &dialog, [&dialog, files] { dialog.ImportDrop(files); }, Qt::QueuedConnection);
    dialog.exec();
    if (!savePath.empty()) static_cast<void>(SaveSoundDatabase(database, savePath));
    audio.Close();
    midi.Close();
    // The dialog goes only now: the MIDI monitor flashed its indicator until it was closed;
    // the audition goes after it, no longer called by either device.
  }
  ClearLibrary(library);
  return 0;
}

}  // namespace tolvane
