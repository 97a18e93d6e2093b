#include "import/hydrogen/hydrogen_kit.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <system_error>

namespace tolvane {
namespace {

// How far into a file the root element is looked for: past any sensible prolog.
constexpr std::size_t kLongestProlog = std::size_t{64} << 10;
constexpr std::string_view kRoot = "drumkit_info";

bool IsXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// `text` after leading blanks.
std::string_view SkipSpace(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsXmlSpace(text[at])) ++at;
  return text.substr(at);
}

// `text` past the first `end` after its start; empty when there is none.
std::string_view SkipPast(std::string_view text, std::string_view end) {
  const std::size_t at = text.find(end);
  return at == std::string_view::npos ? std::string_view{} : text.substr(at + end.size());
}

std::string_view Trimmed(std::string_view text) {
  text = SkipSpace(text);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The number an element holds, or nothing: locale-free, whole text only, finite.
std::optional<double> Number(const pugi::xml_node& parent, const char* name) {
  const std::string_view text = Trimmed(parent.child(name).text().get());
  if (text.empty()) return std::nullopt;
  // from_chars does not take the '+' that Qt never writes but a hand may.
  const std::string_view digits = text.front() == '+' ? text.substr(1) : text;
  double value = 0;
  const char* end = digits.data() + digits.size();
  const auto [at, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

double NumberOr(const pugi::xml_node& parent, const char* name, double fallback) {
  return Number(parent, name).value_or(fallback);
}

std::string Text(const pugi::xml_node& parent, const char* name) {
  return std::string(Trimmed(parent.child(name).text().get()));
}

// Older kits give each channel's level (0..1); Hydrogen reads them as the ratio of the quieter
// channel to the louder one.
double PanOfLevels(double left, double right) {
  if (left < 0 || right < 0 || (left == 0 && right == 0)) return 0;
  return left >= right ? right / left - 1 : 1 - left / right;
}

double PanOf(const pugi::xml_node& instrument) {
  if (const auto pan = Number(instrument, "pan")) return std::clamp(*pan, -1.0, 1.0);
  const auto left = Number(instrument, "pan_L");
  const auto right = Number(instrument, "pan_R");
  if (!left && !right) return 0;
  return PanOfLevels(left.value_or(1), right.value_or(1));
}

HydrogenLayer ReadLayer(const pugi::xml_node& layer) {
  HydrogenLayer read;
  read.file = Text(layer, "filename");
  read.min = NumberOr(layer, "min", 0);
  read.max = NumberOr(layer, "max", 1);
  read.gain = NumberOr(layer, "gain", 1);
  read.pitch = NumberOr(layer, "pitch", 0);
  return read;
}

std::vector<HydrogenLayer> ReadLayers(const pugi::xml_node& parent) {
  std::vector<HydrogenLayer> layers;
  for (const pugi::xml_node& layer : parent.children("layer")) layers.push_back(ReadLayer(layer));
  return layers;
}

HydrogenInstrument ReadInstrument(const pugi::xml_node& node) {
  HydrogenInstrument instrument;
  instrument.name = Text(node, "name");
  instrument.muted = Text(node, "isMuted") == "true";
  instrument.volume = NumberOr(node, "volume", 1);
  instrument.gain = NumberOr(node, "gain", 1);
  instrument.pan = PanOf(node);
  instrument.pitchOffset = NumberOr(node, "pitchOffset", 0);
  const std::string algorithm = Text(node, "sampleSelectionAlgo");
  instrument.velocityOnly = algorithm.empty() || algorithm == "VELOCITY";

  for (const pugi::xml_node& component : node.children("instrumentComponent")) {
    instrument.components.push_back(
        HydrogenComponent{NumberOr(component, "gain", 1), ReadLayers(component)});
  }
  if (instrument.components.empty()) {
    std::vector<HydrogenLayer> layers = ReadLayers(node);
    // The oldest form: one sample over every velocity.
    if (layers.empty() && !Text(node, "filename").empty())
      layers.push_back(HydrogenLayer{Text(node, "filename")});
    if (!layers.empty()) instrument.components.push_back(HydrogenComponent{1, std::move(layers)});
  }
  return instrument;
}

}  // namespace

bool LooksLikeHydrogenKit(std::span<const std::byte> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                        std::min(bytes.size(), kLongestProlog));
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  for (;;) {
    text = SkipSpace(text);
    if (text.starts_with("<?")) {
      text = SkipPast(text, "?>");
    } else if (text.starts_with("<!--")) {
      text = SkipPast(text, "-->");
    } else if (text.starts_with("<!")) {
      text = SkipPast(text, ">");  // a document type without an internal subset
    } else {
      break;
    }
  }
  if (!text.starts_with('<')) return false;
  text.remove_prefix(1);
  if (!text.starts_with(kRoot)) return false;
  text.remove_prefix(kRoot.size());
  return !text.empty() && (IsXmlSpace(text.front()) || text.front() == '>' || text.front() == '/');
}

HydrogenKitReading ReadHydrogenKit(std::string_view text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) {
    return {std::nullopt, std::string("not well-formed XML: ") + parsed.description() +
                              " at byte " + std::to_string(parsed.offset)};
  }
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != kRoot)
    return {std::nullopt, "the root element is not <drumkit_info>"};
  HydrogenKit kit;
  kit.name = Text(root, "name");
  for (const pugi::xml_node& node : root.child("instrumentList").children("instrument"))
    kit.instruments.push_back(ReadInstrument(node));
  return {std::move(kit), {}};
}

}  // namespace tolvane
