#include "cli/command_line.h"

#include <charconv>
#include <cstddef>
#include <string_view>
#include <system_error>

#include "analysis/crossfade.h"
#include "cli/note_names.h"
#include "import/format_lists.h"

namespace tolvane::cli {

namespace {

constexpr std::size_t kHelpWidth = 88;

const char* const kSynopsis =
    "Usage:\n"
    "  tolvane-convert list [--tsv] [--imported-names] [--programs] [--size] [OPTIONS]\n"
    "                       FILE...\n"
    "  tolvane-convert export --collection OUT.SLC [--snap-loops] [OPTIONS] FILE...\n"
    "  tolvane-convert export --single DIR [--snap-loops] [OPTIONS] FILE...\n"
    "  tolvane-convert info FILE\n"
    "  tolvane-convert render OUT.wav [--only NAME] [--note KEY[:VELOCITY]]... [--velocity V]\n"
    "                         [--hold SECONDS] [--rate HZ] [--auto-loop[=MS]] [--detect-root]\n"
    "                         FILE...\n"
    "  tolvane-convert formats [--markdown]\n"
    "  tolvane-convert categories\n"
    "  tolvane-convert --help | --version\n"
    "\n"
    "Imports every FILE and FOLDER as one drop, then lists their instruments, exports them as\n"
    "SiFi files or renders notes of one of them into a 16-bit stereo WAV file. A FOLDER of\n"
    "sample files becomes instruments by the files' names (Piano-C3-V127.wav: note, velocity\n"
    "layer, round robin, left/right); a folder that holds an instrument's own description is\n"
    "that instrument. `formats` lists what is read (--markdown: as the README's table),\n"
    "`categories` every category code with its name.\n"
    "\n"
    "Formats read:\n";

const char* const kOptions =
    "\n"
    "Options:\n"
    "  --tsv                 list: six tab-separated columns, one instrument a line\n"
    "  --imported-names      list: also each name as imported, before shortening (one more\n"
    "                        column with --tsv)\n"
    "  --programs            list: one more column, a SoundFont preset's bank and program\n"
    "                        (128:0; --- for other instruments)\n"
    "  --collection OUT.SLC  export: every checked instrument into one collection file\n"
    "  --single DIR          export: one .SLI file per group of instruments sharing samples\n"
    "  --snap-loops          export: move the points of loops that click to the nearest zero\n"
    "                        crossings of one direction (within 256 frames, the loop at least\n"
    "                        32 frames); without it such loops are only named\n"
    "  --only NAME           check only instruments of this Sound-Name (repeatable;\n"
    "                        case-insensitive); without it every instrument is checked\n"
    "  --category NAME=CODE  give instruments of this Sound-Name the two-letter category\n"
    "                        CODE (such as KC, A@, x@, @@; `categories` lists them all),\n"
    "                        remembered in the database\n"
    "  --suggest-categories  give every instrument still without a category the one its name\n"
    "                        or General MIDI program suggests (Kick, Snare, Pad, ...),\n"
    "                        remembered in the database; --category comes first\n"
    "  --database FILE       use FILE as the sound database\n"
    "  --middle-c C3|C4      the octave name of MIDI key 60 in sample names of a FOLDER\n"
    "                        whose names do not tell (default C3; --note names keep C4)\n"
    "  --soundfont presets|instruments\n"
    "                        what a SoundFont bank gives: one instrument per preset, named\n"
    "                        after it, or per instrument record (default instruments)\n"
    "  --normalize[=DBFS]    export: scale each group's samples by one factor so that the\n"
    "                        group's loudest value reaches DBFS, up or down (-60 to 0,\n"
    "                        default -1); instruments sharing samples keep their balance\n"
    "  --auto-loop[=MS]      export, render: find a sustain loop in each sample without one\n"
    "                        that a sustaining zone plays (in its steady part, on rising zero\n"
    "                        crossings, at least 0.1 s); MS (0 to 500, default 0) crossfades\n"
    "                        the loop's end into its start\n"
    "  --detect-root         export, render: measure the pitch of samples whose root key no\n"
    "                        file or name gave and take their root key from it; name given\n"
    "                        root keys an octave or more off\n"
    "  --trim[=DBFS]         export: cut each sample's frames before its first value above\n"
    "                        DBFS and after its last (-96 to -20, default -60), never past a\n"
    "                        zone's start or the loop; every zone plays what it played\n"
    "  --mono=same|all       export: store stereo samples whose channels are equal as mono\n"
    "                        (same), or fold every stereo sample to the mean of its channels\n"
    "                        (all: the stereo image is lost)\n"
    "  --rate HZ             export: resample samples above HZ (8000 to 96000) to it; a looped\n"
    "                        sample takes a rate near it that keeps its loop whole; notes keep\n"
    "                        their pitch\n"
    "  --size                list: the size of the export of the instruments (those --only\n"
    "                        names) as one collection and as single files, with --trim,\n"
    "                        --mono and --rate as given\n"
    "  --note KEY[:VELOCITY] render: a note to play (repeatable; default 60:100), KEY 0..127\n"
    "                        or a name (c4, C#4, Db4; C4 is 60, as in SFZ), VELOCITY 1..127;\n"
    "                        render plays the first instrument, or the one --only names\n"
    "  --velocity V          render: the velocity of notes given without one (default 100)\n"
    "  --hold SECONDS        render: how long each note is held (default 1), then it is\n"
    "                        released until silent (at most 10 s)\n"
    "  --rate HZ             render: the output rate (8000 to 192000, default 44100)\n"
    "  --markdown            formats: the table in Markdown\n"
    "  -h, --help            show this text\n"
    "  --version             show the program's version\n"
    "\n"
    "Exit status: 0 on success; 1 when a file cannot be opened, is not recognised or is\n"
    "damaged (each is named on stderr with the reason), is of a format that is not read, or\n"
    "when the command fails (the other files are still listed or exported); render answers\n"
    "only for the file of the instrument it plays, naming the others as notes; 2 for a bad\n"
    "command line.\n";

constexpr std::size_t kMaxRenderNotes = 128;
constexpr double kMaxHoldSeconds = 60;

// A whole number that fills `text`, or nothing.
template <typename Number>
std::optional<Number> NumberIn(std::string_view text) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end) return std::nullopt;
  return value;
}

// A velocity: 1..127, since 0 would be a note off.
std::optional<int> VelocityIn(std::string_view text) {
  const auto velocity = NumberIn<int>(text);
  if (!velocity || *velocity < 1 || *velocity > 127) return std::nullopt;
  return velocity;
}

// KEY or KEY:VELOCITY; without a velocity the note's is 0 until --velocity's is known.
std::optional<std::pair<int, int>> NoteIn(std::string_view text) {
  const auto colon = text.find(':');
  const auto key = KeyNamed(text.substr(0, colon));
  const auto velocity =
      colon == std::string_view::npos ? std::optional<int>(0) : VelocityIn(text.substr(colon + 1));
  if (!key || !velocity) return std::nullopt;
  return std::pair{*key, *velocity};
}

// The command a first argument names, with `export` as a collection export until --single.
std::optional<Command> CommandNamed(const std::string& name) {
  if (name == "list") return Command::List;
  if (name == "export") return Command::ExportCollection;
  if (name == "info") return Command::Info;
  if (name == "formats") return Command::Formats;
  if (name == "render") return Command::Render;
  if (name == "categories") return Command::Categories;
  return std::nullopt;
}

// The arguments after the command, one at a time.
class ArgumentParser {
 public:
  ArgumentParser(const std::vector<std::string>& arguments, Options& options)
      : arguments_(arguments), options_(options), command_(arguments.front()) {}

  // Takes every argument after the command. An error for stderr, or empty.
  std::string TakeAll() {
    for (i_ = 1; i_ < arguments_.size(); ++i_) {
      const std::string& a = arguments_[i_];
      // A level given apart from a bare --normalize ("--normalize -3") is meant as its level.
      if (!optionsEnded_ && bareNormalizeAt_ && *bareNormalizeAt_ + 1 == i_ && NumberIn<double>(a))
        return "--normalize takes its level after '=': write --normalize=" + a;
      if (!optionsEnded_ && bareAutoLoopAt_ && *bareAutoLoopAt_ + 1 == i_ && NumberIn<double>(a))
        return "--auto-loop takes its crossfade after '=': write --auto-loop=" + a;
      if (!optionsEnded_ && bareTrimAt_ && *bareTrimAt_ + 1 == i_ && NumberIn<double>(a))
        return "--trim takes its level after '=': write --trim=" + a;
      if (optionsEnded_ || a.empty() || a[0] != '-' || a == "-") {
        options_.files.push_back(a);
      } else if (a == "--") {
        optionsEnded_ = true;
      } else if (a == "--help" || a == "-h") {
        options_.command = Command::Help;
        return {};
      } else if (std::string error = TakeOption(a); !error.empty()) {
        return error;
      }
    }
    return Finish();
  }

 private:
  // The value after the option at hand, or nullptr when the arguments end.
  const std::string* Value() {
    if (i_ + 1 >= arguments_.size()) return nullptr;
    return &arguments_[++i_];
  }

  std::string TakeOption(const std::string& a) {
    if (a == "--tsv" && options_.command == Command::List) {
      options_.tsv = true;
    } else if (a == "--imported-names" && options_.command == Command::List) {
      options_.importedNames = true;
    } else if (a == "--programs" && options_.command == Command::List) {
      options_.programs = true;
    } else if (a == "--size" && options_.command == Command::List) {
      options_.size = true;
    } else if (a.starts_with("--trim") && (command_ == "export" || command_ == "list")) {
      if (std::string error = TakeTrim(a); !error.empty()) return error;
    } else if ((a == "--rate" || a.starts_with("--rate=")) &&
               (command_ == "export" || command_ == "list")) {
      const std::string* v = a == "--rate" ? Value() : nullptr;
      const std::string_view given = v != nullptr    ? std::string_view(*v)
                                     : a == "--rate" ? std::string_view()
                                                     : std::string_view(a).substr(7);
      const auto rate = NumberIn<unsigned>(given);
      if (!rate || *rate < kLowestExportRate || *rate > kHighestExportRate)
        return "--rate needs HZ from 8000 to 96000";
      options_.exportOptions.rate = *rate;
    } else if (a.starts_with("--mono") && (command_ == "export" || command_ == "list")) {
      if (a != "--mono=same" && a != "--mono=all") return "--mono needs =same or =all";
      options_.exportOptions.mono = a == "--mono=same" ? MonoFold::kSame : MonoFold::kAll;
    } else if (a == "--markdown" && options_.command == Command::Formats) {
      options_.markdown = true;
    } else if ((a == "--collection" || a == "--single") && command_ == "export") {
      if (haveTarget_) return "give only one of --collection and --single";
      const std::string* v = Value();
      if (v == nullptr || v->empty()) return a + " needs a path";
      options_.command = a == "--collection" ? Command::ExportCollection : Command::ExportSingle;
      options_.target = *v;
      haveTarget_ = true;
    } else if (a == "--snap-loops" && command_ == "export") {
      options_.exportOptions.loops = LoopMending::kSnap;
    } else if (a.starts_with("--normalize") && command_ == "export") {
      if (std::string error = TakeNormalize(a); !error.empty()) return error;
    } else if (a.starts_with("--auto-loop") && (command_ == "export" || command_ == "render")) {
      if (std::string error = TakeAutoLoop(a); !error.empty()) return error;
    } else if (a == "--detect-root" && (command_ == "export" || command_ == "render")) {
      options_.exportOptions.sounds.detectRoot = true;
    } else if (a == "--note" && command_ == "render") {
      const std::string* v = Value();
      const auto note = v ? NoteIn(*v) : std::nullopt;
      if (!note)
        return "--note needs KEY[:VELOCITY], a key 0..127 or a name such as C4 (60) or C#4, and "
               "a velocity 1..127";
      if (options_.notes.size() == kMaxRenderNotes) return "render plays at most 128 notes";
      options_.notes.push_back(*note);
    } else if (a == "--velocity" && command_ == "render") {
      const std::string* v = Value();
      const auto velocity = v ? VelocityIn(*v) : std::nullopt;
      if (!velocity) return "--velocity needs a velocity 1..127";
      velocity_ = *velocity;
    } else if (a == "--hold" && command_ == "render") {
      const std::string* v = Value();
      const auto hold = v ? NumberIn<double>(*v) : std::nullopt;
      if (!hold || !(*hold > 0 && *hold <= kMaxHoldSeconds))
        return "--hold needs SECONDS above 0 and at most 60";
      options_.holdSeconds = *hold;
    } else if (a == "--rate" && command_ == "render") {
      const std::string* v = Value();
      const auto rate = v ? NumberIn<unsigned>(*v) : std::nullopt;
      if (!rate || *rate < 8000 || *rate > 192000) return "--rate needs HZ from 8000 to 192000";
      options_.rate = *rate;
    } else if (a == "--only" && imports_) {
      const std::string* v = Value();
      if (v == nullptr) return "--only needs a NAME";
      options_.only.push_back(*v);
    } else if (a == "--category" && imports_ && command_ != "render") {
      const std::string* v = Value();
      const auto equals = v ? v->rfind('=') : std::string::npos;
      if (v == nullptr || equals == std::string::npos) return "--category needs NAME=CODE";
      options_.categories.emplace_back(v->substr(0, equals), v->substr(equals + 1));
    } else if (a == "--suggest-categories" && imports_ && command_ != "render") {
      options_.suggestCategories = true;
    } else if (a == "--middle-c" && imports_) {
      const std::string* v = Value();
      if (v == nullptr || (*v != "C3" && *v != "C4")) return "--middle-c needs C3 or C4";
      options_.import.middleC = *v == "C3" ? MiddleC::C3 : MiddleC::C4;
    } else if (a == "--soundfont" && imports_) {
      const std::string* v = Value();
      if (v == nullptr || (*v != "presets" && *v != "instruments"))
        return "--soundfont needs presets or instruments";
      options_.import.soundFont =
          *v == "presets" ? SoundFontMode::Presets : SoundFontMode::Instruments;
    } else if (a == "--database" && imports_) {
      const std::string* v = Value();
      if (v == nullptr || v->empty()) return "--database needs a FILE";
      options_.database = *v;
    } else {
      std::string message = "unknown option '";
      message.append(a).append("' for ").append(command_).append(" (try --help)");
      return message;
    }
    return {};
  }

  // --normalize or --normalize=DBFS; anything else that starts so is unknown.
  std::string TakeNormalize(const std::string& a) {
    constexpr std::string_view kName = "--normalize";
    std::optional<double> level;
    if (a == kName) {
      level = kDefaultNormalizeDbfs;
      bareNormalizeAt_ = i_;
    } else if (a[kName.size()] == '=') {
      level = NumberIn<double>(std::string_view(a).substr(kName.size() + 1));
    } else {
      return "unknown option '" + a + "' for export (try --help)";
    }
    if (!level || !(*level >= kLowestNormalizeDbfs && *level <= 0))
      return "--normalize needs =DBFS from -60 to 0 (or nothing, for -1)";
    options_.exportOptions.normalizeDbfs = *level;
    return {};
  }

  // --auto-loop or --auto-loop=MS; anything else that starts so is unknown.
  std::string TakeAutoLoop(const std::string& a) {
    constexpr std::string_view kName = "--auto-loop";
    std::optional<double> crossfade;
    if (a == kName) {
      crossfade = 0;
      bareAutoLoopAt_ = i_;
    } else if (a[kName.size()] == '=') {
      crossfade = NumberIn<double>(std::string_view(a).substr(kName.size() + 1));
    } else {
      return "unknown option '" + a + "' for " + command_ + " (try --help)";
    }
    if (!crossfade || !(*crossfade >= 0 && *crossfade <= kLongestCrossfadeMs))
      return "--auto-loop needs =MS from 0 to 500 (or nothing, for no crossfade)";
    options_.exportOptions.sounds.autoLoopCrossfadeMs = *crossfade;
    return {};
  }

  // --trim or --trim=DBFS, as --normalize.
  std::string TakeTrim(const std::string& a) {
    constexpr std::string_view kName = "--trim";
    std::optional<double> level;
    if (a == kName) {
      level = kDefaultTrimDbfs;
      bareTrimAt_ = i_;
    } else if (a[kName.size()] == '=') {
      level = NumberIn<double>(std::string_view(a).substr(kName.size() + 1));
    } else {
      return "unknown option '" + a + "' for " + command_ + " (try --help)";
    }
    if (!level || !(*level >= kLowestTrimDbfs && *level <= kHighestTrimDbfs))
      return "--trim needs =DBFS from -96 to -20 (or nothing, for -60)";
    options_.exportOptions.trimDbfs = *level;
    return {};
  }

  // What must hold once every argument is taken.
  std::string Finish() {
    const ExportOptions& fit = options_.exportOptions;
    if (command_ == "list" && !options_.size && fit.fitting().any())
      return "--trim, --mono and --rate change only list's --size: give --size";
    if (options_.command == Command::Formats)
      return options_.files.empty() ? std::string() : "formats takes no FILE";
    if (options_.command == Command::Categories)
      return options_.files.empty() ? std::string() : "categories takes no FILE";
    if (command_ == "render") {
      if (options_.files.empty()) return "render needs OUT.wav and at least one FILE";
      options_.target = options_.files.front();
      options_.files.erase(options_.files.begin());
      if (options_.only.size() > 1) return "render plays one instrument: give --only once";
      if (options_.notes.empty()) options_.notes.emplace_back(kDefaultRenderKey, 0);
      for (auto& note : options_.notes)
        if (note.second == 0) note.second = velocity_;
    }
    if (command_ == "export" && !haveTarget_)
      return "export needs --collection OUT.SLC or --single DIR";
    if (options_.files.empty()) return command_ + " needs at least one FILE";
    if (options_.command == Command::Info && options_.files.size() != 1)
      return "info takes exactly one FILE";
    return {};
  }

  const std::vector<std::string>& arguments_;
  Options& options_;
  const std::string command_;
  // Whether the command imports its files as a drop, and so takes the options of one.
  const bool imports_ = command_ != "info" && command_ != "formats" && command_ != "categories";
  std::size_t i_ = 1;
  bool haveTarget_ = false;
  bool optionsEnded_ = false;
  int velocity_ = kDefaultRenderVelocity;       // of notes given without one
  std::optional<std::size_t> bareNormalizeAt_;  // where --normalize stood without its level
  std::optional<std::size_t> bareAutoLoopAt_;   // where --auto-loop stood without a crossfade
  std::optional<std::size_t> bareTrimAt_;       // where --trim stood without its level
};

}  // namespace

std::string UsageText() {
  return kSynopsis + HelpFormatsText(kHelpWidth) + kOptions;
}

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
  ParseResult result;
  if (arguments.empty()) {
    result.error = "no command given (try --help)";
    return result;
  }
  Options options;
  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") {
    result.options = options;
    return result;
  }
  if (command == "--version") {
    options.command = Command::Version;
    result.options = options;
    return result;
  }
  const std::optional<Command> named = CommandNamed(command);
  if (!named) {
    result.error = "unknown command '" + command + "' (try --help)";
    return result;
  }
  options.command = *named;
  result.error = ArgumentParser(arguments, options).TakeAll();
  if (result.error.empty()) result.options = std::move(options);
  return result;
}

}  // namespace tolvane::cli
