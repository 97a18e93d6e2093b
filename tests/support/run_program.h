#pragma once
// Runs a program of this build with arguments as given (no shell between: every byte of an
// argument arrives as it is, on Linux and on Windows), its output caught in files.

#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "tests/support/test_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
extern char** environ;
#endif

namespace tolvane::testing {

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program could not start or did not exit
  std::string out;
  std::string err;
};

#ifdef _WIN32
// One argument as CommandLineToArgvW reads it back: quoted, with the backslashes before a
// quote (or before the closing quote) doubled.
inline std::wstring QuoteArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}
#endif

// Runs `program` with `arguments` (UTF-8); its standard output and error go to files in
// `folder` and are read back.
inline ProgramRun RunProgram(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& folder) {
  const auto outPath = folder / "stdout.txt";
  const auto errPath = folder / "stderr.txt";
  ProgramRun run;
#ifdef _WIN32
  std::wstring commandLine = QuoteArgument(program.wstring());
  for (const auto& argument : arguments)
    commandLine += L" " + QuoteArgument(PathFromUtf8(argument).wstring());
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto create = [&](const std::filesystem::path& path) {
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE out = create(outPath);
  const HANDLE err = create(errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &process) != 0) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code) != 0) run.status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(out);
  ::CloseHandle(err);
#else
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<std::string> texts{program.string()};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int raw = 0;
    pid_t waited = 0;
    while ((waited = ::waitpid(child, &raw, 0)) < 0 && errno == EINTR) {
    }
    if (waited == child && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  }
  posix_spawn_file_actions_destroy(&actions);
#endif
  run.out = ReadFileText(outPath);
  run.err = ReadFileText(errPath);
  return run;
}

}  // namespace tolvane::testing
