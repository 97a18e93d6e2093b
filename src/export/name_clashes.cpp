#include "export/name_clashes.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace tolvane {
namespace {

// Equal instruments' keys in the order their first instrument comes.
template <typename Key, typename KeyOf>
std::vector<std::vector<const Instrument*>> SameKey(std::span<const Instrument* const> checked,
                                                    const KeyOf& keyOf) {
  std::map<Key, std::size_t> at;
  std::vector<std::vector<const Instrument*>> groups;
  for (const Instrument* instrument : checked) {
    const auto [found, added] = at.try_emplace(keyOf(*instrument), groups.size());
    if (added) groups.emplace_back();
    groups[found->second].push_back(instrument);
  }
  std::erase_if(groups, [](const auto& group) { return group.size() < 2; });
  return groups;
}

std::string Described(const Instrument& instrument) {
  std::string text = "'" + instrument.importedName + "'";
  if (instrument.source != nullptr) text += " (" + instrument.source->path + ")";
  return text;
}

}  // namespace

std::vector<NameClash> FindNameClashes(std::span<const Instrument* const> checked) {
  std::vector<NameClash> clashes;
  for (auto& group : SameKey<std::uint32_t>(
           checked, [](const Instrument& instrument) { return instrument.soundId; }))
    clashes.push_back({NameClash::Kind::SoundId, std::move(group)});
  for (auto& group : SameKey<std::string>(
           checked, [](const Instrument& instrument) { return instrument.name; })) {
    // Instruments whose SoundIDs clash already were named; the others still show alike.
    std::vector<const Instrument*> apart;
    for (const Instrument* instrument : group) {
      const bool named = std::any_of(clashes.begin(), clashes.end(), [&](const NameClash& c) {
        return c.kind == NameClash::Kind::SoundId &&
               std::find(c.instruments.begin(), c.instruments.end(), instrument) !=
                   c.instruments.end();
      });
      if (!named || apart.empty()) apart.push_back(instrument);
    }
    if (apart.size() >= 2) clashes.push_back({NameClash::Kind::Name, std::move(apart)});
  }
  return clashes;
}

std::string NameClashText(const NameClash& clash) {
  std::string text = std::to_string(clash.instruments.size()) + " instruments ";
  if (clash.kind == NameClash::Kind::SoundId) {
    char id[16];
    std::snprintf(id, sizeof id, "[%08X]", clash.instruments.front()->soundId);
    text += std::string("share SoundID ") + id;
  } else {
    text += "show as '" + clash.instruments.front()->name + "'";
  }
  text += ":";
  for (std::size_t i = 0; i < clash.instruments.size(); ++i)
    text += (i == 0 ? " " : ", ") + Described(*clash.instruments[i]);
  return text;
}

}  // namespace tolvane
