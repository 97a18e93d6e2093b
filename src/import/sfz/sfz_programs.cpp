#include "import/sfz/sfz_programs.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tolvane {
namespace {

constexpr int kPrograms = 128;

struct Range {
  int low = 0;
  int high = kPrograms - 1;
  bool given = false;  // loprog or hiprog written
};

Range ProgramsOf(const SfzRegion& region) {
  Range range;
  const auto low = SfzNumber(region.opcodes, "loprog");
  const auto high = SfzNumber(region.opcodes, "hiprog");
  range.given = low || high;
  if (low) range.low = static_cast<int>(std::clamp(*low, 0.0, kPrograms - 1.0));
  if (high) range.high = static_cast<int>(std::clamp(*high, 0.0, kPrograms - 1.0));
  return range;
}

std::string LabelOf(const SfzRegion& region) {
  for (const std::string_view name :
       {"master_label", "group_label", "global_label", "program_name"})
    if (const auto found = region.opcodes.find(name);
        found != region.opcodes.end() && !found->second.empty())
      return found->second;
  return {};
}

}  // namespace

std::vector<SfzProgram> SplitPrograms(const SfzInstrument& instrument) {
  std::vector<Range> ranges;
  ranges.reserve(instrument.regions.size());
  std::array<bool, kPrograms> named{};
  for (const SfzRegion& region : instrument.regions) {
    const Range range = ProgramsOf(region);
    if (range.given)
      for (int p = range.low; p <= range.high; ++p) named[static_cast<std::size_t>(p)] = true;
    ranges.push_back(range);
  }
  if (std::none_of(named.begin(), named.end(), [](bool n) { return n; }))
    return {SfzProgram{{}, instrument}};

  // Each named program's regions; neighbours with the same ones make one program.
  std::vector<SfzProgram> programs;
  std::vector<std::size_t> previous;
  int first = 0;
  for (int p = 0; p < kPrograms; ++p) {
    if (!named[static_cast<std::size_t>(p)]) {
      previous.clear();
      continue;
    }
    std::vector<std::size_t> members;
    for (std::size_t r = 0; r < ranges.size(); ++r)
      if (ranges[r].low <= p && p <= ranges[r].high) members.push_back(r);
    if (!programs.empty() && members == previous) {
      programs.back().label = std::to_string(first) + "-" + std::to_string(p);
      continue;
    }
    SfzProgram& program = programs.emplace_back();
    program.label = std::to_string(p);
    program.instrument.control = instrument.control;
    program.instrument.starts = instrument.starts;
    for (const std::size_t r : members) program.instrument.regions.push_back(instrument.regions[r]);
    previous = std::move(members);
    first = p;
  }
  // A label a region gives names its program better than its number.
  for (SfzProgram& program : programs) {
    for (const SfzRegion& region : program.instrument.regions) {
      if (!ProgramsOf(region).given) continue;
      if (std::string label = LabelOf(region); !label.empty()) {
        program.label = std::move(label);
        break;
      }
    }
  }
  return programs;
}

}  // namespace tolvane
