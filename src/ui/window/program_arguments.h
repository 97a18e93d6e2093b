#pragma once
// What the window program answers before it opens a window: --help and --version, and a display
// that cannot be reached, told in one line instead of Qt's abort.

#include <optional>
#include <ostream>
#include <span>

namespace tolvane {

// The exit status when an argument asks for text instead of a window (written to `out`);
// nothing when the window should open.
std::optional<int> AnswerWithoutWindow(std::span<char* const> arguments, std::ostream& out);

// From here until the returned guard goes, a platform that cannot start (no display) ends the
// program with one line on stderr and status 1, and the platform's own warnings are held back.
class DisplayGuard {
 public:
  DisplayGuard();
  DisplayGuard(const DisplayGuard&) = delete;
  DisplayGuard& operator=(const DisplayGuard&) = delete;
  ~DisplayGuard();
};

}  // namespace tolvane
