// tolvane-sound-converter: the window program. Files named on the command line are imported as
// if dropped on the window, so that "Open with" works.

#include <QApplication>

#include "database/sound_database.h"
#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "ui/window/program.h"
#include "ui/window/program_icon.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setWindowIcon(tolvane::ProgramIcon());
  return tolvane::RunWindowProgram(
      QApplication::arguments().mid(1), tolvane::MidiInputMonitor::Instance(),
      tolvane::AudioOutputStream::Instance(), tolvane::DefaultSoundDatabasePath());
}
