// Runs of the real executable on the many kinds of place a report can go: an
// earlier report, a new one, a symbolic link, a file with a second name, a
// mount point, a file another program holds, a device, the console's own
// file or standard error's, and a run started with its standard streams
// closed. The report is replaced whole, or written in place where no file
// can take its place, and a failed run leaves the folder as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "place_table.h"
#include "platform/platform.h"

namespace {

bool is_link(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::u8path(path), error));
}

FileId id_of(const std::string& path) {
  FileId id;
  path_id(path, &id);
  return id;
}

TEST(ReportPlaceEndToEnd, TheReportIsReplacedWholeOrWrittenInPlace) {
  const PlaceRun& run = place_run();
  const std::string& report = run.report;
  const std::string& success = run.success;
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
  ChildSetup to_full = to_file;
  to_full.stdout_file = "/dev/full";
  ChildSetup errors_appending;
  errors_appending.stderr_file = "err.txt";
  errors_appending.appends = true;
  ChildSetup console_kept = appending;  // a log on it, and a report that cannot take its place
  console_kept.faults = true;
  console_kept.environment = {{"QUORVANE_FAIL_CALL", "rename:1:1:EIO"}};
  ChildSetup group_writable;
  group_writable.umask = 002;
  ChildSetup mounted;  // names in the run's folder
  mounted.bind_mounts = {{"mounted.txt", "out.txt"}};
  const Names done{"Quorvane.log", "in.txt", "out.txt"};
  FileId earlier;
  const PlaceCase cases[] = {
      {"an earlier report is replaced by a new file, with its permission bits, set-group-ID included",
       nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(kNoPermissionBits != nullptr || set_mode(dir.path("out.txt"), 02640));
         earlier = id_of(dir.path("out.txt"));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(mode_of(dir.path("out.txt")), kNoPermissionBits == nullptr ? 02640 : -1);
         EXPECT_FALSE(id_of(dir.path("out.txt")) == earlier) << "written in place";
       }},
      {"a new report gets the permissions of any new file, under any umask", kNoPermissionBits,
       [](const TempDir&) {}, "out.txt", group_writable, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(mode_of(dir.path("out.txt")), 0664);
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
      {"a report with a second name is written in place, under both names, and cut to the new",
       why_no_hard_links(),
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
      {"an earlier report that another program holds without sharing is refused and kept",
       kNoHeldFiles, [](const TempDir& dir) { dir.write("out.txt", kEarlier); }, "out.txt", {},
       "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, nullptr,
       Sharing::kNothing, true},
      {"an earlier report that another program holds against deleting is kept",
       kNoHeldFiles, [](const TempDir& dir) { dir.write("out.txt", kEarlier); }, "out.txt", {},
       run.before_report + "\nCouldn't write output file out.txt; aborting\n", done,
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); }, nullptr,
       Sharing::kAllButDeleting, true},
      {"a run short of descriptors is refused, and writes nothing in place", kNoDescriptorLimit,
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
      {"a console on a full disk fails the report written through it", why_no_full_device(),
       [](const TempDir&) {}, kStandardOutputName == nullptr ? "" : kStandardOutputName, to_full,
       "", {"Quorvane.log", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"),
                   crlf(run.before_report + "\nCouldn't write output file /dev/stdout; aborting\n"));
       },
       nullptr, Sharing::kNothing, false, "", "", true},
      {"a log named like the console's file is the console's text", nullptr,
       [](const TempDir&) {}, "out.txt", to_file, "", {"console.txt", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_copyright(console_text(dir.read("console.txt"))),
                   expected_banner() + success);
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
       },
       "console.txt"},
      {"a log on the console's file keeps what the file held when the run fails at the end", nullptr,
       [](const TempDir& dir) { dir.write("console.txt", "held before\n"); }, "out.txt",
       console_kept, "", {"console.txt", "in.txt"},
       [&](const TempDir& dir) {
         const std::string file = dir.read("console.txt");
         EXPECT_EQ(file.substr(0, 12), "held before\n");
         EXPECT_EQ(mask_copyright(console_text(file.substr(12))),
                   expected_banner() + run.before_report +
                       "\nCouldn't write output file out.txt; aborting\n");
       },
       "console.txt", Sharing::kNothing, false, "", "", true},
      {"a console that appends to its file appends the report too", nullptr,
       [](const TempDir& dir) { dir.write("console.txt", "held before\n"); }, "console.txt",
       appending, "", {"Quorvane.log", "console.txt", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
         expect_console_file(dir, "held before\n");
       }},
      {"standard error's file gets the report after what it held", nullptr,
       [](const TempDir& dir) { dir.write("err.txt", "held before\n"); }, "err.txt",
       errors_appending, success, {"Quorvane.log", "err.txt", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("err.txt").substr(12)), report);
         EXPECT_EQ(dir.read("err.txt").substr(0, 12), "held before\n");
       }},
      {"standard error's file gets the log after what it held", nullptr,
       [](const TempDir& dir) { dir.write("err.txt", "held before\n"); }, "out.txt",
       errors_appending, success, {"err.txt", "in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(dir.read("err.txt"), "held before\n" + crlf(success)); },
       "err.txt"},
      {"closed standard streams take no file's place", why_no_closed_streams(),
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", closed, "", done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(dir.read("Quorvane.log"), crlf(success));
       }},
      {"with all three closed, a log on standard error goes nowhere",
       kStandardErrorName == nullptr ? "standard error has no file name here" : why_no_closed_streams(),
       [&](const TempDir& dir) { dir.write("out.txt", kEarlier); },
       "out.txt", all_closed, "", {"in.txt", "out.txt"},
       [&](const TempDir& dir) { EXPECT_EQ(mask_date_line(dir.read("out.txt")), report); },
       kStandardErrorName},
  };
  run_place_cases(cases, std::size(cases));
}

}  // namespace
