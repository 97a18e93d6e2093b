#include "import/decent/decent_records.h"

#include <pugixml.hpp>

#include <cstring>

namespace tolvane {
namespace {

// Stages that combine down the levels rather than being inherited.
bool CombinesOrIsOwn(std::string_view name) {
  return name == "volume" || name == "globalTuning" || name == "groupTuning" || name == "enabled";
}

void Inherit(DecentAttributes& into, const pugi::xml_node& node) {
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    const std::string_view name = attribute.name();
    if (CombinesOrIsOwn(name)) continue;
    // An attribute repeated in one element (real presets have them): the last one counts.
    into.insert_or_assign(std::string(name), attribute.value());
  }
}

void Stage(std::vector<std::string>& stages, const pugi::xml_node& node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (attribute && *attribute.value() != '\0') stages.emplace_back(attribute.value());
}

bool Disabled(const pugi::xml_node& group) {
  const std::string_view enabled = group.attribute("enabled").value();
  return enabled == "false" || enabled == "0" || enabled == "FALSE" || enabled == "False";
}

DecentPresetRecords Collect(const pugi::xml_node& groups) {
  DecentPresetRecords records;
  DecentAttributes top;
  Inherit(top, groups);
  for (const pugi::xml_node& group : groups.children("group")) {
    if (Disabled(group)) {
      ++records.disabledGroups;
      continue;
    }
    DecentAttributes middle = top;
    Inherit(middle, group);
    for (const pugi::xml_node& sample : group.children("sample")) {
      DecentSampleRecord& record = records.samples.emplace_back();
      record.attributes = middle;
      Inherit(record.attributes, sample);
      Stage(record.volumes, groups, "volume");
      Stage(record.volumes, group, "volume");
      Stage(record.volumes, sample, "volume");
      Stage(record.tunings, groups, "globalTuning");
      Stage(record.tunings, group, "groupTuning");
    }
  }
  return records;
}

constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_wconv_attribute;

// Where the element `<groups ...>` starts in `text`, from `from` on; npos when it does not.
std::size_t FindGroupsStart(std::string_view text, std::size_t from) {
  constexpr std::string_view kOpen = "<groups";
  for (std::size_t at = text.find(kOpen, from); at != std::string_view::npos;
       at = text.find(kOpen, at + 1)) {
    const std::size_t next = at + kOpen.size();
    if (next < text.size() && std::strchr(" \t\r\n>/", text[next]) != nullptr) return at;
  }
  return std::string_view::npos;
}

// The `<groups>` element cut out of a document that does not parse whole: from its opening tag
// to the closing tag that ends it, or to its own end when it closes itself.
std::optional<pugi::xml_node> ParseGroupsAlone(std::string_view text, pugi::xml_document& doc) {
  const std::size_t start = FindGroupsStart(text, 0);
  if (start == std::string_view::npos) return std::nullopt;
  constexpr std::string_view kClose = "</groups>";
  const std::size_t close = text.find(kClose, start);
  const std::string_view element = close == std::string_view::npos
                                       ? text.substr(start)
                                       : text.substr(start, close + kClose.size() - start);
  // The document is given the span alone; pugixml copies it.
  if (!doc.load_buffer(element.data(), element.size(), kParseOptions, pugi::encoding_utf8))
    return std::nullopt;
  pugi::xml_node groups = doc.child("groups");
  if (!groups) return std::nullopt;
  return groups;
}

}  // namespace

std::optional<DecentPresetRecords> ReadDecentRecords(std::string_view text) {
  pugi::xml_document doc;
  if (doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8)) {
    const pugi::xml_node groups = doc.child("DecentSampler").child("groups");
    if (groups) return Collect(groups);
  }
  const std::optional<pugi::xml_node> groups = ParseGroupsAlone(text, doc);
  if (!groups) return std::nullopt;
  return Collect(*groups);
}

std::optional<std::string_view> DecentAttribute(const DecentAttributes& attributes,
                                                std::string_view name) {
  const auto found = attributes.find(name);
  if (found == attributes.end() || found->second.empty()) return std::nullopt;
  return std::string_view(found->second);
}

}  // namespace tolvane
