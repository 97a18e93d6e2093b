#pragma once
// The text layer of SFZ instruments: comments, #include and #define resolved, then the headers
// and their opcodes in file order. It knows nothing of regions or zones.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_outcome.h"

namespace tolvane {

struct SfzOpcode {
  std::string name;
  std::string value;
};

// One header ("region", "group", ...; empty for opcodes ahead of the first header) with the
// opcodes that follow it.
struct SfzSection {
  std::string header;
  std::vector<SfzOpcode> opcodes;
};

// The text of an included file, by its path as the #include gives it with '\' made '/'
// (relative to the top file's folder); nothing when it cannot be read.
using SfzIncludeReader = std::function<std::optional<std::string>(const std::string& path)>;

struct SfzText {
  std::vector<SfzSection> sections;
  std::optional<LeftOut> damage;  // the first #include that could not be followed
};

// Includes nest at most this deep; deeper ones, and cycles, are not followed.
inline constexpr std::size_t kSfzMostIncludeDepth = 16;
// Include files read in all, whatever their nesting, so that a file including itself many
// times on each line cannot take exponential time.
inline constexpr std::size_t kSfzMostIncludes = 4096;

// The text after #include and #define is cut off beyond this, so that a few lines cannot
// expand to all memory.
inline constexpr std::size_t kSfzMostText = std::size_t{64} << 20;

// Parses `text`: "//" and "/* */" comments, `#include "file"` (several on a line, nested),
// `#define $NAME value` with $NAME expanded in later text, headers `<name>` and opcodes
// `name=value`, header and opcode names in lower case whatever their case in the text. A value
// ends at white space, except that a "sample" value runs to the next
// opcode, header or line end (paths hold spaces).
SfzText ParseSfz(std::string_view text, const SfzIncludeReader& include);

}  // namespace tolvane
