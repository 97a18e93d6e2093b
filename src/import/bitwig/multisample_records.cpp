#include "import/bitwig/multisample_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include <pugixml.hpp>

namespace tolvane {
namespace {

std::optional<double> Number(const pugi::xml_node& node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return std::nullopt;
  std::string_view text = attribute.value();
  while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || !std::isfinite(value)) return std::nullopt;
  return value;
}

void ReadDouble(const pugi::xml_node& node, const char* name, double& out) {
  if (const auto value = Number(node, name)) out = *value;
}

// Integers are written as such; a fraction is rounded, and anything far out of range is
// clamped where the zone takes it, so here only to what an int holds.
void ReadInt(const pugi::xml_node& node, const char* name, int& out) {
  if (const auto value = Number(node, name))
    out = static_cast<int>(std::clamp(std::round(*value), -1.0e9, 1.0e9));
}

bool Boolean(const pugi::xml_node& node, const char* name) {
  const std::string_view text = node.attribute(name).value();
  return text == "true" || text == "1";
}

std::optional<MultisampleLoop> ReadLoop(const pugi::xml_node& node) {
  if (!node) return std::nullopt;
  MultisampleLoop loop;
  const std::string_view mode = node.attribute("mode").value();
  if (mode == "loop") loop.mode = MultisampleLoopMode::Forward;
  if (mode == "ping-pong") loop.mode = MultisampleLoopMode::PingPong;
  ReadDouble(node, "start", loop.start);
  loop.stop = Number(node, "stop");
  return loop;
}

MultisampleSample ReadSample(const pugi::xml_node& node) {
  MultisampleSample sample;
  sample.file = node.attribute("file").value();
  ReadDouble(node, "sample-start", sample.start);
  sample.stop = Number(node, "sample-stop");
  ReadDouble(node, "gain", sample.gainDb);
  sample.reverse = Boolean(node, "reverse");
  sample.roundRobin = std::string_view(node.attribute("zone-logic").value()) == "round-robin";
  if (const pugi::xml_node key = node.child("key")) {
    ReadInt(key, "root", sample.root);
    ReadInt(key, "low", sample.keyLow);
    ReadInt(key, "high", sample.keyHigh);
    ReadDouble(key, "tune", sample.tune);
    ReadDouble(key, "track", sample.track);
  }
  if (const pugi::xml_node velocity = node.child("velocity")) {
    ReadInt(velocity, "low", sample.velocityLow);
    ReadInt(velocity, "high", sample.velocityHigh);
  }
  sample.loop = ReadLoop(node.child("loop"));
  return sample;
}

}  // namespace

MultisampleReading ReadMultisample(std::string_view text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    return {std::nullopt, std::string("multisample.xml is not well-formed XML: ") +
                              parsed.description() + " at byte " + std::to_string(parsed.offset)};
  }
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "multisample")
    return {std::nullopt, "multisample.xml without a <multisample> element"};
  Multisample multisample;
  multisample.name = root.attribute("name").value();
  // Some writers put the samples of each layer inside a <layer> element of the root.
  for (const pugi::xml_node child : root.children()) {
    const std::string_view name = child.name();
    if (name == "sample") multisample.samples.push_back(ReadSample(child));
    if (name != "layer") continue;
    for (const pugi::xml_node sample : child.children("sample"))
      multisample.samples.push_back(ReadSample(sample));
  }
  return {std::move(multisample), {}};
}

}  // namespace tolvane
