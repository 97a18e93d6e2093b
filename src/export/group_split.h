#pragma once
// A sample group whose tables the format cannot hold in one group chunk is written as several:
// each part holds the instruments that fit together and its own copy of the samples they play.
// Internal to the writer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "library/library.h"

namespace tolvane::sifi_writing {

// What one instrument of a group needs in the tables: its zones that play a sample of the group,
// and those samples, as places in the group's sample list (ascending, each once).
struct MemberNeeds {
  std::size_t zones = 0;
  std::vector<std::size_t> samples;
};

// The tables' size of a group chunk of `members` instruments, `zones` zones and `samples`
// samples.
std::uint64_t TableBytes(std::uint64_t members, std::uint64_t zones, std::uint64_t samples);

// What `instrument` needs of `group` (its sample group's list of samples).
MemberNeeds NeedsOf(const Instrument& instrument, const std::vector<Sample*>& group);

struct GroupPart {
  std::vector<std::size_t> members;  // places in the member list, ascending
  std::vector<std::size_t> samples;  // places in the group's sample list, ascending
};

// Parts whose tables each fit: a part starts with the first member left and takes, one after
// another, the member left that shares the most samples with it (the earliest of equals) while
// the tables still fit. Nothing when a member alone does not fit; `alone` is then its place.
std::optional<std::vector<GroupPart>> SplitGroup(const std::vector<MemberNeeds>& members,
                                                 std::size_t groupSamples, std::size_t& alone);

}  // namespace tolvane::sifi_writing
