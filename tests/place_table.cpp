#include "place_table.h"

#include <gtest/gtest.h>

#include "export_lines.h"

const std::string kEarlier = "an earlier report, " + std::string(300, '.') + "\r\n";
const Step kPutEarlier = [](const TempDir& dir) { dir.write("out.txt", kEarlier); };
const Step kKeptEarlier = [](const TempDir& dir) { EXPECT_EQ(dir.read("out.txt"), kEarlier); };

Step report_at(const std::string& name) {
  return [name](const TempDir& dir) { EXPECT_EQ(mask_date_line(dir.read(name)), place_run().report); };
}

ChildSetup setup_of(void (*set)(ChildSetup&)) {
  ChildSetup setup;
  set(setup);
  return setup;
}

const PlaceRun& place_run() {
  static const PlaceRun run = [] {
    PlaceRun made;
    std::string rejections;
    for (int n = 1; n <= 300; ++n) {
      made.text += export_line("A", std::to_string(n) + "/V") + "\r\n";
      rejections += "\tRejecting issue " + std::to_string(n) + "/V (original owned)\n";
    }
    made.text += export_line("B", "1") + "\r\n";
    made.report = kMaskedReportHead + "B\tPub (1990)\t1\t$3.00\tnote\r\n";
    made.before_report = searching("in.txt") + "Processing A\n" + rejections + "Processing B\n";
    made.success = made.before_report + kSuccessLine;
    return made;
  }();
  return run;
}

void expect_console_file(const TempDir& dir, const std::string& held_before) {
  const PlaceRun& run = place_run();
  const std::string file = dir.read("console.txt");
  const std::size_t header = file.find("\r\n\r\n\r\n" + kReportHeader);
  ASSERT_NE(header, std::string::npos);
  const std::size_t start = header - 24;  // the date line's length
  const std::size_t end = start + 24 + (run.report.size() - 6);  // the masked date is "<date>"
  EXPECT_EQ(file.substr(0, held_before.size()), held_before);
  const std::string console_before = file.substr(held_before.size(), start - held_before.size());
  EXPECT_EQ(mask_copyright(console_text(console_before)), expected_banner() + run.before_report);
  EXPECT_EQ(mask_date_line(file.substr(start, end - start)), run.report);
  EXPECT_EQ(console_text(file.substr(end)), kSuccessLine);
}

namespace {

// A file locked as another run of the tool locks it, while the object lives.
struct LockedAsByAnotherRun {
  explicit LockedAsByAnotherRun(const std::string& path) {
    if (path.empty() || !open_place(path, &place)) return;
    file = open_for_writing(place, false);
    locked = file != kNoFile && lock_file(file) == LockAnswer::kLocked;
  }
  ~LockedAsByAnotherRun() {
    if (file != kNoFile) close_file(file);
    close_place(&place);
  }
  Place place;
  FileHandle file = kNoFile;
  bool locked = false;
};

}  // namespace

void run_place_cases(const PlaceCase* cases, std::size_t count) {
  const PlaceRun& run_text = place_run();
  for (const PlaceCase& c : std::vector<PlaceCase>(cases, cases + count)) {
    const char* not_here = c.not_here;
    if (not_here == nullptr && c.setup.as_nobody) not_here = why_no_bound_run();
    if (not_run_here(not_here, c.what)) continue;
    SCOPED_TRACE(c.what);
    TempDir dir;
    // A run as nobody must reach its files and create the log.
    ASSERT_TRUE(kNoPermissionBits != nullptr || set_mode(dir.root(), 0777));
    if (c.prepare) c.prepare(dir);
    if (testing::Test::HasFatalFailure()) return;
    const std::string at = *c.run_in == '\0' ? "" : std::string(c.run_in) + "/";
    dir.write(at + "in.txt", run_text.text);
    Names args{"-i", "in.txt", "-o", c.output};
    if (c.log != nullptr) args.insert(args.end(), {"-l", c.log});
    RunResult run;
    {
      HeldFile held(c.is_held ? dir.path("out.txt") : "", c.held);
      ASSERT_EQ(held.held(), c.is_held);
      LockedAsByAnotherRun locked(c.locked.empty() ? "" : dir.path(c.locked));
      ASSERT_EQ(locked.locked, !c.locked.empty());
      run = run_quorvane_binary(dir.path(c.run_in), args, c.setup);
    }
    const bool console_elsewhere =
      c.setup.closed_streams > 0 || c.setup.closed_stdout || !c.setup.stdout_file.empty();
    EXPECT_EQ(run.status, c.console == run_text.success ? 0 : 255);
    EXPECT_EQ(run.err, "");
    if (!console_elsewhere) {
      EXPECT_EQ(run.out, expected_banner() + c.console);
    }
    if (dir.exists(at + "Quorvane.log") && c.locked != "Quorvane.log") {
      EXPECT_EQ(dir.read(at + "Quorvane.log"), crlf(c.console));
    }
    EXPECT_EQ(dir.entries(c.run_in), c.entries);
    EXPECT_EQ(dir.read(at + "in.txt"), run_text.text);
    if (c.check) c.check(dir);
  }
}
