#pragma once
// The instrument list's rules that need no widget: column widths, sort keys, the Coll colours,
// the info tip and the status line's count. Texts are 8-bit (Windows-1252) like the model's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "library/instrument_texts.h"
#include "library/library.h"

namespace tolvane {

using ColumnWidths = std::array<int, kColumnCount>;

// Each column's share of the list's client width: 30, 15, 10, 8, 8 and 20 percent, truncated.
ColumnWidths DefaultColumnWidths(int clientWidth);

// The widths the list starts with when none are stored: Category, Coll, Samples, Size and
// SoundID as wide as `needed` says their title and widest values are, and Sound-Name the rest,
// but never less than it needs itself.
ColumnWidths FittedColumnWidths(int clientWidth, const ColumnWidths& needed);

// The widths as "SoundListWidths" stores them: six numbers separated by ";", which
// ApplyColumnWidths reads back as they were.
std::string FormatColumnWidths(const ColumnWidths& widths);

// A "SoundListWidths" text such as '100;50': up to seven integers separated by ";", read until
// the first field that is not a number; each of the first six replaces the width of its column
// (a seventh is read and ignored). Negative widths count as 0.
void ApplyColumnWidths(std::string_view text, ColumnWidths& widths);

// The key after a click on `column` (0-based): the same column again reverses the order, another
// column sorts ascending by it.
int NextSortKey(int sortKey, int column);

// The background of the Coll cell of collection n >= 1, as 0x00BBGGRR: eight colours, repeated
// with every channel shifted by 0x40 for each further eight collections.
std::uint32_t CollectionColour(std::uint32_t n);

// The tip buffer the list offers an instrument's info tip, in characters.
inline constexpr std::size_t kInfoTipCapacity = 1024;

// One line "name (bytes)" per sample of the instrument's group, lines separated by CR LF; where
// the next line might not fit into `capacity` characters (terminator included) the tip ends in
// "...". Nothing for an instrument without a group or with a group without samples.
std::optional<std::string> InfoTipText(const Instrument& instrument,
                                       std::size_t capacity = kInfoTipCapacity);

struct CheckedSummary {
  std::size_t instruments = 0;    // checked rows
  std::size_t groups = 0;         // sample groups holding a checked instrument
  std::uint64_t sampleBytes = 0;  // the samples of those groups, each group counted once
};

// Counts the checked instruments and marks their groups in bit 0 of `exportMark` (after clearing
// every group's mark), as the single-instrument export does.
CheckedSummary SummarizeChecked(Library& library, std::span<const Instrument* const> checked);

// "%d Instruments selected, %d.%02dMB Samples" when something is checked (hundredths of a
// megabyte truncated), else "%d Instruments loaded" with `loaded`. At most 199 characters.
std::string StatusText(const CheckedSummary& summary, std::size_t loaded);

}  // namespace tolvane
