#include "export/group_split.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "sifi/sifi_format.h"

namespace tolvane::sifi_writing {

std::uint64_t TableBytes(std::uint64_t members, std::uint64_t zones, std::uint64_t samples) {
  return sifi::kGroupHeaderSize + sifi::kInstrumentEntrySize * members +
         sifi::kZoneEntrySize * zones + sifi::kSampleEntrySize * samples;
}

MemberNeeds NeedsOf(const Instrument& instrument, const std::vector<Sample*>& group) {
  std::unordered_map<const Sample*, std::size_t> placeOf;
  for (std::size_t i = 0; i < group.size(); ++i) placeOf.emplace(group[i], i);
  MemberNeeds needs;
  for (const Zone& zone : instrument.zones) {
    const auto found = placeOf.find(zone.sample);
    if (found == placeOf.end()) continue;  // as the layout does: such a zone is not written
    ++needs.zones;
    needs.samples.push_back(found->second);
  }
  std::sort(needs.samples.begin(), needs.samples.end());
  needs.samples.erase(std::unique(needs.samples.begin(), needs.samples.end()), needs.samples.end());
  return needs;
}

std::optional<std::vector<GroupPart>> SplitGroup(const std::vector<MemberNeeds>& members,
                                                 std::size_t groupSamples, std::size_t& alone) {
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (TableBytes(1, members[m].zones, members[m].samples.size()) > sifi::kMaxTableBytes) {
      alone = m;
      return std::nullopt;
    }
  }
  std::vector<GroupPart> parts;
  std::vector<bool> placed(members.size(), false);
  std::size_t left = members.size();
  std::size_t first = 0;
  while (left > 0) {
    while (placed[first]) ++first;
    GroupPart part;
    std::vector<bool> held(groupSamples, false);
    std::size_t zones = 0;
    const auto take = [&](std::size_t m) {
      placed[m] = true;
      --left;
      part.members.push_back(m);
      zones += members[m].zones;
      for (const std::size_t s : members[m].samples) {
        if (!held[s]) part.samples.push_back(s);
        held[s] = true;
      }
    };
    take(first);
    for (;;) {
      std::size_t best = members.size();
      std::size_t bestShared = 0;
      for (std::size_t m = first + 1; m < members.size(); ++m) {
        if (placed[m]) continue;
        const auto shared = static_cast<std::size_t>(
            std::count_if(members[m].samples.begin(), members[m].samples.end(),
                          [&](std::size_t s) { return held[s]; }));
        const std::uint64_t bytes =
            TableBytes(part.members.size() + 1, zones + members[m].zones,
                       part.samples.size() + members[m].samples.size() - shared);
        if (bytes > sifi::kMaxTableBytes) continue;
        if (best == members.size() || shared > bestShared) {
          best = m;
          bestShared = shared;
        }
      }
      if (best == members.size()) break;
      take(best);
    }
    std::sort(part.members.begin(), part.members.end());
    std::sort(part.samples.begin(), part.samples.end());
    parts.push_back(std::move(part));
  }
  return parts;
}

}  // namespace tolvane::sifi_writing
