#include "run_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <regex>
#include <sstream>


namespace fs = std::filesystem;

// Names are UTF-8 throughout; the paths handed to the library are made from
// them as such, so that names in any language work on every system.
TempDir::TempDir() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::mt19937_64 random(std::random_device{}() ^
                         static_cast<std::uint64_t>(
                             std::chrono::steady_clock::now().time_since_epoch().count()));
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  for (int attempt = 0; attempt < 100 && !error; ++attempt) {
    std::string name = "quorvane_e2e_";
    for (int k = 0; k < 8; ++k) name += kLetters[random() % (sizeof kLetters - 1)];
    // create_directory says false for a name that is taken.
    if (fs::create_directory(temporary / name, error)) {
      root_ = (temporary / name).u8string();
      for (char& c : root_) {
        if (c == '\\') c = '/';
      }
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only leftovers of a test must not keep the directory alive.
  fs::permissions(fs::u8path(root_), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(fs::u8path(root_), ignored);
}

std::string TempDir::path(const std::string& name) const { return root_ + "/" + name; }

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream(fs::u8path(path(name)), std::ios::binary | std::ios::trunc) << bytes;
}

std::string TempDir::read(const std::string& name) const { return read_file(path(name)); }

std::string read_file(const std::string& path) {
  std::ifstream file(fs::u8path(path), std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool TempDir::exists(const std::string& name) const {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(fs::u8path(path(name)), ignored));
}

std::vector<std::string> TempDir::entries(const std::string& folder) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::u8path(folder.empty() ? root_ : path(folder)))) {
    names.push_back(entry.path().filename().u8string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool TempDir::make_folder(const std::string& name) const {
  std::error_code error;
  return fs::create_directory(fs::u8path(path(name)), error);
}

bool TempDir::make_hard_link(const std::string& existing, const std::string& name) const {
  std::error_code error;
  fs::create_hard_link(fs::u8path(path(existing)), fs::u8path(path(name)), error);
  return !error;
}

bool TempDir::make_symlink(const std::string& target, const std::string& name) const {
  std::error_code error;
  fs::create_symlink(fs::u8path(target), fs::u8path(path(name)), error);
  return !error;
}

bool TempDir::make_read_only(const std::string& name) const {
  std::error_code error;
  fs::permissions(fs::u8path(path(name)),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, error);
  return !error;
}

const char* why_no_hard_links() {
  static const char* const why = [] {
    TempDir dir;
    dir.write("file", "");
    return dir.make_hard_link("file", "second") ? nullptr : "the tests cannot give a file a second name here";
  }();
  return why;
}

const char* why_no_locks() {
  static const char* const why = [] {
    TempDir dir;
    dir.write("locked", "");
    Place place;
    if (!open_place(dir.path("locked"), &place)) return "the tests cannot open a file to lock";
    const FileHandle first = open_for_writing(place, false);
    const FileHandle second = open_for_writing(place, false);
    const bool keeps = lock_file(first) == LockAnswer::kLocked &&
                       lock_file(second) == LockAnswer::kHeldElsewhere;
    close_file(first);
    close_file(second);
    close_place(&place);
    return keeps ? nullptr : "the system keeps no locks on the tests' files";
  }();
  return why;
}

const char* why_no_symlinks() {
  static const char* const why = [] {
    TempDir dir;
    return dir.make_symlink("target", "link") ? nullptr : "the tests cannot make a symbolic link here";
  }();
  return why;
}

// A run as nobody is another user only where the tests' user, whom
// permissions do not bind, hands the run to nobody.
const char* why_no_other_user() {
  return why_permissions_do_not_bind() == nullptr
             ? "the tests run the tool as their own user, who owns every file it meets"
             : why_no_bound_run();
}

const char* why_no_giving_away() {
  if (kNoPermissionBits != nullptr) return kNoPermissionBits;
  return why_permissions_do_not_bind() == nullptr ? "only a privileged run gives files away" : nullptr;
}

FileId id_of(const std::string& path) {
  FileId id;
  path_id(path, &id);
  return id;
}

const char* why_no_access_lists() {
  static const char* const why = [] {
    TempDir dir;
    dir.write("listed", "");
    return give_access_list(dir.path("listed")) ? nullptr : "the tests' files carry no access list here";
  }();
  return why;
}

bool not_run_here(const char* why, const std::string& what) {
  if (why != nullptr) std::cout << "Not run here (" << why << "): " << what << "\n";
  return why != nullptr;
}

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

ExportRun run_on_export(const std::string& export_text, const std::vector<std::string>& extra) {
  TempDir dir;
  dir.write("in.txt", export_text);
  std::vector<std::string> args{"-i", "in.txt", "-o", "out.txt"};
  args.insert(args.end(), extra.begin(), extra.end());
  ExportRun outcome;
  outcome.run = run_quorvane_binary(dir.root(), args);
  outcome.log = dir.read("Quorvane.log");
  outcome.report = mask_date_line(dir.read("out.txt"));
  outcome.entries = dir.entries();
  EXPECT_TRUE(dir.read("in.txt") == export_text) << "the input changed";
  return outcome;
}

void expect_success(const ExportRun& outcome, const std::string& console, const std::string& report) {
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
