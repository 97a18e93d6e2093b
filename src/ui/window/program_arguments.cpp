#include "ui/window/program_arguments.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "base/version.h"

namespace tolvane {
namespace {

constexpr std::string_view kUsage =
    "Usage: tolvane-sound-converter [FILE|FOLDER]...\n"
    "\n"
    "Opens the converter's window; every FILE and FOLDER named is imported as if dropped on\n"
    "it. tolvane-convert does the same without a window (tolvane-convert --help).\n"
    "\n"
    "  -h, --help  show this text\n"
    "  --version   show the program's version\n";

QtMessageHandler previousHandler = nullptr;

void HandleStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // Qt's own words name the platform plugin and how to reinstall it: beside the point for a
    // user who started the window where there is no screen.
    std::fputs(
        "tolvane-sound-converter: no display to open the window on (is DISPLAY set?); "
        "tolvane-convert converts without one\n",
        stderr);
    std::fflush(stderr);
    std::_Exit(1);
  }
  const std::string_view category = context.category != nullptr ? context.category : "";
  if (category.starts_with("qt.qpa")) return;
  if (previousHandler != nullptr) previousHandler(type, context, text);
}

}  // namespace

std::optional<int> AnswerWithoutWindow(std::span<char* const> arguments, std::ostream& out) {
  for (const char* argument : arguments) {
    if (argument == nullptr) continue;
    const std::string_view a = argument;
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
    if (a == "--version") {
      out << "tolvane-sound-converter " << ProgramVersion() << '\n';
      return 0;
    }
  }
  return std::nullopt;
}

DisplayGuard::DisplayGuard() {
  previousHandler = qInstallMessageHandler(HandleStartMessage);
}

DisplayGuard::~DisplayGuard() {
  qInstallMessageHandler(previousHandler);
  previousHandler = nullptr;
}

}  // namespace tolvane
