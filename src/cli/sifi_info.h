#pragma once
// A SiFi file described as its records stand: groups, instruments with their zones, samples.

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>

namespace tolvane::cli {

// Writes the description to `out`. False, with `error` set, for bytes that are no SiFi file;
// records that lie outside the file or their group are named as damaged, never read.
bool DescribeSiFi(std::span<const std::byte> file, const std::string& name, std::ostream& out,
                  std::string& error);

}  // namespace tolvane::cli
