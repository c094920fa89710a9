// Runs a command several times with its standard output thrown away and
// prints the best wall time in seconds and the largest peak resident memory
// in kilobytes, as "<seconds> <kilobytes>".
//
//   measure RUNS command [args...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s RUNS command [args...]\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  double best = 1e30;
  long peak_kb = 0;
  for (int run = 0; run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child < 0) return 2;
    if (child == 0) {
      int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, 1);
      execvp(argv[2], argv + 2);
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "measure: %s failed\n", argv[2]);
      return 1;
    }
    if (seconds < best) best = seconds;
    if (usage.ru_maxrss > peak_kb) peak_kb = usage.ru_maxrss;
  }
  std::printf("%.3f %ld\n", best, peak_kb);
  return 0;
}
