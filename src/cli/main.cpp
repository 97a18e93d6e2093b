// tolvane-convert: the converter for batch use.

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = tolvane::cli::ParseCommandLine(arguments);
  if (!parsed.options) {
    std::cerr << "tolvane-convert: " << parsed.error << '\n';
    return 2;
  }
  return tolvane::cli::Run(*parsed.options, std::cout, std::cerr);
}
