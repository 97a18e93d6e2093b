#include "import/sample_folder/folder_plan.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>
#include <utility>

namespace tolvane {
namespace {

// Numbers in this range are velocities (V64, V127); below it, indices (v1 .. v16).
constexpr int kLowestVelocityValue = 17;

// A file or a stereo pair of files on its way into an instrument.
struct Entry {
  std::size_t file = 0;
  std::optional<std::size_t> right;
  std::string stem;
  int key = 0;
  std::optional<SampleLayer> layer;
  int roundRobin = 0;
};

// The convention the names holding both a number and a note agree on, else `setting`.
MiddleC FolderConvention(std::span<const FolderFile> files, MiddleC setting) {
  std::optional<MiddleC> agreed;
  for (const FolderFile& file : files) {
    if (!file.name.note || !file.name.midiNumber) continue;
    const auto convention = ConventionOf(*file.name.note, *file.name.midiNumber);
    if (!convention) continue;
    if (agreed && *agreed != *convention) return setting;
    agreed = convention;
  }
  return agreed.value_or(setting);
}

// A recorder's tag: a word of capitals and digits, such as "Z5O6" or "WBNT".
bool LooksLikeTag(std::string_view word) {
  return word.size() >= 2 && std::all_of(word.begin(), word.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
         });
}

// A stem's words with the separators before each.
std::vector<std::pair<std::string, std::string>> StemWords(std::string_view stem) {
  const auto separator = [](char c) { return c == '_' || c == '-' || c == ' ' || c == '.'; };
  std::vector<std::pair<std::string, std::string>> words;
  std::size_t i = 0;
  while (i < stem.size()) {
    const std::size_t before = i;
    while (i < stem.size() && separator(stem[i])) ++i;
    const std::size_t start = i;
    while (i < stem.size() && !separator(stem[i])) ++i;
    words.emplace_back(std::string(stem.substr(before, start - before)),
                       std::string(stem.substr(start, i - start)));
  }
  return words;
}

// The stem without its word at `at` and the separators before it.
std::string WithoutWord(const std::vector<std::pair<std::string, std::string>>& words,
                        std::size_t at) {
  std::string stem;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i == at) continue;
    if (!stem.empty()) stem += words[i].first;
    stem += words[i].second;
  }
  return stem;
}

// Files of one family whose stems differ only in a tag at one place, a different tag in every
// file ("Wave-C3-V127-Z5O6", "Wave-F#3-V127-WBNT"), are one instrument: the tags leave their
// stems. Only when at least three files do so, with tags of one length, and no two of them
// would play the same key, layer, round robin and channel.
void DropUniqueTags(std::vector<Entry>& entries, std::span<const FolderFile> files) {
  constexpr std::size_t kLeastFamily = 3;
  std::map<std::tuple<std::size_t, std::size_t, std::string>, std::vector<std::size_t>> families;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const auto words = StemWords(entries[e].stem);
    for (std::size_t at = 0; at < words.size(); ++at)
      if (LooksLikeTag(words[at].second))
        families[{words.size(), at, WithoutWord(words, at)}].push_back(e);
  }
  std::vector<bool> done(entries.size(), false);
  for (const auto& [family, members] : families) {
    if (members.size() < kLeastFamily) continue;
    const auto& [words, at, stem] = family;
    std::map<std::string, int> tags;
    std::map<std::tuple<int, std::optional<SampleLayer>, int, SampleChannel>, int> plays;
    bool apart = true;
    std::size_t length = 0;
    for (const std::size_t e : members) {
      const Entry& entry = entries[e];
      const std::string tag = StemWords(entry.stem)[at].second;
      if (length == 0) length = tag.size();
      apart =
          apart && !done[e] && tag.size() == length && ++tags[tag] == 1 &&
          ++plays[{entry.key, entry.layer, entry.roundRobin, files[entry.file].name.channel}] == 1;
    }
    if (!apart) continue;
    for (const std::size_t e : members) {
      entries[e].stem = stem;
      done[e] = true;
    }
  }
}

std::uint8_t Byte7(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

// Joins left and right halves that make one stereo sample; halves that do not keep their
// channel in the stem, so that they stay apart.
std::vector<Entry> PairHalves(std::vector<Entry> entries, std::span<const FolderFile> files) {
  using PairKey = std::tuple<std::string, int, std::optional<SampleLayer>, int>;
  std::map<PairKey, std::pair<std::vector<std::size_t>, std::vector<std::size_t>>> halves;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const Entry& entry = entries[e];
    const SampleChannel channel = files[entry.file].name.channel;
    if (channel == SampleChannel::None) continue;
    auto& sides = halves[{entry.stem, entry.key, entry.layer, entry.roundRobin}];
    (channel == SampleChannel::Left ? sides.first : sides.second).push_back(e);
  }
  std::vector<bool> gone(entries.size(), false);
  for (const auto& [key, sides] : halves) {
    const auto& [lefts, rights] = sides;
    if (lefts.size() == 1 && rights.size() == 1) {
      const FolderFile& left = files[entries[lefts[0]].file];
      const FolderFile& right = files[entries[rights[0]].file];
      if (left.channels == 1 && right.channels == 1 && left.frames == right.frames &&
          left.sampleRate == right.sampleRate) {
        entries[lefts[0]].right = entries[rights[0]].file;
        gone[rights[0]] = true;
        continue;
      }
    }
    for (const auto* side : {&lefts, &rights})
      for (const std::size_t e : *side) entries[e].stem += files[entries[e].file].name.channelToken;
  }
  std::vector<Entry> kept;
  for (std::size_t e = 0; e < entries.size(); ++e)
    if (!gone[e]) kept.push_back(std::move(entries[e]));
  return kept;
}

std::vector<std::pair<std::uint8_t, std::uint8_t>> VelocityRanges(
    const std::vector<std::optional<SampleLayer>>& layers) {
  const std::size_t n = layers.size();
  if (n == 1) return {{0, 127}};
  const bool velocities = std::all_of(layers.begin(), layers.end(),
                                      [](const std::optional<SampleLayer>& layer) {
                                        return layer && layer->kind == LayerKind::Number &&
                                               layer->value >= 1 && layer->value <= 127;
                                      }) &&
                          layers.back()->value >= kLowestVelocityValue;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> ranges;
  int previousTop = 0;
  for (std::size_t i = 0; i < n; ++i) {
    int low = 1 + static_cast<int>(i * 127 / n);
    int high = static_cast<int>((i + 1) * 127 / n);
    if (velocities) {
      low = previousTop + 1;
      high = i + 1 == n ? 127 : layers[i]->value;
      previousTop = high;
    }
    ranges.emplace_back(Byte7(low), Byte7(std::max(low, high)));
  }
  return ranges;
}

// The zones of one instrument's entries.
std::vector<PlannedZone> PlanZones(std::vector<Entry>& entries, std::span<const FolderFile> files,
                                   std::size_t& roundRobinsLeftOut) {
  std::vector<std::optional<SampleLayer>> layers;
  layers.reserve(entries.size());
  for (const Entry& entry : entries) layers.push_back(entry.layer);
  std::sort(layers.begin(), layers.end());
  layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
  const auto velocities = VelocityRanges(layers);

  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    return std::tie(a.layer, a.key, a.roundRobin, files[a.file].stem) <
           std::tie(b.layer, b.key, b.roundRobin, files[b.file].stem);
  });
  std::vector<PlannedZone> zones;
  for (std::size_t l = 0; l < layers.size(); ++l) {
    std::vector<const Entry*> roots;  // the first entry of each key of the layer
    for (const Entry& entry : entries) {
      if (entry.layer != layers[l]) continue;
      if (!roots.empty() && roots.back()->key == entry.key) {
        ++roundRobinsLeftOut;
        continue;
      }
      roots.push_back(&entry);
    }
    for (std::size_t r = 0; r < roots.size(); ++r) {
      PlannedZone zone;
      zone.file = roots[r]->file;
      zone.right = roots[r]->right;
      zone.rootKey = Byte7(roots[r]->key);
      zone.keyLow = r == 0 ? 0 : Byte7((roots[r - 1]->key + roots[r]->key) / 2 + 1);
      zone.keyHigh = r + 1 == roots.size() ? 127 : Byte7((roots[r]->key + roots[r + 1]->key) / 2);
      zone.velLow = velocities[l].first;
      zone.velHigh = velocities[l].second;
      zones.push_back(zone);
    }
  }
  return zones;
}

}  // namespace

FolderPlan PlanFolder(std::span<const FolderFile> files, MiddleC middleC) {
  FolderPlan plan;
  plan.middleC = FolderConvention(files, middleC);

  std::vector<Entry> entries;
  std::vector<std::size_t> lone;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const FolderFile& file = files[i];
    std::optional<int> key = file.name.Key(plan.middleC);
    if (!key && file.ownRootKey)
      key = static_cast<int>(std::min<std::uint32_t>(*file.ownRootKey, 127));
    if (!key) {
      lone.push_back(i);
      continue;
    }
    entries.push_back(
        {i, std::nullopt, file.name.stem, *key, file.name.layer, file.name.roundRobin.value_or(0)});
  }

  DropUniqueTags(entries, files);
  std::map<std::string, std::vector<Entry>> byStem;
  for (Entry& entry : PairHalves(std::move(entries), files))
    byStem[entry.stem].push_back(std::move(entry));
  for (auto& [stem, members] : byStem)
    plan.instruments.push_back({stem, PlanZones(members, files, plan.roundRobinsLeftOut)});

  std::sort(lone.begin(), lone.end(),
            [&](std::size_t a, std::size_t b) { return files[a].stem < files[b].stem; });
  for (const std::size_t i : lone) {
    PlannedZone zone;
    zone.file = i;
    plan.instruments.push_back({files[i].stem, {zone}});
  }
  return plan;
}

}  // namespace tolvane
