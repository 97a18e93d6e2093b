#include "cli/command_line.h"

namespace tolvane::cli {

const char* const kUsage =
    "Usage:\n"
    "  tolvane-convert list [--tsv] [OPTIONS] FILE...\n"
    "  tolvane-convert export --collection OUT.SLC [OPTIONS] FILE...\n"
    "  tolvane-convert export --single DIR [OPTIONS] FILE...\n"
    "  tolvane-convert info FILE\n"
    "  tolvane-convert --help\n"
    "\n"
    "Imports WAV files, SoundFont 2 banks and SiFi files (.SLI, .SLC) as one drop, then lists\n"
    "their instruments or exports them as SiFi files.\n"
    "\n"
    "Options:\n"
    "  --tsv                 list: six tab-separated columns, one instrument a line\n"
    "  --collection OUT.SLC  export: every checked instrument into one collection file\n"
    "  --single DIR          export: one .SLI file per group of instruments sharing samples\n"
    "  --only NAME           check only instruments of this Sound-Name (repeatable;\n"
    "                        case-insensitive); without it every instrument is checked\n"
    "  --category NAME=CODE  give instruments of this Sound-Name the two-letter category\n"
    "                        CODE (such as KC, A@, x@, @@), remembered in the database\n"
    "  --database FILE       use FILE as the sound database\n"
    "  -h, --help            show this text\n";

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
  ParseResult result;
  const auto fail = [&](std::string message) {
    result.options.reset();
    result.error = std::move(message);
    return result;
  };
  Options options;
  if (arguments.empty()) return fail("no command given (try --help)");

  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") {
    result.options = options;
    return result;
  }
  if (command == "list")
    options.command = Command::List;
  else if (command == "export")
    options.command = Command::ExportCollection;  // refined by --collection / --single
  else if (command == "info")
    options.command = Command::Info;
  else
    return fail("unknown command '" + command + "' (try --help)");

  bool haveTarget = false;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      options.files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      options.command = Command::Help;
      result.options = options;
      return result;
    }
    const auto value = [&](const char* name) -> const std::string* {
      if (i + 1 >= arguments.size()) return nullptr;
      (void)name;
      return &arguments[++i];
    };
    if (a == "--tsv" && options.command == Command::List) {
      options.tsv = true;
    } else if ((a == "--collection" || a == "--single") && command == "export") {
      if (haveTarget) return fail("give only one of --collection and --single");
      const std::string* v = value(a.c_str());
      if (v == nullptr || v->empty()) return fail(a + " needs a path");
      options.command = a == "--collection" ? Command::ExportCollection : Command::ExportSingle;
      options.target = *v;
      haveTarget = true;
    } else if (a == "--only" && command != "info") {
      const std::string* v = value("--only");
      if (v == nullptr) return fail("--only needs a NAME");
      options.only.push_back(*v);
    } else if (a == "--category" && command != "info") {
      const std::string* v = value("--category");
      const auto equals = v ? v->rfind('=') : std::string::npos;
      if (v == nullptr || equals == std::string::npos) return fail("--category needs NAME=CODE");
      options.categories.emplace_back(v->substr(0, equals), v->substr(equals + 1));
    } else if (a == "--database" && command != "info") {
      const std::string* v = value("--database");
      if (v == nullptr || v->empty()) return fail("--database needs a FILE");
      options.database = *v;
    } else {
      std::string message = "unknown option '";
      message.append(a).append("' for ").append(command).append(" (try --help)");
      return fail(std::move(message));
    }
  }
  if (command == "export" && !haveTarget)
    return fail("export needs --collection OUT.SLC or --single DIR");
  if (options.files.empty()) return fail(command + " needs at least one FILE");
  if (options.command == Command::Info && options.files.size() != 1)
    return fail("info takes exactly one FILE");
  result.options = std::move(options);
  return result;
}

}  // namespace tolvane::cli
