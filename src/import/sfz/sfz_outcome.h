#pragma once
// What an SFZ instrument's reader leaves out or approximates that no other format meets: the
// #include lines it cannot follow, and the regions a zone cannot hold.

#include <string>

#include "import/import_outcome.h"

namespace tolvane {

std::string IncludeNotFoundWords(const LeftOut& leftOut);
std::string IncludeCycleWords(const LeftOut& leftOut);
std::string IncludeTooDeepWords(const LeftOut& leftOut);
std::string IncludesTooManyWords(const LeftOut& leftOut);
std::string TextTooLongWords(const LeftOut& leftOut);
std::string BuiltInGeneratorWords(const ImportNote& note);
std::string NoSampleWords(const ImportNote& note);

// An #include not followed; subject: its path where there is one.
inline constexpr FormatDamage kIncludeNotFound{{}, &IncludeNotFoundWords};
inline constexpr FormatDamage kIncludeCycle{{}, &IncludeCycleWords};
inline constexpr FormatDamage kIncludeTooDeep{{}, &IncludeTooDeepWords};
inline constexpr FormatDamage kIncludesTooMany{{}, &IncludesTooManyWords};
inline constexpr FormatDamage kTextTooLong{{}, &TextTooLongWords};

// Regions left out: only the default key switch is kept.
inline constexpr FormatNote kOtherKeySwitch{"left out: only the default key switch is kept"};
// Regions left out: closed at the controllers' start values.
inline constexpr FormatNote kControllerGate{"left out: closed at the controllers' start values"};
// Regions left out; subject: the generator ("*noise").
inline constexpr FormatNote kBuiltInGenerator{{}, {}, &BuiltInGeneratorWords};
// Regions left out that name no sample; subject: an opcode the first of them gives that is not
// one the converter knows but looks like "sample" ("smaple"), when there is one.
inline constexpr FormatNote kNoSample{{}, {}, &NoSampleWords};

}  // namespace tolvane
