#include "library/instrument_texts.h"

#include <cstdio>

#include "base/text_order.h"

namespace tolvane {
namespace {

int Sign(std::int64_t v) {
  return (v > 0) - (v < 0);
}

}  // namespace

std::string CollectionText(const Instrument& instrument) {
  if (instrument.group == nullptr || instrument.group->collectionNumber == 0) return "---";
  return std::to_string(instrument.group->collectionNumber);
}

std::string SamplesText(const Instrument& instrument) {
  const InstrumentStats stats = GetInstrumentStats(instrument);
  std::size_t mono = 0, stereo = 0, dual = 0;
  for (const Zone& zone : instrument.zones) {
    const std::uint8_t flags = zone.mapping.flags;
    if (flags & ZoneStereo)
      ++stereo;
    else if (flags & ZoneDual)
      ++dual;
    else
      ++mono;
  }
  std::string text = std::to_string(stats.sampleCount) + " (";
  if (mono) text += std::to_string(mono) + "M";
  if (stereo) text += std::to_string(stereo) + "S";
  if (dual) text += std::to_string(dual) + "D";
  return text + ")";
}

std::string SizeText(std::uint64_t sampleBytes) {
  // Sizes switch unit a little before they reach the next one: 1000 B shows as 0.9 kB.
  constexpr std::uint32_t kKilo = 1024;
  constexpr std::uint32_t kMega = kKilo * kKilo;
  constexpr std::uint32_t kBytesUpTo = 1000;
  constexpr std::uint32_t kKiloUpTo = 1000 * kKilo;
  const auto b = static_cast<std::uint32_t>(sampleBytes);
  char text[32];
  if (b < kBytesUpTo)
    std::snprintf(text, sizeof text, "%u B", b);
  else if (b < kKiloUpTo)
    std::snprintf(text, sizeof text, "%u.%u kB", b / kKilo, (b % kKilo) * 10 / kKilo);
  else
    std::snprintf(text, sizeof text, "%u.%u MB", b / kMega, ((b / kKilo) % kKilo) * 10 / kKilo);
  return text;
}

std::string SoundIdText(std::uint32_t soundId) {
  char text[16];
  std::snprintf(text, sizeof text, "[%08X]", soundId);
  return text;
}

std::string ProgramText(const Instrument& instrument) {
  if (!instrument.program) return "---";
  return std::to_string(instrument.program->bank) + ':' +
         std::to_string(instrument.program->program);
}

int CompareRows(const Instrument& a, const Instrument& b, int sortKey) {
  const int column = sortKey < 0 ? -sortKey : sortKey;
  int result = 0;
  switch (column) {
    case kColumnSoundName:
      result = CompareCaseInsensitive(a.name, b.name);
      break;
    case kColumnCategory:
      result = Sign(static_cast<std::int64_t>(a.category) - static_cast<std::int64_t>(b.category));
      break;
    case kColumnColl:
      if (a.group == nullptr || b.group == nullptr)
        result = (a.group != nullptr) - (b.group != nullptr);
      else
        result = Sign(static_cast<std::int64_t>(a.group->collectionNumber) -
                      static_cast<std::int64_t>(b.group->collectionNumber));
      break;
    case kColumnSamples:
      result = Sign(static_cast<std::int64_t>(GetInstrumentStats(a).sampleCount) -
                    static_cast<std::int64_t>(GetInstrumentStats(b).sampleCount));
      break;
    case kColumnSize:
      result = Sign(static_cast<std::int64_t>(GetInstrumentStats(a).sampleBytes) -
                    static_cast<std::int64_t>(GetInstrumentStats(b).sampleBytes));
      break;
    case kColumnSoundId:
      result = (a.soundId > b.soundId) - (a.soundId < b.soundId);
      break;
    default:
      break;
  }
  return sortKey < 0 ? -result : result;
}

}  // namespace tolvane
