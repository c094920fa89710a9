#include "run_binary.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

std::string TempDir::read(const std::string& name) const {
  std::ifstream file(path(name), std::ios::binary);
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

std::string read_all(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace

RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args) {
  std::string out_path = directory + "/../" + fs::path(directory).filename().string() + ".out";
  std::string err_path = directory + "/../" + fs::path(directory).filename().string() + ".err";
  RunResult result;
  pid_t child = fork();
  if (child == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0 || chdir(directory.c_str()) != 0) _exit(120);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    static char program[] = "quorvane";
    argv.push_back(program);
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(QUORVANE_BINARY, argv.data());
    _exit(121);
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = mask_copyright(read_all(out_path));
  result.err = read_all(err_path);
  std::remove(out_path.c_str());
  std::remove(err_path.c_str());
  return result;
}

std::string expected_banner() {
  const std::string rule(56, '-');
  return "\n" + rule + "\n Quorvane Version 1.0.0\n" + kCopyrightMask + "\n" + rule + "\n\n";
}

std::string expected_usage() {
  return "quorvane [options]\n"
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
