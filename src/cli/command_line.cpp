#include "cli/command_line.h"

#include <charconv>
#include <cstddef>
#include <string_view>
#include <system_error>

#include "analysis/crossfade.h"
#include "cli/note_names.h"

namespace tolvane::cli {

namespace {

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
      // The rate after '=', or the next argument.
      const std::string* v = a == "--rate" ? Value() : &a;
      const std::size_t at = v == &a ? std::string_view("--rate=").size() : 0;
      const auto rate =
          v != nullptr ? NumberIn<unsigned>(std::string_view(*v).substr(at)) : std::nullopt;
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
