#include "run_binary.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "quorvane_e2e_XXXXXX").string();
  char* made = mkdtemp(&pattern[0]);
  root_ = made != nullptr ? made : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only leftovers of a test must not keep the directory alive.
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(root_, ignored);
}

std::string TempDir::path(const std::string& name) const { return root_ + "/" + name; }

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream(path(name), std::ios::binary | std::ios::trunc) << bytes;
}

std::string TempDir::read(const std::string& name) const { return read_file(path(name)); }

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool TempDir::exists(const std::string& name) const {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path(name), ignored));
}

std::vector<std::string> TempDir::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

const char kCopyrightMask[] = "<copyright>";

// The banner's fourth line is its free-worded copyright line.
std::string mask_copyright(const std::string& out) {
  std::size_t start = 0;
  for (int line = 1; line < 4; ++line) {
    start = out.find('\n', start);
    if (start == std::string::npos) return out;
    ++start;
  }
  std::size_t end = out.find('\n', start);
  if (end == std::string::npos) return out;
  return out.substr(0, start) + kCopyrightMask + out.substr(end);
}

}  // namespace

std::string expected_banner() {
  const std::string rule(56, '-');
  return "\n" + rule + "\n Quorvane Version 1.0.0\n" + kCopyrightMask + "\n" + rule + "\n\n";
}

std::string expected_usage(const std::string& program) {
  return program + " [options]\n"
         "  -i  --input <input file>     File to parse for missing issue holes\n"
         "  -o  --output <output file>   File to contain the filtered output\n"
         "  -s  --hole <hole size>       Size of the hole to capture\n"
         "                               If hole size is < size, keep the hole\n"
         "                               Default is 4\n"
         "  -n  --ignore <book type>     Don't include this type in the output\n"
         "                               <book type> must match those given in ComicBase\n"
         "  -l  --log <log file>         Name of the log file to store output\n"
         "                               Default is Quorvane.log\n"
         "  -h  --help                   Print Help information\n";
}

std::string searching(const std::string& input, const std::string& size) {
  return "Searching " + input + " for holes less than " + size + " issues\n\n";
}

const std::string kReportHeader =
    "Title\tPublisher and Publishing Dates\tNumber\tNM Value\tNotes\r\n";

const std::string kMaskedReportHead = "<date>\r\n\r\n\r\n" + kReportHeader;

const std::string kSuccessLine = "\nProcessing successful; exiting\n";

Outcome run_on_export(const std::string& export_text, const std::vector<std::string>& extra) {
  TempDir dir;
  dir.write("in.txt", export_text);
  std::vector<std::string> args{"-i", "in.txt", "-o", "out.txt"};
  args.insert(args.end(), extra.begin(), extra.end());
  Outcome outcome;
  outcome.run = run_quorvane_binary(dir.root(), args);
  outcome.log = dir.read("Quorvane.log");
  outcome.report = mask_date_line(dir.read("out.txt"));
  outcome.entries = dir.entries();
  EXPECT_TRUE(dir.read("in.txt") == export_text) << "the input changed";
  return outcome;
}

void expect_success(const Outcome& outcome, const std::string& console, const std::string& report) {
  EXPECT_EQ(outcome.run.status, 0);
  EXPECT_EQ(outcome.run.err, "");
  EXPECT_EQ(outcome.run.out, expected_banner() + console);
  EXPECT_EQ(outcome.log, crlf(console));
  EXPECT_EQ(outcome.report, report);
  EXPECT_EQ(outcome.entries, (std::vector<std::string>{"Quorvane.log", "in.txt", "out.txt"}));
}

std::string crlf(const std::string& text) {
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

std::string mask_date_line(const std::string& report) {
  static const std::regex kDate(
      "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "(0[1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] [0-9]{4}");
  std::size_t end = report.find("\r\n");
  if (end == std::string::npos || !std::regex_match(report.substr(0, end), kDate)) {
    return "<bad date line>";
  }
  return "<date>" + report.substr(end);
}

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
  const std::string binary = limits.as_nobody ? binary_for_nobody() : QUORVANE_BINARY;
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
    std::vector<char*> argv;
    static char program[] = "quorvane";
    argv.push_back(program);
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
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
