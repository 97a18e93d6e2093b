#include "import/sfz/sfz_regions.h"
#include "import/sfz/sfz_outcome.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

namespace tolvane {
namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::optional<double> Number(std::string_view text) {
  double value = 0;
  const char* first = text.data();
  if (!text.empty() && text.front() == '+') ++first;
  const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
  if (error != std::errc{} || end == first || !std::isfinite(value)) return std::nullopt;
  return value;
}

void Merge(SfzOpcodes& into, const std::vector<SfzOpcode>& opcodes) {
  for (const SfzOpcode& opcode : opcodes) into[opcode.name] = opcode.value;
}

void TakeStarts(SfzControllerStarts& starts, const std::vector<SfzOpcode>& opcodes) {
  for (const SfzOpcode& opcode : opcodes) TakeSfzControllerStart(opcode.name, opcode.value, starts);
}

std::optional<int> Key(const SfzOpcodes& opcodes, std::string_view name, int offset) {
  const auto found = opcodes.find(name);
  if (found == opcodes.end()) return std::nullopt;
  return ParseSfzKey(found->second, offset);
}

bool IsRelease(const SfzRegion& region) {
  const auto trigger = region.opcodes.find("trigger");
  return trigger != region.opcodes.end() &&
         (trigger->second == "release" || trigger->second == "release_key");
}

bool FirstRoundRobin(const SfzRegion& region) {
  const double position = SfzNumber(region.opcodes, "seq_position").value_or(1);
  const double low = SfzNumber(region.opcodes, "lorand").value_or(0);
  const double high = SfzNumber(region.opcodes, "hirand").value_or(1);
  return position <= 1 && low <= 0 && high > 0;
}

// The most common of `gates`, the first met among equals.
const SfzGate& MostCommon(const std::vector<SfzGate>& gates) {
  std::size_t best = 0;
  std::size_t bestCount = 0;
  for (std::size_t i = 0; i < gates.size(); ++i) {
    const auto count = static_cast<std::size_t>(std::count(gates.begin(), gates.end(), gates[i]));
    if (count > bestCount) {
      best = i;
      bestCount = count;
    }
  }
  return gates[best];
}

}  // namespace

std::optional<double> SfzNumber(const SfzOpcodes& opcodes, std::string_view name) {
  const auto found = opcodes.find(name);
  if (found == opcodes.end()) return std::nullopt;
  return Number(found->second);
}

std::optional<int> ParseSfzKey(std::string_view text, int offset) {
  if (text.empty()) return std::nullopt;
  if (const auto number = Number(text)) {
    if (*number < -1000 || *number > 1000) return std::nullopt;
    return static_cast<int>(*number) + offset;
  }
  static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  if (letter < 'a' || letter > 'g') return std::nullopt;
  int key = kSemitones[letter - 'a'];
  std::size_t at = 1;
  if (at < text.size() && text[at] == '#') {
    ++key;
    ++at;
  } else if (at < text.size() && text[at] == 'b' && at + 1 < text.size()) {
    --key;
    ++at;
  }
  int octave = 0;
  const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), octave);
  if (error != std::errc{} || end != text.data() + text.size() || octave < -2 || octave > 10)
    return std::nullopt;
  return (octave + 1) * 12 + key + offset;
}

int SfzKeyOffset(const SfzOpcodes& control) {
  const double notes = SfzNumber(control, "note_offset").value_or(0);
  const double octaves = SfzNumber(control, "octave_offset").value_or(0);
  return static_cast<int>(std::clamp(notes + 12 * octaves, -1000.0, 1000.0));
}

SfzInstrument CollectRegions(const std::vector<SfzSection>& sections) {
  SfzInstrument instrument;
  SfzOpcodes global;
  SfzOpcodes master;
  SfzOpcodes group;
  for (const SfzSection& section : sections) {
    const std::string header = Lower(section.header);
    if (header == "control" || header == "global" || header == "master" || header == "group" ||
        header == "region")
      TakeStarts(instrument.starts, section.opcodes);
    if (header == "control") {
      Merge(instrument.control, section.opcodes);
    } else if (header == "global") {
      global.clear();
      master.clear();
      group.clear();
      Merge(global, section.opcodes);
    } else if (header == "master") {
      master = global;
      group.clear();
      Merge(master, section.opcodes);
    } else if (header == "group") {
      group = master.empty() ? global : master;
      Merge(group, section.opcodes);
    } else if (header == "region") {
      SfzRegion region;
      region.opcodes = !group.empty() ? group : !master.empty() ? master : global;
      Merge(region.opcodes, section.opcodes);
      region.control = instrument.control;
      instrument.regions.push_back(std::move(region));
    }
  }
  return instrument;
}

SfzChoice ChooseRegions(const SfzInstrument& instrument, ImportDrops& notes) {
  // The key switch played at the start: sw_default where any level gives it, else the lowest.
  std::optional<int> keySwitch =
      Key(instrument.control, "sw_default", SfzKeyOffset(instrument.control));
  std::optional<int> lowest;
  for (const SfzRegion& region : instrument.regions) {
    const int offset = SfzKeyOffset(region.control);
    if (!keySwitch) keySwitch = Key(region.opcodes, "sw_default", offset);
    if (const auto last = Key(region.opcodes, "sw_last", offset))
      lowest = lowest ? std::min(*lowest, *last) : *last;
  }
  if (!keySwitch) keySwitch = lowest;

  SfzChoice choice;
  std::vector<SfzGate> gates;  // the first closed gate of each region left out for one
  std::string generator;       // the first built-in generator met
  std::size_t generators = 0;
  for (const SfzRegion& region : instrument.regions) {
    const auto sample = region.opcodes.find("sample");
    const auto last = Key(region.opcodes, "sw_last", SfzKeyOffset(region.control));
    std::optional<SfzGate> gate;
    if (sample != region.opcodes.end() && sample->second.starts_with('*')) {
      notes.Note(kBuiltInGenerator, 1, sample->second);
      if (generators++ == 0) generator = sample->second;
    } else if (IsRelease(region)) {
      notes.Note(NoteKind::ReleaseTrigger);
    } else if (!FirstRoundRobin(region)) {
      notes.Note(NoteKind::LaterRoundRobin);
    } else if ((gate = ClosedSfzGate(region.opcodes, instrument.starts))) {
      notes.Note(kControllerGate);
      gates.push_back(std::move(*gate));
    } else if (last && last != keySwitch) {
      notes.Note(kOtherKeySwitch);
    } else {
      choice.kept.push_back(region);
    }
  }
  if (choice.kept.empty() && !gates.empty())
    choice.whyNone = "every region waits for " + SfzGateText(MostCommon(gates));
  else if (choice.kept.empty() && generators > 0 && generators == instrument.regions.size())
    choice.whyNone =
        "every region plays a built-in generator ('" + generator + "'), which cannot be kept";
  return choice;
}

}  // namespace tolvane
