#include "report/report_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "base/process_state.h"
#include "holes/run_detection.h"
#include "records/issue_record.h"
#include "console_capture.h"

namespace {

std::tm make_tm(int year, int month, int day, int hour, int minute, int second, int weekday) {
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  when.tm_wday = weekday;
  return when;
}

TEST(ReportDateTest, FixedEnglishFormWithTwoDigitDay) {
  struct Case {
    std::tm when;
    const char* text;
  };
  const Case cases[] = {
      {make_tm(2024, 3, 7, 9, 5, 3, 4), "Thu Mar 07 09:05:03 2024"},
      {make_tm(2026, 12, 31, 0, 0, 0, 4), "Thu Dec 31 00:00:00 2026"},
      {make_tm(2025, 1, 19, 23, 59, 59, 0), "Sun Jan 19 23:59:59 2025"},
      {make_tm(2027, 6, 1, 12, 30, 0, 2), "Tue Jun 01 12:30:00 2027"},
  };
  for (const Case& c : cases) {
    char text[kDateTextSize];
    format_date_text(c.when, text);
    EXPECT_STREQ(text, c.text);
  }
}

class ReportFormatTest : public testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }

  // Writes the report to a temporary file and returns its bytes.
  static std::string written_report() {
    std::FILE* file = temporary_file();
    EXPECT_NE(file, nullptr);
    EXPECT_TRUE(write_report(handle_of(file)));
    const std::string bytes = file_contents(file);
    std::fclose(file);
    return bytes;
  }
};

const char kHeader[] = "Title\tPublisher and Publishing Dates\tNumber\tNM Value\tNotes\r\n";
const std::regex kDateLine(
    "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\r\n\r\n\r\n");

TEST_F(ReportFormatTest, EmptyQueueGivesDateTwoEmptyLinesAndHeader) {
  std::string report = written_report();
  ASSERT_GT(report.size(), 30u);
  EXPECT_TRUE(std::regex_match(report.substr(0, 30), kDateLine)) << report;
  EXPECT_EQ(report.substr(30), kHeader);
}

TEST_F(ReportFormatTest, OneCrLfLinePerRecordWithTheNumberJoinedAgain) {
  queue_append(&report_queue, new_record_node({"Saga", "Image (2012)", "12", "A", "2", "$4", "n"}));
  queue_append(&report_queue, new_record_node({"Saga", "Image (2012)", "12", "A", "", "", ""}));
  queue_append(&report_queue, new_record_node({"Saga", "Image (2012)", "13", "", "3", "$1", ""}));
  queue_append(&report_queue, new_record_node({"Am\xC3\xA9lie", "", "14", "", "", "", "x y"}));
  std::string report = written_report();
  EXPECT_EQ(report.substr(30), std::string(kHeader) +
                                   "Saga\tImage (2012)\t12/A-2\t$4\tn\r\n"
                                   "Saga\tImage (2012)\t12/A\t\t\r\n"
                                   "Saga\tImage (2012)\t13-3\t$1\t\r\n"
                                   "Am\xC3\xA9lie\t\t14\t\tx y\r\n");
  EXPECT_EQ(report_queue.first, nullptr);
  EXPECT_EQ(report_queue.last, nullptr);
}

}  // namespace
