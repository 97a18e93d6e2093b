#include "ui/window/list_rules.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <string>

#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

constexpr std::array<int, kColumnCount> kColumnPercent = {30, 15, 10, 8, 8, 20};

constexpr std::uint32_t kCollectionPalette[8] = {
    0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x900090, 0x909000,
};

// The status line's buffer holds 199 characters and the terminator.
constexpr std::size_t kStatusCapacity = 200;

int ClampToInt(std::uint64_t value) {
  return static_cast<int>(std::min<std::uint64_t>(value, INT_MAX));
}

// One "%d" field as a printf-style reader takes it: blanks, a sign, at least one digit.
std::optional<int> ReadNumber(std::string_view& rest) {
  std::size_t i = 0;
  while (i < rest.size() && std::isspace(static_cast<unsigned char>(rest[i]))) ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) negative = rest[i++] == '-';
  const std::size_t digits = i;
  long long value = 0;
  for (; i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])); ++i)
    value = std::min<long long>(value * 10 + (rest[i] - '0'), INT_MAX);
  if (i == digits) return std::nullopt;
  rest.remove_prefix(i);
  return negative ? 0 : static_cast<int>(value);
}

}  // namespace

ColumnWidths DefaultColumnWidths(int clientWidth) {
  ColumnWidths widths{};
  for (std::size_t c = 0; c < kColumnCount; ++c) widths[c] = clientWidth * kColumnPercent[c] / 100;
  return widths;
}

void ApplyColumnWidths(std::string_view text, ColumnWidths& widths) {
  constexpr int kFieldsRead = 7;  // the six columns and one spare that is ignored
  for (int field = 0; field < kFieldsRead; ++field) {
    if (field > 0) {
      if (text.empty() || text.front() != ';') return;
      text.remove_prefix(1);
    }
    const std::optional<int> value = ReadNumber(text);
    if (!value) return;
    if (static_cast<std::size_t>(field) < kColumnCount)
      widths[static_cast<std::size_t>(field)] = *value;
  }
}

ColumnWidths FittedColumnWidths(int clientWidth, const ColumnWidths& needed) {
  ColumnWidths widths = needed;
  int others = 0;
  for (std::size_t column = 1; column < kColumnCount; ++column) others += widths[column];
  widths[0] = std::max(needed[0], clientWidth - others);
  return widths;
}

std::string FormatColumnWidths(const ColumnWidths& widths) {
  std::string text;
  for (const int width : widths)
    text += (text.empty() ? "" : ";") + std::to_string(std::max(width, 0));
  return text;
}

int NextSortKey(int sortKey, int column) {
  return sortKey == column + 1 ? -sortKey : column + 1;
}

std::uint32_t CollectionColour(std::uint32_t n) {
  const std::uint32_t index = n - 1;
  return kCollectionPalette[index % 8] ^ ((index / 8) * 0x404040u & 0xFFFFFFu);
}

std::optional<std::string> InfoTipText(const Instrument& instrument, std::size_t capacity) {
  const SampleGroup* group = instrument.group;
  if (group == nullptr || group->samples.empty() || capacity == 0) return std::nullopt;
  std::string tip;
  for (const Sample* sample : group->samples) {
    if (!tip.empty()) tip += "\r\n";
    if (capacity - std::min(capacity, tip.size()) < sample->name.size() + 16) {
      tip += "...";
      break;
    }
    tip += sample->name + " (" + std::to_string(2 * std::uint64_t{sample->frames}) + ")";
  }
  // A long byte count can leave less room than "..." needs; the tip never outgrows its buffer.
  if (tip.size() >= capacity) tip.resize(capacity - 1);
  return tip;
}

CheckedSummary SummarizeChecked(Library& library, std::span<const Instrument* const> checked) {
  for (const auto& source : library.sources)
    for (const auto& group : source->groups) group->exportMark = 0;
  CheckedSummary summary;
  for (const Instrument* instrument : checked) {
    ++summary.instruments;
    SampleGroup* group = instrument->group;
    if (group == nullptr || (group->exportMark & 1) != 0) continue;
    group->exportMark |= 1;
    ++summary.groups;
    for (const Sample* sample : group->samples)
      summary.sampleBytes += 2 * std::uint64_t{sample->frames};
  }
  return summary;
}

std::string StatusText(const CheckedSummary& summary, std::size_t loaded) {
  char text[kStatusCapacity];
  if (summary.instruments > 0) {
    const std::uint64_t b = summary.sampleBytes;
    std::snprintf(text, sizeof text, texts::kSelectedStatus, ClampToInt(summary.instruments),
                  ClampToInt(b / 1048576), static_cast<int>((b / 1024) % 1024 * 100 / 1024));
  } else {
    std::snprintf(text, sizeof text, texts::kLoadedStatus, ClampToInt(loaded));
  }
  return text;
}

}  // namespace tolvane
