#include "import/sfz/sfz_regions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace tolvane {
namespace {

constexpr int kMidiControllers = 128;

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

// Whether every controller gate of the region is open at the controllers' start values.
bool GatesOpen(const SfzRegion& region, const SfzOpcodes& control) {
  for (const auto& [name, value] : region.opcodes) {
    const bool low = name.starts_with("locc");
    if (!low && !name.starts_with("hicc")) continue;
    const std::string_view digits = std::string_view(name).substr(4);
    int cc = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), cc);
    if (error != std::errc{} || end != digits.data() + digits.size() || cc < 0 ||
        cc >= kMidiControllers)
      continue;
    const std::string setName = "set_cc" + std::to_string(cc);
    const double start = SfzNumber(control, setName).value_or(0);
    const auto bound = Number(value);
    if (!bound) continue;
    if (low ? start < *bound : start > *bound) return false;
  }
  return true;
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

std::vector<SfzRegion> ChooseRegions(const SfzInstrument& instrument, ImportDrops& notes) {
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

  std::vector<SfzRegion> kept;
  for (const SfzRegion& region : instrument.regions) {
    const auto sample = region.opcodes.find("sample");
    const auto last = Key(region.opcodes, "sw_last", SfzKeyOffset(region.control));
    if (sample != region.opcodes.end() && sample->second.starts_with('*'))
      notes.Note(NoteKind::BuiltInGenerator, 1, sample->second);
    else if (IsRelease(region))
      notes.Note(NoteKind::ReleaseTrigger);
    else if (!FirstRoundRobin(region))
      notes.Note(NoteKind::LaterRoundRobin);
    else if (!GatesOpen(region, instrument.control))
      notes.Note(NoteKind::ControllerGate);
    else if (last && last != keySwitch)
      notes.Note(NoteKind::OtherKeySwitch);
    else
      kept.push_back(region);
  }
  return kept;
}

}  // namespace tolvane
