// Whole runs of the real executable over real exports: console, log and
// report compared byte for byte, the report's date line checked by its form.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export_lines.h"
#include "run_binary.h"

namespace {

// An export of one line per "title|number" entry, with the given line end.
std::string export_of(const Names& entries, const std::string& line_end = "\r\n") {
  std::string text;
  for (const std::string& entry : entries) {
    std::size_t bar = entry.find('|');
    text += export_line(entry.substr(0, bar), entry.substr(bar + 1)) + line_end;
  }
  return text;
}

// The report lines of "title|number" entries, as export_of's records give them.
std::string report_of(const Names& entries) {
  std::string text = kMaskedReportHead;
  for (const std::string& entry : entries) {
    std::size_t bar = entry.find('|');
    text += entry.substr(0, bar) + "\tPub (1990)\t" + entry.substr(bar + 1) + "\t$3.00\tnote\r\n";
  }
  return text;
}

const std::string kSearching = searching("in.txt");

TEST(PipelineEndToEnd, WorkedExampleOfTwoTitles) {
  Names entries{"S|5", "S|6", "S|6/A", "S|7", "S|9",
                "T|3", "T|4/B", "T|5", "T|7", "T|8", "T|8-2", "T|8-4", "T|9",
                "T|12/A", "T|13", "T|14", "T|15", "T|16"};
  std::string console = std::string(kSearching) +
                        "Processing S\n"
                        "Processing T\n"
                        "\tRejecting issue 4/B (original owned)\n"
                        "\tRejecting issue T 8 (own a printing)\n"
                        "\tRejecting issue T 8-2 (own a printing)\n"
                        "\tRejecting issue T 8-4 (own a printing)\n"
                        "\tRejecting issue 12/A (original owned)\n" +
                        kSuccessLine;
  expect_success(run_on_export(export_of(entries)), console,
                 report_of({"S|5", "S|6", "S|6/A", "S|7", "S|9", "T|3", "T|5", "T|7", "T|9"}));
}

TEST(PipelineEndToEnd, LfAndCrLfExportsGiveTheSameRun) {
  // An empty title ("") is rejected and folded like any other.
  Names entries{"A|TP 1", "A|1", "A|2", "B|TP 2", "B|Annual 3", "B|TPB 4", "B|4", "A|2-2",
                "|TP 5", "|Annual 6"};
  std::string console = std::string(kSearching) +
                        "Rejecting A Issue TP 1\n"
                        "Rejecting B Issue TP 2\n"
                        "Rejecting  Issue TP 5\n"
                        "Processing A\n"
                        "Processing B Annual\n"
                        "Processing B TPB\n"
                        "Processing B\n"
                        "Processing A\n"
                        "\tRejecting issue 2-2 (original owned)\n"
                        "Processing  Annual\n" +
                        kSuccessLine;
  std::string report = report_of({"A|1", "A|2", "B Annual|3", "B TPB|4", "B|4", " Annual|6"});
  for (const char* line_end : {"\n", "\r\n"}) {
    std::string text = export_of(entries, line_end);
    text.pop_back();  // the last line needs no line end
    expect_success(run_on_export(text, {"-n", "TP"}), console, report);
  }
}

// The hole size given reaches the filter (whose every edge is a row of its
// own tests) and the announcement.
TEST(PipelineEndToEnd, HoleSizeDecidesWhichRunsReachTheReport) {
  Names entries{"A|1", "A|2", "A|3", "A|10", "A|11", "A|20"};
  struct Case {
    const char* size;
    Names kept;
  };
  const Case cases[] = {
      {"-3", {}},
      {"2", {"A|10", "A|11", "A|20"}},
  };
  for (const Case& c : cases) {
    std::string console = std::string("Searching in.txt for holes less than ") + c.size +
                          " issues\n\nProcessing A\n" + kSuccessLine;
    expect_success(run_on_export(export_of(entries), {"-s", c.size}), console, report_of(c.kept));
  }
}

TEST(PipelineEndToEnd, Utf8AndOtherHighBytesPassThroughUntouched) {
  std::string title = "Ast\xC3\xA9rix \xE3\x82\xA2\xE3\x82\xAD\xE3\x83\xA9 \xFF\xFE";
  std::string text = "\xEF\xBB\xBF" + export_of({title + "|1", title + "|2"});
  expect_success(run_on_export(text), std::string(kSearching) + "Processing " + title + "\n" + kSuccessLine,
                 report_of({title + "|1", title + "|2"}));
}

// An empty export, and one of nothing but a byte-order mark, as Excel and
// PowerShell save one without issues, is an export without issues.
TEST(PipelineEndToEnd, BlankLinesAndShortLinesAreHandledQuietly) {
  struct Case {
    std::string text, console, report;
  };
  const Case cases[] = {
      {"\r\n \t \r\n" + export_line("A", "1") + "\r\n\r\n" + export_line("A", "2", 17) + "\r\n" +
           export_line("A", "3", 18) + "\r\n",
       std::string(kSearching) + "Processing A\n" + kSuccessLine,
       kMaskedReportHead +
           "A\tPub (1990)\t1\t$3.00\tnote\r\n"
           "A\tPub (1990)\t2\t$3.00\t\r\n"
           "A\tPub (1990)\t3\t$3.00\tnote\r\n"},
      {"", std::string(kSearching) + kSuccessLine, kMaskedReportHead},
      {"\xFF\xFE", std::string(kSearching) + kSuccessLine, kMaskedReportHead},
      {"\xEF\xBB\xBF\r\n", std::string(kSearching) + kSuccessLine, kMaskedReportHead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("export of " + std::to_string(c.text.size()) + " bytes");
    expect_success(run_on_export(c.text), c.console, c.report);
  }
}

// The sample export as saved (UTF-8 with a byte-order mark), and as Excel's
// "Unicode Text" and PowerShell save it (UTF-16 either way round), gives the
// sample report, and the same console and log.
TEST(PipelineEndToEnd, SampleExportGivesTheExpectedReport) {
  std::string sample = read_file(QUORVANE_SOURCE_DIR "/examples/sample_export.txt");
  std::string expected = read_file(QUORVANE_SOURCE_DIR "/examples/sample_report.txt");
  ASSERT_FALSE(sample.empty());
  ExportRun utf8 = run_on_export(sample, {"-n", "TPB"});
  EXPECT_EQ(utf8.run.status, 0);
  EXPECT_EQ(utf8.run.err, "");
  EXPECT_EQ(utf8.report, mask_date_line(expected));
  EXPECT_EQ(utf8.log, crlf(utf8.run.out.substr(expected_banner().size())));
  EXPECT_NE(utf8.log.find("\tRejecting issue Saga 8-4 (own a printing)\r\n"), std::string::npos);
  for (bool big_endian : {false, true}) {
    ExportRun utf16 = run_on_export(utf16_of(sample, big_endian), {"-n", "TPB"});
    EXPECT_EQ(utf16.run.status, 0);
    EXPECT_EQ(utf16.run.err, "");
    EXPECT_EQ(utf16.run.out, utf8.run.out);
    EXPECT_EQ(utf16.log, utf8.log);
    EXPECT_EQ(utf16.report, utf8.report);
  }
}

// What is not UTF-16 in a UTF-16 export, a lone surrogate or an odd last
// byte, reaches the report as U+FFFD; widths count the bytes of UTF-8.
TEST(PipelineEndToEnd, BrokenUtf16BecomesReplacementCharacters) {
  const std::string kFffd = "\xEF\xBF\xBD";
  const std::string lone_high = std::string("\x3D\xD8", 2);  // U+D83D, little-endian
  const std::string title = std::string(131, 'e') + "\xC3\xA9\xC3\xA9";  // cut to 134 bytes
  const std::string cut_title = std::string(131, 'e') + "\xC3\xA9\xC3";
  std::string text = utf16_of("\xEF\xBB\xBF" + export_line("X", "1"), false);
  text.insert(text.find(utf16_of("X", false)), lone_high);
  text += utf16_of("\r\n" + export_line(title, "1") + "\r\n" + export_line("Y", "2", 17), false);
  text += "\x41";  // the value column, the last, ends in it
  expect_success(run_on_export(text),
                 std::string(kSearching) + "Processing " + kFffd + "X\n" + "Processing " +
                     cut_title + "\n" + "Processing Y\n" + kSuccessLine,
                 report_of({kFffd + "X|1", cut_title + "|1"}) + "Y\tPub (1990)\t2\t$3.00" + kFffd +
                     "\t\r\n");
}

}  // namespace
