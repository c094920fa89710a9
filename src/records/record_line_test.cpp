#include "records/record_line.h"

#include <gtest/gtest.h>

#include "base/log_message.h"

#include "export_lines.h"
#include "base/process_state.h"
#include "console_capture.h"

namespace {

// A first line of nothing but a byte-order mark and blanks is what Excel and
// PowerShell save for an export without issues; anywhere else the mark is text.
TEST(RecordLineTest, BlankLinesAndALeadingMarkOnTheFirstLine) {
  const std::string mark(kByteOrderMark);
  const struct {
    std::string line;
    bool first_line, blank;
  } rows[] = {
      {"", false, true},          {" \t  \t", false, true},    {" x", false, false},
      {mark, true, true},         {mark + " \t ", true, true}, {mark, false, false},
      {mark + " x", true, false}, {mark + mark, true, false},  {" " + mark, true, false},
      {"\t" + mark, true, false}, {"\xEF\xBB", true, false},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    EXPECT_EQ(is_blank_line(rows[k].line, rows[k].first_line), rows[k].blank) << "row " << k;
  }
}

// The book types of the number that are named are left out with one
// message a line; the others join the title.
TEST(RecordLineTest, BookTypesAreLeftOutOrFoldIntoTheTitle) {
  const std::vector<std::string> names{"TP", "TP", "hc"};
  const IgnoredTypes ignored = make_ignored_types(names);
  const struct {
    const char* number;
    std::string log;
    std::vector<std::string> rows;
  } cases[] = {
      {"TP 3", "Rejecting Saga Issue TP 3\n", {}},
      {"TP  6", "Rejecting Saga Issue TP  6\n", {}},
      {"TPB 4", "", {"Saga TPB|Pub|4|$3|note"}},
      {"TP", "", {"Saga|Pub|TP|$3|note"}},
      {"HC 5", "", {"Saga HC|Pub|5|$3|note"}},
      {"Annual   3", "", {"Saga Annual|Pub|3|$3|note"}},
      {"  Annual 3 9", "", {"Saga Annual|Pub|3|$3|note"}},
      {"Annual ", "", {"Saga Annual|Pub||$3|note"}},
      {"   ", "", {"Saga|Pub||$3|note"}},
  };
  for (const auto& c : cases) {
    reset_process_state();
    ConsoleCapture console;
    EXPECT_TRUE(read_record_line({"1", "Saga", "Pub", c.number, "$3", "note"}, ignored));
    EXPECT_EQ(console.out(), c.log) << c.number;
    EXPECT_EQ(record_rows(), c.rows) << c.number;
  }
  reset_process_state();
}

}  // namespace
