#include "records/span_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "export_lines.h"
#include "base/process_state.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/separator_scan.h"

namespace {

// The walk runs with each way of finding the separators that this machine
// runs; each must give the same records.
class SpanRecordsTest : public testing::TestWithParam<ScanPath> {
 protected:
  void SetUp() override {
    reset();
    if (chosen_scan_path() != GetParam()) {
      GTEST_SKIP() << "this processor cannot run scan path " << scan_path_name(GetParam());
    }
  }
  void TearDown() override { reset_process_state(); }

  // A fresh process that finds separators the test's way.
  void reset() {
    reset_process_state();
    choose_scan_path(GetParam());
  }
};

// How short lines, runs of tabs, NULs and the quotation marks of the last
// column come out, the random lines below show; these are what they cannot
// reach: a CR at the end of the export and fields longer than their widths.
TEST_P(SpanRecordsTest, LinesGiveTheRecordsOfTheirColumns) {
  const std::string line = export_line("T", "7", 18);
  const std::string row = "T|Pub (1990)|7|$3.00|note";
  const struct {
    std::string text;
    std::vector<std::string> rows;
  } cases[] = {
      {line + "\n" + line + "\r\n" + line + "\r", {row, row, row}},
      {export_line(std::string(200, 't'), "12345678901234567", 20,
                   "\"" + std::string(1500, 'n') + "\"") +
           "\n" + export_line(std::string(134, 'u'), "Annual 2") + "\n",
       {std::string(134, 't') + "|Pub (1990)|12345678901234|$3.00|" + std::string(999, 'n'),
        std::string(134, 'u') + "|Pub (1990)|2|$3.00|note"}},
  };
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    reset();
    read_export(cases[k].text);
    EXPECT_EQ(record_rows(), cases[k].rows) << "case " << k;
  }
}

TEST_P(SpanRecordsTest, IgnoreTestLooksAtTheCutNumber) {
  // Cut to 14 characters the number ends in the type and a space.
  EXPECT_EQ(read_export(export_line("T", "ABCDEFGHIJKLM 7") + "\n", {"ABCDEFGHIJKLM"}),
            "Rejecting T Issue ABCDEFGHIJKLM \n");
  EXPECT_TRUE(record_rows().empty());
}

// Separators, CRs and NULs on either side of the edges of the 64-byte blocks
// in which they are found: a line of `shift` bytes moves the next lines
// across the edges one byte at a time.
TEST_P(SpanRecordsTest, SeparatorsAtBlockEdgesAreFoundAlike) {
  std::string line = export_line("T", "7") + "\r\n";
  line.replace(line.find("c3"), 2, std::string("c\0", 2));  // a NUL where nothing is kept
  // Cut at the NUL, the number holds no space, and so no book type to fold;
  // the line is short enough for a block of its own.
  using namespace std::string_literals;
  const std::string nul_title = "1\t2\t3\t4\t\"N\0x\"\t\"P\"\t7\t8\t9\t10\t11\t12\t13\t\"8\0 Z\"\n"s;
  std::string runs = export_line("R", "9");
  runs = "\t\t\t" + runs.replace(runs.find("\tc2"), 1, "\t\t\t") + "\t\t\r\n";
  for (std::size_t shift = 1; shift <= 2 * kScanBlockSize; ++shift) {
    reset();
    read_export(std::string(shift, 'x') + "\n" + line + nul_title + runs + "\t\r\n" + line);
    EXPECT_EQ(record_rows(), (std::vector<std::string>{"||||", "T|Pub (1990)|7|$3.00|note",
                                                       "N|P|8||",
                                                       "R|Pub (1990)|9|$3.00|note",
                                                       "T|Pub (1990)|7|$3.00|note"}))
        << "shift " << shift;
  }
}

// Lines of random tabs, letters, quotation marks, CRs and NULs, falling
// across blocks anywhere, give the records that cutting each line at its
// runs of tabs gives, one line at a time.
TEST_P(SpanRecordsTest, RandomLinesGiveWhatTheirRunsOfTabsSay) {
  std::mt19937 random(11);
  const char alphabet[] = {'\t', '\t', '\t', 'a', 'b', '"', '\r', '\0', '7'};
  std::string text;
  std::vector<std::string> expected;
  for (int n = 0; n < 3000; ++n) {
    std::string line(random() % 130, 'x');
    for (char& c : line) c = alphabet[random() % sizeof alphabet];
    text += line + "\n";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string_view> columns;
    for (std::size_t at = 0; (at = line.find_first_not_of('\t', at)) != std::string::npos;) {
      std::size_t end = std::min(line.find('\t', at), line.size());
      columns.push_back(std::string_view(line).substr(at, end - at));
      at = end;
    }
    if (columns.empty()) continue;  // all tabs: a blank line
    auto column = [&columns](std::size_t k) {
      return k <= columns.size() ? columns[k - 1] : std::string_view();
    };
    auto field = [](std::string_view text, std::size_t width) {
      return std::string(cut_to_field(text, width));
    };
    expected.push_back(field(strip_quotes(column(5)), kTitleWidth) + "|" +
                       field(strip_quotes(column(6)), kPublisherWidth) + "|" +
                       field(strip_quotes(column(14)), kNumberWidth) + "|" +
                       field(column(17), kNmValueWidth) + "|" +
                       field(strip_quotes(column(18)), kNotesWidth));
  }
  read_export(text);
  EXPECT_EQ(record_rows(), expected);
}

INSTANTIATE_TEST_SUITE_P(ScanPaths, SpanRecordsTest, testing::ValuesIn(kScanPaths),
                         [](const testing::TestParamInfo<ScanPath>& info) {
                           return std::string(scan_path_name(info.param));
                         });

}  // namespace
