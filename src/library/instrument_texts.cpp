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
  const auto b = static_cast<std::uint32_t>(sampleBytes);
  char text[32];
  if (b < 1000)
    std::snprintf(text, sizeof text, "%u B", b);
  else if (b < 1024000)
    std::snprintf(text, sizeof text, "%u.%u kB", b / 1024, (b % 1024) * 10 / 1024);
  else
    std::snprintf(text, sizeof text, "%u.%u MB", b / 1048576, ((b / 1024) % 1024) * 10 / 1024);
  return text;
}

std::string SoundIdText(std::uint32_t soundId) {
  char text[16];
  std::snprintf(text, sizeof text, "[%08X]", soundId);
  return text;
}

int CompareRows(const Instrument& a, const Instrument& b, int sortKey) {
  const int column = sortKey < 0 ? -sortKey : sortKey;
  int result = 0;
  switch (column) {
    case 1:
      result = CompareCaseInsensitive(a.name, b.name);
      break;
    case 2:
      result = Sign(static_cast<std::int64_t>(a.category) - static_cast<std::int64_t>(b.category));
      break;
    case 3:
      if (a.group == nullptr || b.group == nullptr)
        result = (a.group != nullptr) - (b.group != nullptr);
      else
        result = Sign(static_cast<std::int64_t>(a.group->collectionNumber) -
                      static_cast<std::int64_t>(b.group->collectionNumber));
      break;
    case 4:
      result = Sign(static_cast<std::int64_t>(GetInstrumentStats(a).sampleCount) -
                    static_cast<std::int64_t>(GetInstrumentStats(b).sampleCount));
      break;
    case 5:
      result = Sign(static_cast<std::int64_t>(GetInstrumentStats(a).sampleBytes) -
                    static_cast<std::int64_t>(GetInstrumentStats(b).sampleBytes));
      break;
    case 6:
      result = (a.soundId > b.soundId) - (a.soundId < b.soundId);
      break;
    default:
      break;
  }
  return sortKey < 0 ? -result : result;
}

}  // namespace tolvane
