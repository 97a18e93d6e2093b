#include "import/outcome_text.h"

namespace tolvane {

std::string DescribeImportOutcome(const ImportOutcome& outcome, std::size_t added) {
  switch (outcome.status) {
    case ImportStatus::Imported:
      return {};
    case ImportStatus::NotRecognised:
      if (outcome.reason.empty())
        return "not recognised as a WAV, AIFF, FLAC or Ogg file, SoundFont or DLS bank, SFZ "
               "instrument or SiFi file";
      return "not recognised: " + outcome.reason;
    case ImportStatus::Damaged: {
      std::string text = "damaged";
      if (added > 0)
        text += " (" + std::to_string(added) + (added == 1 ? " instrument" : " instruments") +
                " imported)";
      return text + ": " + outcome.reason;
    }
    case ImportStatus::CannotOpen:
      return outcome.reason;
  }
  return outcome.reason;
}

}  // namespace tolvane
