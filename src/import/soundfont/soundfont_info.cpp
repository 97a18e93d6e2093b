#include "import/soundfont/soundfont_info.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/encoding.h"
#include "import/chunk_walker.h"
#include "import/soundfont/soundfont_bank.h"
#include "import/soundfont/soundfont_records.h"
#include "import/soundfont/visit_once.h"
#include "library/zone.h"

namespace tolvane {
namespace {

constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, form type

std::string Quoted(std::string_view name) {
  return '"' + Windows1252ToUtf8(name) + '"';
}

// The instrument records the zones of preset `index` play, each once in the order first played,
// with the number of zones that play it when more than one does ("?" for a reference outside
// the bank): ': "Piano" x9, "Strings"'.
std::string PlayedInstruments(const SoundFontRecords& records, std::size_t index,
                              VisitOnce& bagsLeft, VisitOnce& generatorsLeft) {
  std::vector<std::pair<std::string, std::size_t>> played;
  std::map<std::uint16_t, std::size_t> placeOf;  // instrument index to its place in `played`
  const auto bags = records.PresetBagsOf(index);
  if (!bags) return {};
  const std::size_t end = std::min({bags->end, records.presetBagCount(), bagsLeft.bound()});
  for (std::size_t bag = bagsLeft.Next(bags->first); bag < end; bag = bagsLeft.Next(bag + 1)) {
    bagsLeft.Take(bag);
    const auto generators = records.PresetGeneratorsOf(bag);
    if (!generators) continue;
    const std::size_t endGenerator = std::min(generators->end, generatorsLeft.bound());
    for (std::size_t g = generatorsLeft.Next(generators->first); g < endGenerator;
         g = generatorsLeft.Next(g + 1)) {
      generatorsLeft.Take(g);
      const auto generator = records.PresetGenerator(g);
      if (!generator || generator->number != kGenInstrument) continue;
      const auto [at, first] = placeOf.try_emplace(generator->amount, played.size());
      if (!first) {
        ++played[at->second].second;
        continue;
      }
      const auto instrument = records.Instrument(generator->amount);
      played.emplace_back(instrument ? Quoted(instrument->name) : std::string("?"), 1);
    }
  }
  std::string text;
  for (const auto& [name, zones] : played) {
    text += text.empty() ? ": " : ", ";
    text += name;
    if (zones > 1) text += " x" + std::to_string(zones);
  }
  return text;
}

}  // namespace

bool DescribeSoundFont(std::span<const std::byte> file, const std::string& name, std::ostream& out,
                       std::string& error) {
  if (file.size() < kFormHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("sfbk"))
    return false;
  ChunkWalkContext context;
  context.base = file;
  if (error = WalkBank(context); !error.empty()) return false;
  const SoundFontRecords records(context);
  // The last record of each level only closes the one before it.
  const auto counted = [](std::size_t n) { return n > 0 ? n - 1 : 0; };
  out << name << ": SoundFont bank, " << counted(records.presetCount()) << " presets, "
      << counted(records.instrumentCount()) << " instruments, "
      << counted(records.sampleHeaderCount()) << " samples\n";

  std::vector<std::tuple<std::uint16_t, std::uint16_t, std::size_t>> presets;
  for (std::size_t i = 0; i + 1 < records.presetCount(); ++i) {
    const auto preset = records.Preset(i);
    presets.emplace_back(preset->bank, preset->program, i);
  }
  std::sort(presets.begin(), presets.end());
  VisitOnce bagsLeft(records.presetBagCount());
  VisitOnce generatorsLeft(records.presetGeneratorCount());
  for (const auto& [bank, program, index] : presets) {
    out << "  preset " << bank << ':' << program << ' ' << Quoted(records.Preset(index)->name)
        << PlayedInstruments(records, index, bagsLeft, generatorsLeft) << '\n';
  }
  for (std::size_t i = 0; i + 1 < records.instrumentCount(); ++i)
    out << "  instrument " << Quoted(records.Instrument(i)->name) << '\n';
  return true;
}

}  // namespace tolvane
