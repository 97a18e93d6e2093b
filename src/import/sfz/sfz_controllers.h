#pragma once
// MIDI controllers as an SFZ file sets them before any note (set_ccN, set_hdccN), and the
// gates of regions on them (loccN, hiccN, lohdccN, hihdccN): a region whose gate is closed at
// the start values is never heard until a controller moves, which an instrument file cannot do.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// Start values by controller (0..127), in the 0..127 scale; controllers not named start at 0.
using SfzControllerStarts = std::map<int, double>;

// Takes `name`=`value` into `starts` when it is set_ccN (0..127) or set_hdccN (0..1, kept as
// x 127); values outside the range are brought to its ends. False for other opcodes and for
// values that are not numbers.
bool TakeSfzControllerStart(std::string_view name, std::string_view value,
                            SfzControllerStarts& starts);

// A gate that keeps a region silent at the start values.
struct SfzGate {
  int controller = 0;
  bool atLeast = true;  // loccN/lohdccN: the controller must reach the bound; else stay below
  std::string bound;    // in the opcode's own scale (0..127, or 0..1 for hdcc), shortest form
  bool operator==(const SfzGate&) const = default;
};

// The first gate (in opcode name order) of a region's `opcodes` that is closed at `starts`.
template <typename Opcodes>
std::optional<SfzGate> ClosedSfzGate(const Opcodes& opcodes, const SfzControllerStarts& starts);

// "controller 74 >= 1".
std::string SfzGateText(const SfzGate& gate);

// One gate opcode checked against `starts`: nothing when `name` is no gate or the gate is open.
std::optional<SfzGate> ClosedSfzGateOf(std::string_view name, std::string_view value,
                                       const SfzControllerStarts& starts);

template <typename Opcodes>
std::optional<SfzGate> ClosedSfzGate(const Opcodes& opcodes, const SfzControllerStarts& starts) {
  for (const auto& [name, value] : opcodes)
    if (auto gate = ClosedSfzGateOf(name, value, starts)) return gate;
  return std::nullopt;
}

}  // namespace tolvane
