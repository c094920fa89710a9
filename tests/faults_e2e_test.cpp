// Runs of the real executable against faults of its surroundings and of its
// input: files past the file-size limit, inputs that cannot be read, memory
// that runs out, and exports with NUL bytes, invalid UTF-8 and a huge line.
// Every run must end with its message and status, never crash, and leave the
// input as it was. (Failing system calls, full devices and names that are no
// file are rows of the system-call, place and front tables.)

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "export_lines.h"
#include "run_binary.h"

namespace {

constexpr int kLargeCount = 100000;

// One title's issues 1 to kLargeCount, each with the given book type prefix
// ("" for none), CR LF after every line: a few megabytes of export.
std::string large_export(const std::string& type_prefix) {
  std::string text;
  text.reserve(static_cast<std::size_t>(kLargeCount) * 110);
  for (int n = 1; n <= kLargeCount; ++n) {
    text += export_line("A", type_prefix + std::to_string(n)) + "\r\n";
  }
  return text;
}

// The report lines export_line gives for title `title` and these numbers.
std::string report_lines(const std::string& title, int first, int last) {
  std::string text;
  for (int n = first; n <= last; ++n) {
    text += title + "\tPub (1990)\t" + std::to_string(n) + "\t$3.00\tnote\r\n";
  }
  return text;
}

// An earlier report that a failed run must leave byte for byte.
const std::string kEarlierReport = "an earlier report\r\n";

// Files that reach the run's file-size limit, as on a full disk, with the
// limit's signal left to end the process, as shells leave it: the run ends
// with the message of the file it could not write, never with success, the
// earlier report stays, and the log holds what reached it.
TEST(FaultsEndToEnd, FilesPastTheFileSizeLimitFailTheRun) {
  if (why_no_file_size_limit() != nullptr) GTEST_SKIP() << why_no_file_size_limit();
  const std::string many_issues = large_export("");  // a report of about 3 MB
  const std::string many_rejections =  // a log of about 2.5 MB
      large_export("TPB ") + export_line("A", "1") + "\r\n" + export_line("A", "2") + "\r\n";
  std::string logged = searching("in.txt");
  for (int n = 1; n <= kLargeCount; ++n) logged += "Rejecting A Issue TPB " + std::to_string(n) + "\n";
  logged += "Processing A\n";
  const std::string whole_log = crlf(logged + kSuccessLine);
  const std::string report_failed = searching("in.txt", "1000000") + "Processing A\n" +
                                    "\nCouldn't write output file out.txt; aborting\n";
  const std::string log_failed = logged + "\nCouldn't write log file Quorvane.log\n";
  // The last limit falls inside the closing success line: even that line
  // must reach the log before the report takes the earlier one's place.
  const std::size_t in_success_line = whole_log.size() - 10;
  struct Case {
    const std::string& text;
    Names options;
    std::size_t limit;
    const std::string& console;
    std::string log;
  };
  const Case cases[] = {
      {many_issues, {"-s", "1000000"}, 256 * 1024, report_failed, crlf(report_failed)},
      {many_rejections, {"-n", "TPB"}, 64 * 1024, log_failed, whole_log.substr(0, 64 * 1024)},
      {many_rejections, {"-n", "TPB"}, in_success_line, log_failed, whole_log.substr(0, in_success_line)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("a limit of " + std::to_string(c.limit) + " bytes");
    TempDir dir;
    dir.write("in.txt", c.text);
    dir.write("out.txt", kEarlierReport);
    ChildSetup setup;
    setup.file_size = static_cast<long long>(c.limit);
    Names args{"-i", "in.txt", "-o", "out.txt"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = run_quorvane_binary(dir.root(), args, setup);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.out == expected_banner() + c.console)
        << "console ends with: " << run.out.substr(run.out.size() > 200 ? run.out.size() - 200 : 0);
    EXPECT_TRUE(dir.read("Quorvane.log") == c.log) << "the log is not what reached the disk";
    EXPECT_TRUE(dir.read("in.txt") == c.text) << "the input changed";
    EXPECT_EQ(dir.read("out.txt"), kEarlierReport);
    EXPECT_EQ(dir.entries(), (Names{"Quorvane.log", "in.txt", "out.txt"}));
  }
}

// /proc/self/mem opens, but reading at offset 0 (never mapped) fails with EIO,
// for root too: the reader's error ends the run before any report.
TEST(FaultsEndToEnd, InputThatFailsOnReadingAbortsTheRun) {
  if (why_no_unreadable_file() != nullptr) GTEST_SKIP() << why_no_unreadable_file();
  TempDir dir;
  dir.write("out.txt", kEarlierReport);
  RunResult run = run_quorvane_binary(dir.root(), {"-i", "/proc/self/mem", "-o", "out.txt"});
  const std::string console = searching("/proc/self/mem") + "Error: Couldn't read input file\n" +
                              "\nCouldn't create record set; aborting\n";
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, expected_banner() + console);
  EXPECT_EQ(dir.read("Quorvane.log"), crlf(console));
  EXPECT_EQ(dir.entries(), (Names{"Quorvane.log", "out.txt"}));
  EXPECT_EQ(dir.read("out.txt"), kEarlierReport);
}

std::string with_nul(const char* text, std::size_t size) { return std::string(text, size); }

// A NUL byte ends the text of the field it stands in; in a column that is not
// stored it changes nothing, and a line of NULs is a record of empty fields.
TEST(FaultsEndToEnd, NulBytesEndFieldsAndTheRunSucceeds) {
  std::string first = export_line(with_nul("Ab\0cd", 5), "1");
  first.replace(first.find("\tc3\t"), 4, with_nul("\tc\0" "3\t", 5));
  const std::string text = first + "\r\n" +
                           export_line("Ab", with_nul("2\0-7", 4)) + "\r\n" +
                           export_line("Ab", "3", 20, with_nul("\"no\0te\"", 7)) + "\r\n" +
                           with_nul("\0\0\0", 3) + "\r\n";
  const std::string console = searching("in.txt") + "Processing Ab\n" + "Processing \n" + kSuccessLine;
  expect_success(run_on_export(text), console,
                 kMaskedReportHead + report_lines("Ab", 1, 2) +
                     "Ab\tPub (1990)\t3\t$3.00\tno\r\n"
                     "\t\t\t\t\r\n");
}

// Bytes that are no UTF-8 reach the console, the log and the report as they
// were, in titles, numbers, book types and notes alike.
TEST(FaultsEndToEnd, InvalidUtf8PassesThroughUntouched) {
  const std::string title = "Bad\xC3\x28 \xA0\xA1 \xF0\x28\x8C\x28 \xC0\xAF \xED\xA0\x80 \xFF";
  const std::string note = "\x80\xBF\xFE\xC3";
  const std::string text = export_line(title, "1") + "\r\n" +
                           export_line(title, "2\xE2\x82", 20, "\"" + note + "\"") + "\r\n" +
                           export_line(title, "\xC3\xA9t\xE9 4") + "\r\n";
  const std::string console = searching("in.txt") + "Processing " + title + "\n" +
                              "Processing " + title + " \xC3\xA9t\xE9\n" + kSuccessLine;
  expect_success(run_on_export(text), console,
                 kMaskedReportHead +
                     title + "\tPub (1990)\t1\t$3.00\tnote\r\n" +
                     title + "\tPub (1990)\t2\xE2\x82\t$3.00\t" + note + "\r\n" +
                     title + " \xC3\xA9t\xE9\tPub (1990)\t4\t$3.00\tnote\r\n");
}

// One line of more than a megabyte (longer than the reader's buffer) is one
// record whose columns are cut at their field widths.
TEST(FaultsEndToEnd, AMegabyteLineIsOneRecordCutAtTheFieldWidths) {
  std::string line;
  for (int column = 1; column <= 20; ++column) {
    if (column > 1) line += '\t';
    switch (column) {
      case 5: line += "\"" + std::string(600000, 'T') + "\""; break;
      case 6: line += "\"" + std::string(300, 'P') + "\""; break;
      case 14: line += "\"1234567890123456789\""; break;
      case 17: line += "$" + std::string(40, '9'); break;
      case 18: line += "\"" + std::string(500000, 'n') + "\""; break;
      default: line += "c" + std::to_string(column); break;
    }
  }
  ASSERT_GT(line.size(), 1u << 20);
  const std::string title(134, 'T');
  expect_success(run_on_export(line + "\r\n"),
                 searching("in.txt") + "Processing " + title + "\n" + kSuccessLine,
                 kMaskedReportHead + title + "\t" + std::string(39, 'P') +
                     "\t12345678901234\t$" + std::string(13, '9') + "\t" +
                     std::string(999, 'n') + "\r\n");
}

// A line of spaces and tabs is blank however long it is. Lines longer than
// the reader keeps whole are compacted on the way; that must not turn the
// tabs after column 18, or the CR of the line end, into text that makes a
// record of blank fields.
TEST(FaultsEndToEnd, LongBlankLinesStayBlank) {
  std::vector<std::string> columns(20, std::string(4000, ' '));
  std::string blank;
  for (const std::string& column : columns) blank += (blank.empty() ? "" : "\t") + column;
  const std::string huge_blank = blank + blank + blank + blank;  // 320 kB, 77 columns
  std::string big_note = "\"" + std::string(800000, 'n') + "\"";
  struct Case {
    const char* what;
    std::string text;
    std::string kept;  // the report lines
  };
  const std::string first = export_line("A", "1") + "\r\n";
  const std::string second = export_line("A", "2") + "\r\n";
  const std::string lines = report_lines("A", 1, 2);
  const Case cases[] = {
      {"last line, no line end", first + second + blank, lines},
      {"last line, CR only", first + second + std::string(70000, ' ') + "\r", lines},
      {"between lines, spanning the reader's pieces",
       export_line("A", "1", 20, big_note) + "\r\n" + huge_blank + "\r\n" + second,
       "A\tPub (1990)\t1\t$3.00\t" + std::string(999, 'n') + "\r\n" + report_lines("A", 2, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_success(run_on_export(c.text), searching("in.txt") + "Processing A\n" + kSuccessLine,
                   kMaskedReportHead + c.kept);
  }
}

}  // namespace

// Memory that runs out at any one allocation of a run, and stays out: the run
// ends with the message of the stage it ran out in and status 255, or still
// succeeds where nothing more was needed; never an abort. The log holds what
// the console shows after the banner, and the earlier report stays, with no
// temporary file beside it.
TEST(FaultsEndToEnd, MemoryRunningOutAnywhereEndsTheRunCleanly) {
  const std::string text = export_line("A", "1") + "\r\n" + export_line("A", "2") + "\r\n" +
                           export_line("A", "2/B") + "\r\n" + export_line("A", "TPB 3") + "\r\n" +
                           export_line("B", "1") + "\r\n";
  const std::string success = searching("in.txt") + "Rejecting A Issue TPB 3\nProcessing A\n" +
                              "Processing B\n" + kSuccessLine;
  const std::string report = kMaskedReportHead + report_lines("A", 1, 2) +
                             "A\tPub (1990)\t2/B\t$3.00\tnote\r\n" + report_lines("B", 1, 1);
  // The first run, in which nothing fails, counts the allocations to step through.
  unsigned long long count = 0;
  std::vector<std::string> endings;
  for (unsigned long long n = 0; n <= count; ++n) {
    SCOPED_TRACE("allocations fail from number " + std::to_string(n));
    TempDir dir;
    dir.write("in.txt", text);
    dir.write("out.txt", kEarlierReport);
    ChildSetup setup;
    setup.faults = true;
    setup.environment = {{"QUORVANE_FAIL_ALLOCATION", std::to_string(n)}};
    const RunResult run =
        run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt", "-n", "TPB"}, setup);
    const std::string log = dir.read("Quorvane.log");
    if (n == 0) {
      count = std::stoull(run.err.substr(run.err.find(": ") + 2));
    } else {
      EXPECT_EQ(run.err, "");
    }
    if (run.status == 0) {
      EXPECT_EQ(run.out, expected_banner() + success);
      EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
      continue;
    }
    ASSERT_NE(n, 0u);
    ASSERT_EQ(run.status, 255) << run.out;
    const std::string console = run.out.substr(std::min(run.out.size(), expected_banner().size()));
    endings.push_back(console.substr(console.rfind('\n', console.size() - 2) + 1));
    if (log == "<missing>") {
      EXPECT_EQ(console, "\nCouldn't allocate memory; aborting\n");
    } else {
      EXPECT_EQ(log, crlf(console));
    }
    EXPECT_EQ(dir.read("out.txt"), kEarlierReport);
    EXPECT_EQ(dir.entries(), log == "<missing>" ? (Names{"in.txt", "out.txt"})
                                                : (Names{"Quorvane.log", "in.txt", "out.txt"}));
  }
  // Every stage that needs memory ran out at some point. (Writing and placing
  // the report need none.)
  for (const char* stage : {"Couldn't allocate memory; aborting\n",
                            "Couldn't create record set; aborting\n",
                            "Couldn't analyse title queues; aborting\n"}) {
    EXPECT_NE(std::find(endings.begin(), endings.end(), stage), endings.end()) << stage;
  }
}
