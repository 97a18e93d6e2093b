#include "import/sfz/sfz_controllers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tolvane {
namespace {

constexpr int kMidiControllers = 128;
constexpr double kHighest = 127;
// Start values and bounds are compared with this slack, so that 0.5 x 127 / 127 is still 0.5.
constexpr double kSlack = 1e-9;

std::optional<double> Number(std::string_view text) {
  double value = 0;
  const char* first = text.data();
  if (!text.empty() && text.front() == '+') ++first;
  const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
  if (error != std::errc{} || end == first || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The controller number after `prefix` in `name`, when `name` is `prefix` and digits only.
std::optional<int> ControllerAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return std::nullopt;
  const std::string_view digits = name.substr(prefix.size());
  int cc = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), cc);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || cc < 0 ||
      cc >= kMidiControllers)
    return std::nullopt;
  return cc;
}

std::string Shortest(double value) {
  std::array<char, 32> text{};
  const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} ? std::string(text.data(), end) : std::string();
}

}  // namespace

bool TakeSfzControllerStart(std::string_view name, std::string_view value,
                            SfzControllerStarts& starts) {
  const auto cc = ControllerAfter(name, "set_cc");
  const auto hdcc = ControllerAfter(name, "set_hdcc");
  const auto number = Number(value);
  if ((!cc && !hdcc) || !number) return false;
  if (cc)
    starts[*cc] = std::clamp(*number, 0.0, kHighest);
  else
    starts[*hdcc] = std::clamp(*number, 0.0, 1.0) * kHighest;
  return true;
}

std::optional<SfzGate> ClosedSfzGateOf(std::string_view name, std::string_view value,
                                       const SfzControllerStarts& starts) {
  struct Kind {
    std::string_view prefix;
    bool atLeast;
    double scale;  // of the bound, against the 0..127 of the start values
  };
  static constexpr Kind kKinds[] = {{"locc", true, 1},
                                    {"hicc", false, 1},
                                    {"lohdcc", true, kHighest},
                                    {"hihdcc", false, kHighest}};
  for (const Kind& kind : kKinds) {
    const auto cc = ControllerAfter(name, kind.prefix);
    if (!cc) continue;
    const auto bound = Number(value);
    if (!bound) return std::nullopt;
    const auto found = starts.find(*cc);
    const double start = (found == starts.end() ? 0.0 : found->second) / kind.scale;
    const bool open = kind.atLeast ? start >= *bound - kSlack : start <= *bound + kSlack;
    if (open) return std::nullopt;
    return SfzGate{*cc, kind.atLeast, Shortest(*bound)};
  }
  return std::nullopt;
}

std::string SfzGateText(const SfzGate& gate) {
  return "controller " + std::to_string(gate.controller) + (gate.atLeast ? " >= " : " <= ") +
         gate.bound;
}

}  // namespace tolvane
