// The end-to-end runner on Unix systems: fork, a pipe for each output
// stream, the limits set in the child before it execs the tool; and what the
// tests can stage here that needs a child or the system's own calls.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sched.h>
#include <sys/mount.h>
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "run_binary.h"

namespace fs = std::filesystem;

const char* const kNoDescriptorLimit = nullptr;
const bool kRelativeNamesLoseDots = false;
const char* const kNoDeepFolders = nullptr;

namespace {

// The build tree may lie where user nobody cannot go (under /root, say): a
// run as nobody starts a copy of the tool in a folder open to everyone,
// made once and removed when the tests end.
class NobodysCopy {
 public:
  NobodysCopy() {
    if (why_permissions_do_not_bind() == nullptr) {
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

// Whether a child that runs `work` exits with 0.
template <typename Work>
bool child_succeeds(Work work) {
  pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Hands this process, a child about to start the tool, from a user whom
// permissions do not bind to user nobody; false when that fails.
bool become_bound() {
  return why_permissions_do_not_bind() == nullptr ||
         (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

// Mounts each source over its target, in order, in a mount namespace of this
// process's own; a source of "ro" makes its target a read-only mount.
bool mount_over(const std::vector<std::pair<std::string, std::string>>& mounts) {
#if defined(__linux__)
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return false;
  }
  for (const auto& [source, target] : mounts) {
    const bool read_only = source == "ro";
    if (mount(read_only ? target.c_str() : source.c_str(), target.c_str(), nullptr, MS_BIND,
              nullptr) != 0 ||
        (read_only && mount(nullptr, target.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                            nullptr) != 0)) {
      return false;
    }
  }
  return true;
#else
  static_cast<void>(mounts);
  return false;
#endif
}

// The ACL of POSIX 1003.1e in the form Linux stores it: the owner, user
// nobody, the group and others may read and write, as far as the mask lets.
std::string access_list_bytes() {
  std::string bytes;
  auto put = [&bytes](unsigned value, int size) {
    for (int k = 0; k < size; ++k) bytes += static_cast<char>(value >> (8 * k) & 0xFF);
  };
  put(2, 4);  // the version
  const unsigned kAnyone = 0xFFFFFFFF;
  const unsigned entries[][3] = {{0x01, 6, kAnyone}, {0x02, 6, static_cast<unsigned>(kNobody)},
                                 {0x04, 4, kAnyone}, {0x10, 6, kAnyone}, {0x20, 4, kAnyone}};
  for (const auto& entry : entries) {
    put(entry[0], 2);
    put(entry[1], 2);
    put(entry[2], 4);
  }
  return bytes;
}

}  // namespace

bool give_access_list(const std::string& path, bool inherited) {
  const std::string bytes = access_list_bytes();
  return give_attribute(path, inherited ? "system.posix_acl_default" : "system.posix_acl_access",
                        bytes);
}

bool carries_access_list(const std::string& path) { return !access_list_of(path).empty(); }

std::string access_list_of(const std::string& path) {
  const std::string list = attribute_of(path, "system.posix_acl_access");
  return list == "<none>" ? "" : list;
}

const char* why_no_extended_attributes() {
  static const char* const why = [] {
    TempDir dir;
    dir.write("marked", "");
    return give_attribute(dir.path("marked"), "user.probe", "x")
               ? nullptr
               : "the tests' file system keeps no extended attributes of a user's own";
  }();
  return why;
}

// The names of the attributes are given whole ("user.note").
bool give_attribute(const std::string& path, const std::string& name, const std::string& value) {
#if defined(__linux__)
  return setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
#else
  static_cast<void>(path);
  static_cast<void>(name);
  static_cast<void>(value);
  return false;
#endif
}

std::string attribute_of(const std::string& path, const std::string& name) {
#if defined(__linux__)
  char value[1024];
  const ssize_t size = getxattr(path.c_str(), name.c_str(), value, sizeof value);
  if (size >= 0) return std::string(value, static_cast<std::size_t>(size));
#else
  static_cast<void>(path);
  static_cast<void>(name);
#endif
  return "<none>";
}

const char* why_no_bind_mount() {
  static const char* const why = [] {
    TempDir dir;
    dir.write("source", "");
    dir.write("target", "");
    return child_succeeds([&] { return mount_over({{dir.path("source"), dir.path("target")}}); })
               ? nullptr
               : "this system or user cannot mount a file over another in a namespace of its own";
  }();
  return why;
}

const char* why_no_file_size_limit() {
  static const char* const why = [] {
    TempDir dir;
    const std::string path = dir.path("limited");
    return child_succeeds([&] {
             signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{1, 1};
             const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
             return file >= 0 && setrlimit(RLIMIT_FSIZE, &limit) == 0 && write(file, "a", 1) == 1 &&
                    write(file, "b", 1) < 0 && errno == EFBIG;
           })
               ? nullptr
               : "a process cannot be held to a file size here";
  }();
  return why;
}

const char* why_no_bound_run() {
  static const char* const why =
      child_succeeds([] { return become_bound() && kept_out_of_locked_file(); })
          ? nullptr
          : "the tests' user passes every permission check and cannot be nobody";
  return why;
}

const char* why_no_ignored_signals() { return nullptr; }
std::string program_bytes() { return read_file(QUORVANE_BINARY); }
const char* why_no_closed_streams() { return nullptr; }
const char* why_no_signals() { return nullptr; }

int interrupted_status(int signal_number) { return 128 + signal_number; }

const char* why_no_tracer() {
  static const char* const why = [] {
    return std::system("strace -o /dev/null true >/dev/null 2>&1") == 0
               ? nullptr
               : "strace is not installed, or may not trace here";
  }();
  return why;
}

RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildSetup& setup) {
  RunResult result;
  int out_pipe[2];
  int err_pipe[2];
  if (pipe(out_pipe) != 0) return result;
  if (pipe(err_pipe) != 0) {
    close(out_pipe[0]);
    close(out_pipe[1]);
    return result;
  }
  const std::vector<std::string> tool =
      command_for(setup.faults      ? QUORVANE_FAULTS_BINARY
                  : setup.as_nobody ? binary_for_nobody()
                                    : QUORVANE_BINARY);
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || chdir(directory.c_str()) != 0) _exit(120);
    dup2(in, 0);
    dup2(out_pipe[1], 1);
    for (const auto& [name, stream] : {std::pair<const std::string&, int>{setup.stdout_file, 1},
                                       {setup.stderr_file, 2}}) {
      if (name.empty()) continue;
      int file = open(name.c_str(), O_WRONLY | O_CREAT | (setup.appends ? O_APPEND : O_TRUNC), 0644);
      if (file < 0) _exit(125);
      dup2(file, stream);
    }
    if (setup.closed_stdout) {
      // Every write to standard output then meets a pipe without a reader.
      int dead[2];
      if (pipe(dead) != 0) _exit(123);
      close(dead[0]);
      dup2(dead[1], 1);
    }
    if (setup.stderr_file.empty()) dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    for (int stream = 0; stream < setup.closed_streams; ++stream) close(stream);
    if (!setup.bind_mounts.empty() && !mount_over(setup.bind_mounts)) _exit(119);
    // Root passes every permission check; a child that gives root up does not.
    if (setup.as_nobody && !become_bound()) _exit(124);
    if (setup.open_files >= 0) {
      rlimit limit{static_cast<rlim_t>(setup.open_files), static_cast<rlim_t>(setup.open_files)};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    }
    if (setup.file_size >= 0) {
      // A write past the limit kills the tool, unless it sees to that itself.
      signal(SIGXFSZ, SIG_DFL);
      rlimit limit{static_cast<rlim_t>(setup.file_size), static_cast<rlim_t>(setup.file_size)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(122);
    }
    if (setup.umask >= 0) umask(static_cast<mode_t>(setup.umask));
    if (setup.ignores_interruptions) {
      for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) signal(signal_number, SIG_IGN);
    }
    for (const auto& variable : setup.environment) {
      if (setenv(variable.first.c_str(), variable.second.c_str(), 1) != 0) _exit(127);
    }
    std::vector<std::string> command;
    if (!setup.trace_file.empty()) {
      // A sanitized tool cannot look for leaks while it is traced.
      const char* options = std::getenv("ASAN_OPTIONS");
      const std::string without_leaks =
          std::string(options != nullptr ? options : "") + ":detect_leaks=0";
      setenv("ASAN_OPTIONS", without_leaks.c_str(), 1);
      command = {"strace", "-f", "-y", "-qq", "-o", setup.trace_file, "-e",
                 "trace=fsync,fdatasync,rename,renameat,renameat2,fchmod,fchown"};
    }
    command.insert(command.end(), tool.begin(), tool.end());
    // Run directly, the tool gets the name a shell would give it.
    static char program[] = "quorvane";
    std::vector<char*> argv;
    argv.push_back(command.size() == 1 ? program : &command[0][0]);
    for (std::size_t k = 1; k < command.size(); ++k) argv.push_back(&command[k][0]);
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(command[0].c_str(), argv.data());
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
