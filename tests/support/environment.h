#pragma once
// Sets an environment variable for one test and puts the old value back.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace tolvane::testing {

// The variable that names the user's data folder: the sound database falls back to it.
#ifdef _WIN32
inline constexpr const char* kDataHomeVariable = "LOCALAPPDATA";
#else
inline constexpr const char* kDataHomeVariable = "XDG_DATA_HOME";
#endif

// Sets `name`, or removes it when there is no value. On Windows the value passes through the
// ANSI code page: tests give ASCII there.
inline void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
  // An empty value removes the variable, as Windows has no empty ones; the runtime keeps the
  // wide copy that _wgetenv reads in step.
  ::_putenv_s(name.c_str(), value ? value->c_str() : "");
#else
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
#endif
}

// SetEnvironment for the object's lifetime; the old value (or its absence) comes back after.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) saved_ = old;
    SetEnvironment(name_, value);
  }
  ~ScopedEnvironment() { SetEnvironment(name_, saved_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace tolvane::testing
