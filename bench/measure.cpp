// Runs one command and reports its wall time and peak resident set, for bench/run:
//
//   bench_measure COMMAND [ARG...]
//
// prints "SECONDS PEAK_KIB STATUS CPU_SECONDS" on stderr after the command ends, where PEAK_KIB
// is the command's largest resident set (ru_maxrss of the child: heap and mapped file pages
// alike), STATUS its exit status (128 + signal number when a signal ended it) and CPU_SECONDS the
// processor time it used on all cores (user + system), which scatters less than the wall time
// on a busy machine. The command's own output passes through unchanged. Exits with the
// command's status.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_measure COMMAND [ARG...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("bench_measure: fork");
    return 2;
  }
  if (child == 0) {
    ::execvp(argv[1], argv + 1);
    std::fprintf(stderr, "bench_measure: %s: %s\n", argv[1], std::strerror(errno));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("bench_measure: wait4");
      return 2;
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  const double cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  std::fprintf(stderr, "%.6f %ld %d %.6f\n", elapsed.count(), usage.ru_maxrss, code, cpu);
  return code;
}
