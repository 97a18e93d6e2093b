// tolvane-convert: the converter for batch use.

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"

#ifdef _WIN32
// windows.h first: shellapi.h builds on its types.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>

#include "base/paths.h"
#endif

namespace {

#ifdef _WIN32
// main's arguments come in the ANSI code page, which cannot hold most names; the wide command
// line holds them all, and the program works in UTF-8. Output is UTF-8 too, and written in
// binary mode: lines end in LF as on Linux, so `--tsv` reads the same everywhere (the console
// shows LF alone as a line end).
std::vector<std::string> Arguments(int /*argc*/, char** /*argv*/) {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  int count = 0;
  wchar_t** const wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i)
    arguments.push_back(tolvane::PathToUtf8(std::filesystem::path(wide[i])));
  ::LocalFree(static_cast<void*>(wide));
  return arguments;
}

// The console shows UTF-8 while the program runs; the console's own code page comes back after.
class Utf8Console {
 public:
  Utf8Console() : previous_(::GetConsoleOutputCP()) { ::SetConsoleOutputCP(CP_UTF8); }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;
  ~Utf8Console() {
    // What is still buffered must reach the console while it shows UTF-8.
    std::cout.flush();
    std::fflush(nullptr);
    if (previous_ != 0) ::SetConsoleOutputCP(previous_);  // 0: there is no console
  }

 private:
  UINT previous_;
};
#else
std::vector<std::string> Arguments(int argc, char** argv) {
  return {argv + 1, argv + argc};
}

struct Utf8Console {};  // output is UTF-8 already
#endif

}  // namespace

int main(int argc, char** argv) {
  [[maybe_unused]] const Utf8Console console;
  const std::vector<std::string> arguments = Arguments(argc, argv);
  const auto parsed = tolvane::cli::ParseCommandLine(arguments);
  if (!parsed.options) {
    std::cerr << "tolvane-convert: " << parsed.error << '\n';
    return 2;
  }
  return tolvane::cli::Run(*parsed.options, std::cout, std::cerr,
                           tolvane::cli::Leftovers::kLeaveToExit);
}
