// Runs of the real executable on the many kinds of place a report can go: an
// earlier report, a new one, a symbolic link, a file with a second name, a
// mount point, a file another program holds, devices (one failing every write
// too), the console's own file or standard error's, a console nobody reads,
// closed standard streams. The report is replaced whole, or written in place
// where no file can take it, and a failed run leaves the folder as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "place_table.h"

namespace {

bool is_link(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::u8path(path), error));
}

TEST(ReportPlaceEndToEnd, TheReportIsReplacedWholeOrWrittenInPlace) {
  const PlaceRun& run = place_run();
  const std::string& report = run.report;
  const std::string& success = run.success;
  const ChildSetup closed = setup_of([](ChildSetup& s) { s.closed_streams = 2; });
  const ChildSetup all_closed = setup_of([](ChildSetup& s) { s.closed_streams = 3; });
  // The standard streams, the export and the earlier report.
  const ChildSetup few_files = setup_of([](ChildSetup& s) { s.open_files = 5; });
  const ChildSetup to_file = setup_of([](ChildSetup& s) { s.stdout_file = "console.txt"; });
  const ChildSetup to_full = setup_of([](ChildSetup& s) { s.stdout_file = "/dev/full"; });
  const ChildSetup appending = setup_of([](ChildSetup& s) { s.stdout_file = "console.txt"; s.appends = true; });
  const ChildSetup errors_appending =
      setup_of([](ChildSetup& s) { s.stderr_file = "err.txt"; s.appends = true; });
  // A log on the console's file, and a report that cannot take its place.
  const ChildSetup console_kept = setup_of([](ChildSetup& s) {
    s.stdout_file = "console.txt";
    s.appends = s.faults = true;
    s.environment = {{"QUORVANE_FAIL_CALL", "rename:1:1:EIO"}};
  });
  const ChildSetup group_writable = setup_of([](ChildSetup& s) { s.umask = 002; });
  // A console piped into a reader that has gone (`quorvane ... | head -1`).
  const ChildSetup unread = setup_of([](ChildSetup& s) { s.closed_stdout = true; });
  const ChildSetup mounted = setup_of([](ChildSetup& s) { s.bind_mounts = {{"mounted.txt", "out.txt"}}; });
  const char* const stdout_name = kStandardOutputName == nullptr ? "" : kStandardOutputName;
  const char* const why_no_stdout_name =
      kStandardOutputName == nullptr ? "standard output has no file name here" : nullptr;
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
       nullptr, "out.txt", group_writable, success, done,
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
       kNoHeldFiles, kPutEarlier, "out.txt", {}, "Couldn't open output out.txt file\n",
       {"in.txt", "out.txt"}, kKeptEarlier, nullptr, Sharing::kNothing, true},
      {"an earlier report that another program holds against deleting is kept", kNoHeldFiles,
       kPutEarlier, "out.txt", {}, run.before_report + "\nCouldn't write output file out.txt; aborting\n",
       done, kKeptEarlier, nullptr, Sharing::kAllButDeleting, true},
      {"a run short of descriptors is refused, and writes nothing in place", kNoDescriptorLimit,
       kPutEarlier, "out.txt", few_files, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       kKeptEarlier},
      {"a device takes the report as it comes", nullptr, nullptr, kNullDevice, {}, success,
       {"Quorvane.log", "in.txt"}, nullptr},
      {"a device that fails every write fails the run", why_no_full_device(), nullptr, "/dev/full", {},
       run.before_report + "\nCouldn't write output file /dev/full; aborting\n", {"Quorvane.log", "in.txt"},
       nullptr},
      {"a log on a device that fails every write fails the run, and the earlier report stays",
       why_no_full_device(), kPutEarlier, "out.txt", {},
       run.before_report + "\nCouldn't write log file /dev/full\n", {"in.txt", "out.txt"}, kKeptEarlier,
       "/dev/full"},
      {"a console nobody reads does not stop the run", why_no_closed_streams(), nullptr, "out.txt",
       unread, success, done, report_at("out.txt")},
      {"the console's file, named as standard output, gets the report between its text",
       why_no_stdout_name, nullptr, stdout_name, to_file, success,
       {"Quorvane.log", "console.txt", "in.txt"}, [](const TempDir& dir) { expect_console_file(dir, ""); }},
      {"a console on a full disk fails the report written through it", why_no_full_device(), nullptr,
       stdout_name, to_full, run.before_report + "\nCouldn't write output file /dev/stdout; aborting\n",
       {"Quorvane.log", "in.txt"}, nullptr},
      {"a log named like the console's file is the console's text", nullptr, nullptr, "out.txt", to_file,
       success, {"console.txt", "in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_copyright(console_text(dir.read("console.txt"))), expected_banner() + success);
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
       },
       "console.txt"},
      {"a log on the console's file keeps what the file held when the run fails at the end", nullptr,
       [](const TempDir& dir) { dir.write("console.txt", "held before\n"); }, "out.txt", console_kept,
       run.before_report + "\nCouldn't write output file out.txt; aborting\n", {"console.txt", "in.txt"},
       [&](const TempDir& dir) {
         const std::string file = dir.read("console.txt");
         EXPECT_EQ(file.substr(0, 12), "held before\n");
         EXPECT_EQ(mask_copyright(console_text(file.substr(12))),
                   expected_banner() + run.before_report +
                       "\nCouldn't write output file out.txt; aborting\n");
       },
       "console.txt"},
      {"a console that appends to its file appends the report too", nullptr,
       [](const TempDir& dir) { dir.write("console.txt", "held before\n"); }, "console.txt", appending,
       success, {"Quorvane.log", "console.txt", "in.txt"},
       [](const TempDir& dir) { expect_console_file(dir, "held before\n"); }},
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
      {"closed standard streams take no file's place", why_no_closed_streams(), kPutEarlier, "out.txt",
       closed, success, done, report_at("out.txt")},
      {"with all three closed, a log on standard error goes nowhere",
       kStandardErrorName == nullptr ? "standard error has no file name here" : why_no_closed_streams(),
       kPutEarlier, "out.txt", all_closed, success, {"in.txt", "out.txt"}, report_at("out.txt"),
       kStandardErrorName},
  };
  run_place_cases(cases, std::size(cases));
}

}  // namespace
