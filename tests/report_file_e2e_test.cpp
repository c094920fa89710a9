// Runs of the real executable on the many kinds of place a report can go: an
// earlier report with its permissions, a symbolic link, a file with a second
// name, a mount point, a folder that takes no new files, the console's own
// file, and a run started with its standard streams closed. The report is
// replaced whole, or written in place where no file can take its place, and
// a failed run leaves the folder as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "export_lines.h"
#include "run_binary.h"

namespace {

const std::string kEarlier = "an earlier report\r\n";

bool is_link(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::u8path(path), error));
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
  const std::string before_report =
      searching("in.txt") + "Processing A\n" + rejections + "Processing B\n";
  const std::string success = before_report + kSuccessLine;
  // The console's file holds its text up to the report, the report, and the
  // rest, after whatever it held before a run that appends to it.
  auto expect_console_file = [&](const TempDir& dir, const std::string& held_before) {
    const std::string file = dir.read("console.txt");
    const std::size_t header = file.find("\r\n\r\n\r\n" + kReportHeader);
    ASSERT_NE(header, std::string::npos);
    const std::size_t start = header - 24;  // the date line's length
    const std::size_t end = start + 24 + (report.size() - 6);  // the masked date is "<date>"
    EXPECT_EQ(file.substr(0, held_before.size()), held_before);
    const std::string console_before = file.substr(held_before.size(), start - held_before.size());
    EXPECT_EQ(mask_copyright(console_text(console_before)), expected_banner() + before_report);
    EXPECT_EQ(mask_date_line(file.substr(start, end - start)), report);
    EXPECT_EQ(console_text(file.substr(end)), kSuccessLine);
  };
  struct Case {
    const char* what;
    const char* not_here;  // why the case cannot be staged on this system, or null
    std::function<void(const TempDir&)> prepare;
    std::string output;
    ChildSetup setup;
    std::string console;  // after the banner; the log holds it too when it exists
    Names entries;        // of the folder, after the run
    std::function<void(const TempDir&)> check;
    const char* log = nullptr;  // the log's name, when not the default
    Sharing held = Sharing::kNothing;  // how out.txt, with kEarlier, is held during the run
    bool is_held = false;
  };
  ChildSetup nobody;
  nobody.as_nobody = true;
  ChildSetup closed;
  closed.closed_streams = 2;
  ChildSetup all_closed;
  all_closed.closed_streams = 3;
  ChildSetup few_files;  // the standard streams, the export and the earlier report
  few_files.open_files = 5;
  ChildSetup to_file;
  to_file.stdout_file = "console.txt";
  ChildSetup appending = to_file;
  appending.appends = true;
  ChildSetup mounted;  // names in the run's folder
  mounted.bind_mounts = {{"mounted.txt", "out.txt"}};
  const Names done{"Quorvane.log", "in.txt", "out.txt"};
  const Case cases[] = {
      {"an earlier report is replaced and keeps its permission bits, set-group-ID included",
       nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(kNoPermissionBits != nullptr || set_mode(dir.path("out.txt"), 02640));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(mode_of(dir.path("out.txt")), kNoPermissionBits == nullptr ? 02640 : -1);
       }},
      {"a new report gets the permissions of any new file", nullptr,
       [](const TempDir&) {}, "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(mode_of(dir.path("out.txt")), new_file_mode());
       }},
      {"a relative link in a subfolder leads from that folder", why_no_symlinks(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("sub"));
         dir.write("sub/report.txt", kEarlier);
         ASSERT_TRUE(dir.make_symlink("report.txt", "sub/out.txt"));
       },
       "sub/out.txt", {}, success, {"Quorvane.log", "in.txt", "sub"},
       [&](const TempDir& dir) {
         EXPECT_TRUE(is_link(dir.path("sub/out.txt")));
         EXPECT_EQ(mask_date_line(dir.read("sub/report.txt")), report);
         EXPECT_EQ(dir.entries("sub"), (Names{"out.txt", "report.txt"}));
       }},
      {"a dangling link gets its target made", why_no_symlinks(),
       [](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("real"));
         ASSERT_TRUE(dir.make_symlink("real/new.txt", "out.txt"));
       },
       "out.txt", {}, success, {"Quorvane.log", "in.txt", "out.txt", "real"},
       [&](const TempDir& dir) {
         EXPECT_TRUE(is_link(dir.path("out.txt")));
         EXPECT_EQ(mask_date_line(dir.read("real/new.txt")), report);
         EXPECT_EQ(dir.entries("real"), Names{"new.txt"});
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
      {"a report that is a mount point is written into the mount", why_no_bind_mount(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         dir.write("mounted.txt", kEarlier);
       },
       "out.txt", mounted, success, {"Quorvane.log", "in.txt", "mounted.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("mounted.txt")), report);
         EXPECT_EQ(dir.read("out.txt"), kEarlier) << "the file under the mount";
       }},
      {"a report with an access-control list is written in place and keeps it",
       why_no_access_lists(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(give_access_list(dir.path("out.txt")));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_TRUE(carries_access_list(dir.path("out.txt")));
       }},
      {"a writable report in a folder that takes no new file is written in place",
       kNoPermissionBits,
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("ro"));
         dir.write("ro/out.txt", kEarlier);
         ASSERT_TRUE(set_mode(dir.path("ro/out.txt"), 0666));
         ASSERT_TRUE(set_mode(dir.path("ro"), 0555));
       },
       "ro/out.txt", nobody, success, {"Quorvane.log", "in.txt", "ro"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("ro/out.txt")), report);
         EXPECT_EQ(dir.entries("ro"), Names{"out.txt"});
       }},
      {"an earlier report that may not be written is refused and kept", nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(dir.make_read_only("out.txt"));
       },
       "out.txt", nobody, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("out.txt"), kEarlier);
         EXPECT_EQ(mode_of(dir.path("out.txt")), kNoPermissionBits == nullptr ? 0444 : -1);
       }},
      {"an earlier report that another program holds without sharing is refused and kept",
       kNoHeldFiles, [](const TempDir& dir) { dir.write("out.txt", kEarlier); }, "out.txt", {},
       "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, nullptr,
       Sharing::kNothing, true},
      {"an earlier report that another program holds against deleting is kept",
       kNoHeldFiles, [](const TempDir& dir) { dir.write("out.txt", kEarlier); }, "out.txt", {},
       before_report + "\nCouldn't write output file out.txt; aborting\n", done,
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, nullptr,
       Sharing::kAllButDeleting, true},
      {"another user's report in a folder shared by all is written in place, keeping its owner",
       why_no_other_user(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("shared") && set_mode(dir.path("shared"), 01777));
         dir.write("shared/out.txt", kEarlier);
         ASSERT_TRUE(set_mode(dir.path("shared/out.txt"), 0666));
       },
       "shared/out.txt", nobody, success, {"Quorvane.log", "in.txt", "shared"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("shared/out.txt")), report);
         EXPECT_EQ(owner_of(dir.path("shared/out.txt")), owner_of(dir.root()));
         EXPECT_EQ(dir.entries("shared"), Names{"out.txt"});
       }},
      {"a report of a group the run may not give a new file is written in place, keeping it",
       why_no_other_user(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("group") && set_mode(dir.path("group"), 0777));
         dir.write("group/out.txt", kEarlier);
         ASSERT_TRUE(give_file(dir.path("group/out.txt"), kNobody, 0));
         ASSERT_TRUE(set_mode(dir.path("group/out.txt"), 0640));
       },
       "group/out.txt", nobody, success, {"Quorvane.log", "group", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("group/out.txt")), report);
         EXPECT_EQ(group_of(dir.path("group/out.txt")), 0);
         EXPECT_EQ(mode_of(dir.path("group/out.txt")), 0640);
         EXPECT_EQ(dir.entries("group"), Names{"out.txt"});
       }},
      {"a folder that fails to take a file for want of descriptors is no refusal",
       kNoDescriptorLimit,
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", few_files, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }},
      {"a device takes the report as it comes", nullptr,
       [](const TempDir&) {}, kNullDevice, {}, success,
       {"Quorvane.log", "in.txt"}, [](const TempDir&) {}},
      {"the console's file, named as standard output, gets the report between its text",
       kStandardOutputName == nullptr ? "standard output has no file name here" : nullptr,
       [](const TempDir&) {}, kStandardOutputName == nullptr ? "" : kStandardOutputName, to_file,
       "", {"Quorvane.log", "console.txt", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
         expect_console_file(dir, "");
       }},
      {"a log named like the console's file is the console's text", nullptr,
       [](const TempDir&) {}, "out.txt", to_file, "", {"console.txt", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_copyright(console_text(dir.read("console.txt"))),
                   expected_banner() + success);
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
       },
       "console.txt"},
      {"a console that appends to its file appends the report too", nullptr,
       [](const TempDir& dir) { dir.write("console.txt", "held before\n"); }, "console.txt",
       appending, "", {"Quorvane.log", "console.txt", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
         expect_console_file(dir, "held before\n");
       }},
      {"closed standard streams take no file's place", nullptr,
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", closed, "", done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
       }},
      {"with all three closed, a log on standard error goes nowhere",
       kStandardErrorName == nullptr ? "standard error has no file name here" : nullptr,
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", all_closed, "", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(mask_date_line(dir.read("out.txt")), report); },
       kStandardErrorName},
  };
  for (const Case& c : cases) {
    const char* not_here = c.not_here;
    if (not_here == nullptr && c.setup.as_nobody) not_here = why_no_bound_run();
    if (not_run_here(not_here, c.what)) continue;
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("in.txt", text);
    // A run as nobody must reach its files and create the log.
    ASSERT_TRUE(kNoPermissionBits != nullptr || set_mode(dir.root(), 0777));
    c.prepare(dir);
    if (testing::Test::HasFatalFailure()) return;
    Names args{"-i", "in.txt", "-o", c.output};
    if (c.log != nullptr) args.insert(args.end(), {"-l", c.log});
    RunResult run;
    {
      HeldFile held(c.is_held ? dir.path("out.txt") : "", c.held);
      ASSERT_EQ(held.held(), c.is_held);
      run = run_quorvane_binary(dir.root(), args, c.setup);
    }
    const bool console_elsewhere = c.setup.closed_streams > 0 || !c.setup.stdout_file.empty();
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
    if (dir.exists("ro")) set_mode(dir.path("ro"), 0755);  // so that the folder can be removed
  }
}

// What a traced run did to its files, a call each, in order: "sync NAME",
// "rename FROM TO", "fchmod NAME", with temporary files as ".quorvane-*" and
// the run's folder as "<folder>".
Names calls_in_trace(const std::string& trace, const std::string& folder) {
  static const std::regex kCall(R"(^\d+\s+(\w+)\((.*)\) += -?\d+)");
  static const std::regex kName(R"(<([^>]*)>|"([^"]*)\")");
  // The folder a call is made relative to names no file of the call.
  static const std::regex kRelativeTo(R"((AT_FDCWD|\b\d+)<[^>]*>, )");
  Names calls;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::smatch call;
    if (!std::regex_search(line, call, kCall)) continue;
    std::string name = call[1];
    if (name == "fsync" || name == "fdatasync") name = "sync";
    if (name.compare(0, 6, "rename") == 0) name = "rename";
    const std::string args = name == "rename"
                                 ? std::regex_replace(std::string(call[2]), kRelativeTo, "")
                                 : std::string(call[2]);
    for (std::sregex_iterator at(args.begin(), args.end(), kName), end; at != end; ++at) {
      std::string path = (*at)[1].matched ? (*at)[1] : (*at)[2];
      if (path == folder) {
        path = "<folder>";
      } else {
        path = path.substr(path.rfind('/') + 1);
        if (path.compare(0, 10, ".quorvane-") == 0) path = ".quorvane-*";
      }
      name += " " + path;
    }
    calls.push_back(name);
  }
  return calls;
}

// The report reaches the disk before it takes the earlier one's place, and so
// does the log that says the run succeeded; the folder's new entry after it.
// A report written in place reaches the disk before it is closed. A sync that
// fails fails the run and keeps the earlier report, but for the folder's, and
// a new file that cannot take the earlier one's permissions leaves the report
// to be written in place.
TEST(ReportFileEndToEnd, TheReportIsOnTheDiskBeforeItCountsAsWritten) {
  if (why_no_tracer() != nullptr) GTEST_SKIP() << why_no_tracer();
  struct Case {
    const char* fault;
    bool second_name;
    Names calls;
    std::string failure;  // the console's last line, if the run fails
  };
  const std::string log_failed = "\nCouldn't write log file Quorvane.log\n";
  const std::string write_failed = "\nCouldn't write output file out.txt; aborting\n";
  const Case cases[] = {
      {"", false,
       {"fchmod .quorvane-*", "sync .quorvane-*", "sync Quorvane.log", "rename .quorvane-* out.txt",
        "sync <folder>"},
       ""},
      {"", true, {"sync out.txt", "sync Quorvane.log"}, ""},
      {"fsync:error=EIO", false, {"fchmod .quorvane-*", "sync .quorvane-*"}, write_failed},
      {"fsync:error=EIO:when=2", false,
       {"fchmod .quorvane-*", "sync .quorvane-*", "sync Quorvane.log"}, log_failed},
      // The report stands in its place once renamed; its folder's sync is the last word.
      {"fsync:error=EIO:when=3", false,
       {"fchmod .quorvane-*", "sync .quorvane-*", "sync Quorvane.log", "rename .quorvane-* out.txt",
        "sync <folder>"},
       ""},
      {"fsync:error=EIO", true, {"sync out.txt"}, write_failed},
      {"fchmod:error=EPERM", false, {"fchmod .quorvane-*", "sync out.txt", "sync Quorvane.log"}, ""},
  };
  const std::string text = export_line("A", "1") + "\r\n";
  const std::string console = searching("in.txt") + "Processing A\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + (c.second_name ? " with a second name" : ""));
    TempDir dir;
    TempDir traces;
    dir.write("in.txt", text);
    dir.write("out.txt", kEarlier);
    if (c.second_name) {
      ASSERT_TRUE(dir.make_hard_link("out.txt", "copy.txt"));
    }
    ChildSetup setup;
    setup.trace_file = traces.path("trace.txt");
    setup.trace_fault = c.fault;
    const RunResult run =
        run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt"}, setup);
    const bool succeeds = c.failure.empty();
    EXPECT_EQ(calls_in_trace(traces.read("trace.txt"), dir.root()), c.calls);
    EXPECT_EQ(run.status, succeeds ? 0 : 255);
    EXPECT_EQ(run.out, expected_banner() + console + (succeeds ? kSuccessLine : c.failure));
    const bool emptied = !succeeds && c.second_name;  // in place, the earlier report is gone
    EXPECT_EQ(mask_date_line(dir.read("out.txt")),
              succeeds || emptied ? kMaskedReportHead + "A\tPub (1990)\t1\t$3.00\tnote\r\n"
                                  : "<bad date line>");
    if (!succeeds && !c.second_name) {
      EXPECT_EQ(dir.read("out.txt"), kEarlier);
    }
    EXPECT_EQ(dir.entries().size(), c.second_name ? 4u : 3u);
  }
}

}  // namespace
