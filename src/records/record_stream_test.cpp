#include "records/record_stream.h"

#include <gtest/gtest.h>

#include "export_lines.h"
#include "base/process_state.h"
#include "records/record_line.h"

namespace {

// A compacted line keeps what can change its record: the bytes that count of
// each column read, a space for the rest, one tab between columns, and a CR
// at its end, which may be half of its line end.
TEST(RecordStreamTest, CompactionKeepsWhatCounts) {
  const std::string mark(kByteOrderMark);
  std::string eighteen;
  for (int column = 1; column <= 18; ++column) eighteen += "x\t";
  const struct {
    std::string line;
    bool first_line;
    std::string kept;
    bool dropped_text;
  } rows[] = {
      {"", false, "", false},
      {"\t\ta\t\t\tb", false, "a\tb", false},
      {"abc\tdef", false, "a \td ", true},
      {"a  \t  \r", false, "a \t  \r", false},
      {"a\rb", false, "a ", true},
      {"1\t2\t3\t4\t\"" + std::string(200, 't') + "\"", false,
       "1\t2\t3\t4\t\"" + std::string(kTitleWidth, 't') + " ", true},
      {eighteen + "yz\tz", false, eighteen, true},
      {eighteen + " \t ", false, eighteen, false},
      {mark + "   x", true, mark + "  ", true},
      {mark + "  ", false, "\xEF ", true},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    std::string kept = "old";
    EXPECT_EQ(compact_line(rows[k].line, rows[k].first_line, &kept), rows[k].dropped_text) << k;
    EXPECT_EQ(kept, rows[k].kept) << "row " << k;
  }
}

// The stream is read in pieces of 128 KiB, and a line that spans pieces is
// kept compacted to what counts; it must give what the same text in memory,
// read in one piece, gives.
TEST(RecordStreamTest, StreamReadsLikeMemoryWhateverTheLineLengths) {
  const std::string huge(3 << 20, 'h');
  const std::string spaces(3 << 20, ' ');
  const std::string tabs(3 << 20, '\t');
  const std::string lines[] = {
      export_line("T" + huge, "1"),
      export_line("T", "2", 20, "\"n" + huge + "\""),
      export_line("T", "3", 18, "\"n" + huge + "\r"),
      export_line("T", "5").replace(6, 2, std::string("x\0y", 3) + huge),  // in column 3
      tabs + export_line("T", "6") + tabs,
      export_line("T", "7").replace(0, 0, std::string(200000, '\t')),
      spaces,
      spaces + "x",
      [&] {  // 300,000 short columns
        std::string line = export_line("T", "8");
        for (int i = 0; i < 300000; ++i) line += "\tc";
        return line;
      }(),
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n" + export_line("U", "9") + "\n";
  text += spaces + "last";

  reset_process_state();
  EXPECT_EQ(read_export(text, {}, true), "");
  std::vector<std::string> from_stream = record_rows();
  reset_process_state();
  read_export(text);
  std::vector<std::string> from_memory = record_rows();
  reset_process_state();
  EXPECT_EQ(from_stream.size(), 2 * std::size(lines));  // one blank line, one last line
  EXPECT_EQ(from_stream, from_memory);
  EXPECT_EQ(from_stream[0], std::string("T") + std::string(133, 'h') + "|Pub (1990)|1|$3.00|note");
}

}  // namespace
