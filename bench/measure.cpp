// Runs several commands in rounds, one after the other within each round, so
// that a machine that gets busier or quieter meanwhile weighs on all of them
// alike. Prints, for each command in the order given, the median wall time in
// seconds and the largest peak resident memory in kilobytes:
//
//   measure ROUNDS command [args...] [--- command [args...]]...
//
// Standard output of the commands is thrown away; a command that fails stops
// the measurement.

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Command {
  std::vector<char*> argv;  // null-terminated
  std::vector<double> seconds;
  long peak_kb = 0;
};

bool run_once(Command* command) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    execvp(command->argv[0], command->argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "measure: %s failed\n", command->argv[0]);
    return false;
  }
  command->seconds.push_back(seconds);
  command->peak_kb = std::max(command->peak_kb, static_cast<long>(usage.ru_maxrss));
  return true;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROUNDS command [args...] [--- command [args...]]...\n",
                 argv[0]);
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  std::vector<Command> commands(1);
  for (int k = 2; k < argc; ++k) {
    if (std::strcmp(argv[k], "---") == 0) {
      commands.emplace_back();
      continue;
    }
    commands.back().argv.push_back(argv[k]);
  }
  for (Command& command : commands) {
    if (command.argv.empty()) return 2;
    command.argv.push_back(nullptr);
  }
  for (int round = 0; round < rounds; ++round) {
    for (Command& command : commands) {
      if (!run_once(&command)) return 1;
    }
  }
  for (const Command& command : commands) {
    std::printf("%.4f %ld\n", median(command.seconds), command.peak_kb);
  }
  return 0;
}
