// tolvane-sound-converter: the window program. Files named on the command line are imported as
// if dropped on the window, so that "Open with" works.

#include <QApplication>
#include <iostream>
#include <memory>
#include <span>

#include "database/sound_database.h"
#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "ui/window/program.h"
#include "ui/window/program_arguments.h"
#include "ui/window/program_icon.h"

int main(int argc, char** argv) {
  const std::span<char* const> arguments(argv + 1,
                                         static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  if (const auto status = tolvane::AnswerWithoutWindow(arguments, std::cout)) return *status;
  auto guard = std::make_unique<tolvane::DisplayGuard>();
  QApplication application(argc, argv);
  guard.reset();
  QApplication::setWindowIcon(tolvane::ProgramIcon());
  return tolvane::RunWindowProgram(
      QApplication::arguments().mid(1), tolvane::MidiInputMonitor::Instance(),
      tolvane::AudioOutputStream::Instance(), tolvane::DefaultSoundDatabasePath());
}
