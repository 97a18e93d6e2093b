#pragma once
// Conversions between UTF-8 (file paths as this system reports them) and Windows-1252, the 8-bit
// code page in which the model keeps its texts, so that names, database keys and sound
// identifiers come out as they did on the program's original platform.

#include <string>
#include <string_view>

namespace tolvane {

// Each character of `utf8` as its Windows-1252 byte. A character that Windows-1252 cannot hold,
// and each ill-formed UTF-8 sequence (taken as the longest prefix that could have started a
// valid one, as Unicode recommends), becomes "_". U+0081, U+008D, U+008F, U+0090 and U+009D
// map to the byte of the same value, so that Windows1252ToUtf8 round-trips every byte.
std::string Utf8ToWindows1252(std::string_view utf8);

// Each byte of `text` as UTF-8. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same value (U+0081 ...), as Windows does.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace tolvane
