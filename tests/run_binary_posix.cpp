// The end-to-end runner on POSIX systems: fork, a pipe for each output
// stream, the limits set in the child before it execs the tool.
#ifndef _WIN32

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>

#include "run_binary.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// The build tree may lie where user nobody cannot go (under /root, say): a
// run as nobody starts a copy of the tool in a folder open to everyone,
// made once and removed when the tests end.
class NobodysCopy {
 public:
  NobodysCopy() {
    if (geteuid() != 0) {
      path_ = QUORVANE_BINARY;
      return;
    }
    fs::permissions(folder_.root(), fs::perms::owner_all | fs::perms::others_read |
                                        fs::perms::others_exec);
    path_ = folder_.path("quorvane");
    fs::copy_file(QUORVANE_BINARY, path_);
    fs::permissions(path_, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  }
  const std::string& path() const { return path_; }

 private:
  TempDir folder_;
  std::string path_;
};

const std::string& binary_for_nobody() {
  static const NobodysCopy copy;
  return copy.path();
}

// A tool built for another processor starts through the emulator that runs
// the tests (QUORVANE_EMULATOR, qemu's user mode; empty for a native build),
// which is told to give the tool the name it has when started directly.
std::vector<std::string> command_for(const std::string& binary) {
  std::vector<std::string> words;
  std::istringstream emulator(QUORVANE_EMULATOR);
  for (std::string word; emulator >> word;) words.push_back(word);
  if (!words.empty()) words.insert(words.end(), {"-0", "quorvane"});
  words.push_back(binary);
  return words;
}

// Moves what is ready on the child's pipes into `out` and `err`, until both
// pipes are closed.
void drain_pipes(int out_fd, int err_fd, std::string* out, std::string* err) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {out, err};
  int open_count = 2;
  char buffer[65536];
  while (open_count > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[k]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

std::FILE* open_unreadable_stream() { return std::fopen("/", "r"); }

RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildLimits& limits) {
  RunResult result;
  int out_pipe[2];
  int err_pipe[2];
  if (pipe(out_pipe) != 0) return result;
  if (pipe(err_pipe) != 0) {
    close(out_pipe[0]);
    close(out_pipe[1]);
    return result;
  }
  const std::vector<std::string> command =
      command_for(limits.as_nobody ? binary_for_nobody() : QUORVANE_BINARY);
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || chdir(directory.c_str()) != 0) _exit(120);
    dup2(in, 0);
    dup2(out_pipe[1], 1);
    if (!limits.stdout_file.empty()) {
      int file = open(limits.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (file < 0) _exit(125);
      dup2(file, 1);
    }
    if (limits.closed_stdout) {
      // Every write to standard output then meets a pipe without a reader.
      int dead[2];
      if (pipe(dead) != 0) _exit(123);
      close(dead[0]);
      dup2(dead[1], 1);
    }
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    if (limits.closed_streams) {
      close(0);
      close(1);
    }
    // Root passes every permission check; a child that gives root up does not.
    if (limits.as_nobody && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(124);
    }
    if (limits.open_files >= 0) {
      rlimit limit{static_cast<rlim_t>(limits.open_files), static_cast<rlim_t>(limits.open_files)};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    }
    if (limits.file_size >= 0) {
      // A write past the limit then fails with EFBIG instead of killing the
      // tool, unless the tool sees to that itself.
      signal(SIGXFSZ, limits.file_size_signal ? SIG_DFL : SIG_IGN);
      rlimit limit{static_cast<rlim_t>(limits.file_size), static_cast<rlim_t>(limits.file_size)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(122);
    }
    for (const auto& variable : limits.environment) {
      if (setenv(variable.first.c_str(), variable.second.c_str(), 1) != 0) _exit(127);
    }
    std::vector<char*> argv;
    static char program[] = "quorvane";
    argv.push_back(command.size() == 1 ? program : const_cast<char*>(command[0].c_str()));
    for (std::size_t k = 1; k < command.size(); ++k) {
      argv.push_back(const_cast<char*>(command[k].c_str()));
    }
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(command[0].c_str(), argv.data());
    _exit(121);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  std::string out;
  drain_pipes(out_pipe[0], err_pipe[0], &out, &result.err);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = mask_copyright(out);
  return result;
}

#endif  // !_WIN32
