#include "ui/window/program.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "database/sound_database.h"
#include "library/library.h"
#include "ui/window/audition_link.h"
#include "ui/window/main_dialog.h"
#include "ui/window/termination_signals.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

// Why a database file that exists could not be read, as far as the system tells.
std::string WhyUnreadable(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return "it is a folder";
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return std::string("it cannot be opened: ") + std::strerror(errno);
  return "it is not a file that can be read whole";
}

}  // namespace

int RunWindowProgram(const QStringList& files, MidiInputDevice& midi, PortDevice& audio,
                     const std::filesystem::path& databasePath) {
  SoundDatabase database;
  const bool readable = LoadSoundDatabase(database, databasePath) != DatabaseLoad::kUnreadable;
  const std::filesystem::path savePath = readable ? databasePath : std::filesystem::path();
  const QString problem = readable ? QString()
                                   : QString::fromLatin1(texts::kDatabaseUnreadableText)
                                         .arg(QString::fromStdU16String(databasePath.u16string()),
                                              QString::fromStdString(WhyUnreadable(databasePath)));
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
    // Before the dialog reopens the remembered ports, so that they play from the start.
    AuditionLink audition(midi, audio);
    MainDialog dialog({library, database, savePath, midi, audio});
    audition.Follow(dialog);
    dialog.SetDatabaseProblem(problem);
    running = &dialog;
    // Ending the dialog cancels running work and waits for it, so that the database and the
    // settings are saved at once.
    if (!files.isEmpty()) dialog.ImportWhenShown(files);
    if (!ended) dialog.exec();
    running = nullptr;
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
