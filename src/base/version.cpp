#include "base/version.h"

namespace tolvane {

std::string_view ProgramVersion() {
  return TOLVANE_VERSION;
}

}  // namespace tolvane
