#pragma once
// The record layer of Decent Sampler presets: the `<groups>` element of a preset's XML as one
// plain record per `<sample>`, the attributes its three levels share already inherited. Knows
// nothing of zones.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

using DecentAttributes = std::map<std::string, std::string, std::less<>>;

struct DecentSampleRecord {
  // Every attribute the sample, its group or `<groups>` sets, the lowest level winning; the
  // stages that combine instead (`volume`, `globalTuning`, `groupTuning`) and `enabled` are not
  // among them.
  DecentAttributes attributes;
  // The `volume` of `<groups>`, `<group>` and `<sample>` in that order, each set one: gain
  // stages that multiply.
  std::vector<std::string> volumes;
  // `globalTuning` and `groupTuning` where set: semitones added to the sample's `tuning`.
  std::vector<std::string> tunings;
};

struct DecentPresetRecords {
  std::vector<DecentSampleRecord> samples;  // in document order, disabled groups left out
  std::size_t disabledGroups = 0;
};

// The records of preset `text`; nothing when it holds no `<groups>` element that parses. The
// rest of the document need not be well-formed: presets whose `<ui>` or `<midi>` is broken
// (duplicate or run-together attributes, undefined entities, mismatched closing tags) play in
// the player, so only the `<groups>` element has to parse when the whole does not.
std::optional<DecentPresetRecords> ReadDecentRecords(std::string_view text);

// The attribute `name`, or nothing when it is not set or empty (presets write `groupTuning=""`).
std::optional<std::string_view> DecentAttribute(const DecentAttributes& attributes,
                                                std::string_view name);

}  // namespace tolvane
