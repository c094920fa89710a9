// Runs of the real executable on the many kinds of place a report can go: an
// earlier report with its permissions, a symbolic link, a file with a second
// name, a folder that takes no new files, and a run started with its standard
// streams closed. The report is replaced whole, or written in place where no
// file can take its place, and a failed run leaves the folder as it was.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "export_lines.h"
#include "run_binary.h"

namespace {

using Names = std::vector<std::string>;

const std::string kEarlier = "an earlier report\r\n";

bool is_link(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::u8path(path), error));
}

#ifdef _WIN32
// Windows keeps no permission bits: what stands for them is the read-only
// attribute and the access-control list, which a file takes from its folder.
const char* const kNoFolderWithoutNewFiles =
    "a folder refuses new files on Windows only by its access-control list, which the tests do "
    "not set";
const char* const kWindowsOnly = nullptr;
const char* const kNoOtherUser = "the tests cannot run the tool as another user on Windows";
const char* const kNoDescriptorLimit = "Windows sets no limit on a process's open files";
const char* const kNoStandardStreamName =
    "Windows has no file name for what standard output is open on";
const char kNullDevice[] = "NUL";
// Sharing that another program may grant: none at all, or everything but the
// deletion that replacing the file needs.
constexpr unsigned long kNoSharing = 0;
constexpr unsigned long kAllButDeleting = FILE_SHARE_READ | FILE_SHARE_WRITE;
#else
const char* const kNoFolderWithoutNewFiles = nullptr;
const char* const kWindowsOnly = "only Windows lets a program hold a file against replacement";
const char* const kNoOtherUser = nullptr;
const char* const kNoDescriptorLimit = nullptr;
const char* const kNoStandardStreamName = nullptr;
const char kNullDevice[] = "/dev/null";
constexpr unsigned long kNoSharing = 0;
constexpr unsigned long kAllButDeleting = 0;

// The permission bits of `path`, links followed; -1 when it does not exist.
int mode_of(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

uid_t owner_of(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_uid : static_cast<uid_t>(-1);
}

// The mode a file created by the run gets under the umask of this process,
// which the run inherits.
int new_file_mode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~static_cast<int>(mask);
}
#endif

// The entries of the folder `folder` inside `dir`, sorted.
Names entries_of(const TempDir& dir, const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(dir.path(folder)))) {
    names.push_back(entry.path().filename().u8string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReportFileEndToEnd, TheReportIsReplacedWholeOrWrittenInPlace) {
  // Rejections enough to overflow the console's buffer while files are open.
  std::string text;
  std::string rejections;
  for (int n = 1; n <= 300; ++n) {
    text += export_line("A", std::to_string(n) + "/V") + "\r\n";
    rejections += "\tRejecting issue " + std::to_string(n) + "/V (original owned)\n";
  }
  text += export_line("B", "1") + "\r\n";
  const std::string report = kMaskedReportHead + "B\tPub (1990)\t1\t$3.00\tnote\r\n";
  const std::string success =
      searching("in.txt") + "Processing A\n" + rejections + "Processing B\n" + kSuccessLine;
  struct Case {
    const char* what;
    const char* not_here;  // why the case cannot be staged on this system, or null
    std::function<void(const TempDir&)> prepare;
    std::string output;
    ChildLimits limits;
    std::string console;  // after the banner; the log holds it too when it exists
    Names entries;        // of the folder, after the run
    std::function<void(const TempDir&)> check;
    long held_sharing = -1;  // Windows: out.txt, with kEarlier, held open so during the run
  };
  ChildLimits nobody;
  nobody.as_nobody = true;
  ChildLimits closed;
  closed.closed_streams = true;
  ChildLimits few_files;  // the standard streams, the export and the earlier report
  few_files.open_files = 5;
  ChildLimits to_file;
  to_file.stdout_file = "console.txt";
  const Case cases[] = {
      {"an earlier report is replaced and keeps its permission bits", nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
#ifndef _WIN32
         ASSERT_EQ(chmod(dir.path("out.txt").c_str(), 0640), 0);
#endif
       },
       "out.txt", {}, success, {"Quorvane.log", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
#ifndef _WIN32
         EXPECT_EQ(mode_of(dir.path("out.txt")), 0640);
#endif
       }},
      {"a new report gets the permissions of any new file", nullptr,
       [](const TempDir&) {}, "out.txt", {}, success, {"Quorvane.log", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
#ifndef _WIN32
         EXPECT_EQ(mode_of(dir.path("out.txt")), new_file_mode());
#endif
       }},
      {"a symbolic link stays a link, and its target gets the report", kNoSymlinks,
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("real"));
         dir.write("real/report.txt", kEarlier);
         ASSERT_TRUE(dir.make_symlink("real/report.txt", "out.txt"));
       },
       "out.txt", {}, success, {"Quorvane.log", "in.txt", "out.txt", "real"},
       [&](const TempDir& dir) {
         EXPECT_TRUE(is_link(dir.path("out.txt")));
         EXPECT_EQ(mask_date_line(dir.read("real/report.txt")), report);
         EXPECT_EQ(entries_of(dir, "real"), Names{"report.txt"});
       }},
      {"a dangling link gets its target made", kNoSymlinks,
       [](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("real"));
         ASSERT_TRUE(dir.make_symlink("real/new.txt", "out.txt"));
       },
       "out.txt", {}, success, {"Quorvane.log", "in.txt", "out.txt", "real"},
       [&](const TempDir& dir) {
         EXPECT_TRUE(is_link(dir.path("out.txt")));
         EXPECT_EQ(mask_date_line(dir.read("real/new.txt")), report);
         EXPECT_EQ(entries_of(dir, "real"), Names{"new.txt"});
       }},
      {"a report with a second name is written in place, under both names", nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(dir.make_hard_link("out.txt", "copy.txt"));
       },
       "out.txt", {}, success, {"Quorvane.log", "copy.txt", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("copy.txt")), report);
         EXPECT_EQ(dir.read("copy.txt"), dir.read("out.txt"));
       }},
      {"a writable report in a folder that takes no new file is written in place",
       kNoFolderWithoutNewFiles,
       [&](const TempDir& dir) {
         static_cast<void>(dir);  // unused where the case is not run
#ifndef _WIN32
         ASSERT_EQ(mkdir(dir.path("ro").c_str(), 0755), 0);
         dir.write("ro/out.txt", kEarlier);
         ASSERT_EQ(chmod(dir.path("ro/out.txt").c_str(), 0666), 0);
         ASSERT_EQ(chmod(dir.path("ro").c_str(), 0555), 0);
#endif
       },
       "ro/out.txt", nobody, success, {"Quorvane.log", "in.txt", "ro"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("ro/out.txt")), report);
         EXPECT_EQ(entries_of(dir, "ro"), Names{"out.txt"});
       }},
      {"a new report in a folder that takes no new file is refused before the log",
       kNoFolderWithoutNewFiles,
       [](const TempDir& dir) {
         static_cast<void>(dir);  // unused where the case is not run
#ifndef _WIN32
         ASSERT_EQ(mkdir(dir.path("ro").c_str(), 0555), 0);
#endif
       },
       "ro/out.txt", nobody, "Couldn't open output ro/out.txt file\n", {"in.txt", "ro"},
       [](const TempDir& dir) { EXPECT_EQ(entries_of(dir, "ro"), Names{}); }},
      {"an earlier report that may not be written is refused and kept", nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(dir.make_read_only("out.txt"));
       },
       "out.txt", nobody, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("out.txt"), kEarlier);
#ifndef _WIN32
         EXPECT_EQ(mode_of(dir.path("out.txt")), 0444);
#endif
       }},
      {"an earlier report that another program holds without sharing is refused and kept",
       kWindowsOnly, [](const TempDir&) {}, "out.txt", {},
       "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, kNoSharing},
      {"an earlier report that another program holds against deleting is kept",
       kWindowsOnly, [](const TempDir&) {}, "out.txt", {},
       searching("in.txt") + "Processing A\n" + rejections + "Processing B\n" +
           "\nCouldn't write output file out.txt; aborting\n",
       {"Quorvane.log", "in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, kAllButDeleting},
      {"another user's report in a folder shared by all is written in place, keeping its owner",
       kNoOtherUser,
       [&](const TempDir& dir) {
         static_cast<void>(dir);  // unused where the case is not run
#ifndef _WIN32
         ASSERT_EQ(mkdir(dir.path("shared").c_str(), 0777), 0);
         ASSERT_EQ(chmod(dir.path("shared").c_str(), 01777), 0);
         dir.write("shared/out.txt", kEarlier);
         ASSERT_EQ(chmod(dir.path("shared/out.txt").c_str(), 0666), 0);
#endif
       },
       "shared/out.txt", nobody, success, {"Quorvane.log", "in.txt", "shared"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("shared/out.txt")), report);
#ifndef _WIN32
         EXPECT_EQ(owner_of(dir.path("shared/out.txt")), getuid());
#endif
         EXPECT_EQ(entries_of(dir, "shared"), Names{"out.txt"});
       }},
      {"a folder that fails to take a file for want of descriptors is no refusal",
       kNoDescriptorLimit,
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", few_files, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }},
      {"a device takes the report as it comes", nullptr,
       [](const TempDir&) {}, kNullDevice, {}, success, {"Quorvane.log", "in.txt"},
       [](const TempDir&) {}},
      {"the file the console goes to is written in place, not replaced", kNoStandardStreamName,
       [](const TempDir&) {}, "/dev/stdout", to_file, "", {"Quorvane.log", "console.txt", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
         // Console and report share the file; the console's text is not lost.
         EXPECT_NE(dir.read("console.txt").find("Processing B\n"), std::string::npos);
       }},
      {"closed standard streams take no file's place", nullptr,
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", closed, "", {"Quorvane.log", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
       }},
  };
  for (const Case& c : cases) {
    if (c.not_here != nullptr) {
      std::cout << "Not run here (" << c.not_here << "): " << c.what << "\n";
      continue;
    }
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("in.txt", text);
#ifndef _WIN32
    // A run as nobody must reach its files and create the log.
    ASSERT_EQ(chmod(dir.root().c_str(), 0777), 0);
#endif
    c.prepare(dir);
    RunResult run;
    if (c.held_sharing >= 0) {
#ifdef _WIN32
      dir.write("out.txt", kEarlier);
      HeldFile held(dir.path("out.txt"), static_cast<unsigned long>(c.held_sharing));
      ASSERT_TRUE(held.held());
      run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", c.output}, c.limits);
#endif
    } else {
      run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", c.output}, c.limits);
    }
    const bool console_elsewhere = c.limits.closed_streams || !c.limits.stdout_file.empty();
    const bool succeeded = c.console == success || console_elsewhere;
    EXPECT_EQ(run.status, succeeded ? 0 : 255);
    EXPECT_EQ(run.err, "");
    if (!console_elsewhere) {
      EXPECT_EQ(run.out, expected_banner() + c.console);
      if (dir.exists("Quorvane.log")) {
        EXPECT_EQ(dir.read("Quorvane.log"), crlf(c.console));
      }
    }
    EXPECT_EQ(dir.entries(), c.entries);
    EXPECT_EQ(dir.read("in.txt"), text);
    c.check(dir);
#ifndef _WIN32
    chmod(dir.path("ro").c_str(), 0755);  // so that the folder can be removed
#endif
  }
}

}  // namespace
