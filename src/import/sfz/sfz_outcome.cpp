#include "import/sfz/sfz_outcome.h"

#include "import/outcome_text.h"
#include "import/sfz/sfz_parser.h"

namespace tolvane {

std::string IncludeNotFoundWords(const LeftOut& leftOut) {
  return "#include file " + Quoted(leftOut.subject) + " not found";
}

std::string IncludeCycleWords(const LeftOut& leftOut) {
  return "#include cycle through " + Quoted(leftOut.subject);
}

std::string IncludeTooDeepWords(const LeftOut& /*leftOut*/) {
  return "#include nested more than " + std::to_string(kSfzMostIncludeDepth) + " deep";
}

std::string IncludesTooManyWords(const LeftOut& /*leftOut*/) {
  return "more than " + std::to_string(kSfzMostIncludes) + " #include files";
}

std::string TextTooLongWords(const LeftOut& /*leftOut*/) {
  return "more than " + std::to_string(kSfzMostText >> 20) + " MiB of text";
}

std::string BuiltInGeneratorWords(const ImportNote& note) {
  return CountedParts(note.count, note.part) + " left out: built-in generator " +
         Quoted(note.subject) + " cannot be kept";
}

std::string NoSampleWords(const ImportNote& note) {
  std::string text = CountedParts(note.count, note.part) + " left out: no sample";
  if (!note.subject.empty())
    text += " ('" + note.subject + "' is not an opcode the converter knows)";
  return text;
}

}  // namespace tolvane
