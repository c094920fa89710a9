#include "records/export_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "export_lines.h"
#include "process_state.h"
#include "records/issue_record.h"
#include "records/separator_scan.h"
#include "run_binary.h"

namespace {

// The records of record_set as "title|publisher|number|nm_value|notes".
std::vector<std::string> read_records() {
  std::vector<std::string> rows;
  for (QueueNode* node = record_set.first; node != nullptr; node = node->next) {
    const IssueRecord* r = record_of(node);
    rows.push_back(std::string(r->title()) + "|" + r->publisher() + "|" + r->number() + "|" +
                   r->nm_value() + "|" + r->notes());
  }
  return rows;
}

// Every test runs with each way of finding the separators that this machine
// runs; each must give the same records.
class ExportReaderTest : public testing::TestWithParam<ScanPath> {
 protected:
  void SetUp() override {
    reset();
    if (chosen_scan_path() != GetParam()) {
      GTEST_SKIP() << "this processor cannot run scan path " << scan_path_name(GetParam());
    }
  }
  void TearDown() override { reset_process_state(); }

  std::vector<std::string> ignored;  // the book types to leave out

  // A fresh process that finds separators the test's way.
  void reset() {
    reset_process_state();
    choose_scan_path(GetParam());
  }

  // Reads `text` from memory; returns the log output.
  std::string read(const std::string& text, bool expect_ok = true) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_record_text(text, ignored), expect_ok);
    return testing::internal::GetCapturedStdout();
  }

  // Reads `text` through a stream, as the tool reads a file; returns the log
  // output.
  std::string read_stream(const std::string& text) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return "";
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(read_record_set(file, ignored));
    std::fclose(file);
    return testing::internal::GetCapturedStdout();
  }
};

TEST_P(ExportReaderTest, StripQuotesDropsFirstAndLastCharacterWhateverTheyAre) {
  EXPECT_EQ(strip_quotes("\"Batman\""), "Batman");
  EXPECT_EQ(strip_quotes("xBatmany"), "Batman");
  EXPECT_EQ(strip_quotes("ab"), "");
  EXPECT_EQ(strip_quotes("a"), "");
  EXPECT_EQ(strip_quotes(""), "");
}

TEST_P(ExportReaderTest, LineEndsAreNotData) {
  const std::string row = "Batman|Pub (1990)|12|$3.00|note";
  for (const char* end : {"\n", "\r\n", "", "\r"}) {
    reset();
    read(export_line("Batman", "12") + "\n" + export_line("Batman", "12") + end);
    EXPECT_EQ(read_records(), (std::vector<std::string>{row, row})) << "line end " << end;
  }
}

// A first line of nothing but a byte-order mark and blanks is what Excel and
// PowerShell save for an export without issues; anywhere else the mark is
// data. Each text is read from memory and through a stream, and, when it
// starts with the mark, as UTF-16 of both byte orders too.
TEST_P(ExportReaderTest, BlankLinesAndALoneByteOrderMarkGiveNoRecord) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string wide(200000, ' ');  // compacted, and spans the stream's pieces
  const std::vector<std::string> none;
  const std::vector<std::string> empty_record{"||||"};
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"", none},
      {"\n\r\n  \t \n\t\t\r\n" + export_line("A", "1") + "\n   ",
       {"A|Pub (1990)|1|$3.00|note"}},
      {mark, none},
      {mark + "\n", none},
      {mark + "\r\n", none},
      {mark + " \t \r", none},
      {mark + "\t\t\n\n", none},
      {mark + wide + "\t" + wide + "\r\n", none},
      {mark + wide, none},
      {mark + " \n" + mark, empty_record},
      {mark + mark, empty_record},
      {mark + wide + "x\r\n", empty_record},
      {mark + "\t" + wide + "\tx", empty_record},
      {"\t" + mark, empty_record},
      {" " + mark + "\n", empty_record},
  };
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    const Case& c = cases[k];
    std::vector<std::string> texts{c.text};
    if (c.text.compare(0, mark.size(), mark) == 0) {
      texts.push_back(utf16_of(c.text, false));
      texts.push_back(utf16_of(c.text, true));
    }
    for (std::size_t form = 0; form < texts.size(); ++form) {
      const std::string& text = texts[form];
      const char* const forms[] = {"", ", UTF-16LE", ", UTF-16BE"};
      SCOPED_TRACE("case " + std::to_string(k) + forms[form]);
      reset();
      EXPECT_EQ(read(text), "");
      EXPECT_EQ(read_records(), c.rows) << "from memory";
      reset();
      EXPECT_EQ(read_stream(text), "");
      EXPECT_EQ(read_records(), c.rows) << "through a stream";
    }
  }
}

TEST_P(ExportReaderTest, ShortLinesLeaveTheMissingFieldsEmpty) {
  read("a\tb\n" + export_line("T", "7", 14) + "\n" + export_line("T", "7", 17) + "\n" +
       export_line("T", "7", 17) + "\t\n");
  EXPECT_EQ(read_records(), (std::vector<std::string>{"||||", "T|Pub (1990)|7||",
                                                      "T|Pub (1990)|7|$3.00|",
                                                      "T|Pub (1990)|7|$3.00|"}));
}

TEST_P(ExportReaderTest, RunsOfTabsAreOneSeparatorAndShiftLaterColumns) {
  std::string line = export_line("T", "7");
  read("\t\t" + line + "\n");                          // leading tabs passed over
  line.replace(line.find("\tc13\t"), 5, "\t\tc13\t");  // an empty column before 14
  read(line + "\n");
  std::string shifted = export_line("T", "7");
  shifted.replace(shifted.find("\tc7\t"), 4, "\t");  // column 7 missing: c15 moves to 14
  read(shifted + "\n");
  EXPECT_EQ(read_records(), (std::vector<std::string>{"T|Pub (1990)|7|$3.00|note",
                                                      "T|Pub (1990)|7|$3.00|note",
                                                      "T|Pub (1990)|1|\"note\"|1"}));
}

TEST_P(ExportReaderTest, NotesOfEighteenColumnLinesLoseBothQuotes) {
  read(export_line("T", "1", 18) + "\n" + export_line("T", "2", 18, "\"") + "\r\n" +
       export_line("T", "3", 25) + "\n");
  EXPECT_EQ(read_records(), (std::vector<std::string>{"T|Pub (1990)|1|$3.00|note",
                                                      "T|Pub (1990)|2|$3.00|",
                                                      "T|Pub (1990)|3|$3.00|note"}));
}

TEST_P(ExportReaderTest, ValueColumnIsStoredAsItStands) {
  std::string line = export_line("T", "1");
  line.replace(line.find("$3.00"), 5, "\"$3\"");
  read(line + "\n");
  EXPECT_EQ(read_records(), std::vector<std::string>{"T|Pub (1990)|1|\"$3\"|note"});
}

TEST_P(ExportReaderTest, IgnoredBookTypesAreRejectedOnceEach) {
  ignored = {"TP", "TP", "hc"};
  std::string log = read(export_line("Saga", "TP 3") + "\n" + export_line("Saga", "TPB 4") +
                         "\n" + export_line("Saga", "TP") + "\n" + export_line("Saga", "HC 5") +
                         "\n" + export_line("Saga", "TP  6") + "\n");
  EXPECT_EQ(log, "Rejecting Saga Issue TP 3\nRejecting Saga Issue TP  6\n");
  EXPECT_EQ(read_records(), (std::vector<std::string>{"Saga TPB|Pub (1990)|4|$3.00|note",
                                                      "Saga|Pub (1990)|TP|$3.00|note",
                                                      "Saga HC|Pub (1990)|5|$3.00|note"}));
}

TEST_P(ExportReaderTest, BookTypesFoldIntoTheTitle) {
  struct Case {
    const char* number;
    const char* row;
  };
  const Case cases[] = {
      {"Annual 3", "X Annual|Pub (1990)|3|$3.00|note"},
      {"Annual   3", "X Annual|Pub (1990)|3|$3.00|note"},
      {"  Annual 3 9", "X Annual|Pub (1990)|3|$3.00|note"},
      {"Annual ", "X Annual|Pub (1990)||$3.00|note"},
      {"   ", "X|Pub (1990)||$3.00|note"},
  };
  for (const Case& c : cases) {
    reset();
    read(export_line("X", c.number) + "\n");
    EXPECT_EQ(read_records(), std::vector<std::string>{c.row}) << c.number;
  }
}

TEST_P(ExportReaderTest, LongTextIsCutAtFieldWidthsAfterQuotesGo) {
  std::string title(200, 't');
  std::string note(1500, 'n');
  std::string line = export_line(title, "12345678901234567", 20, "\"" + note + "\"");
  read(line + "\n" + export_line(std::string(134, 'u'), "Annual 2") + "\n");
  EXPECT_EQ(read_records(),
            (std::vector<std::string>{std::string(134, 't') + "|Pub (1990)|12345678901234|$3.00|" +
                                          std::string(999, 'n'),
                                      std::string(134, 'u') + "|Pub (1990)|2|$3.00|note"}));
}

TEST_P(ExportReaderTest, IgnoreTestLooksAtTheCutNumber) {
  ignored = {"ABCDEFGHIJKLM"};
  // Cut to 14 characters the number ends in the type and a space.
  EXPECT_EQ(read(export_line("T", "ABCDEFGHIJKLM 7") + "\n"), "Rejecting T Issue ABCDEFGHIJKLM \n");
  EXPECT_TRUE(read_records().empty());
}

TEST_P(ExportReaderTest, HighBytesPassThroughAndNulEndsAField) {
  std::string bom = "\xEF\xBB\xBF";
  std::string line = bom + export_line("Am\xC3\xA9lie \xFF", "3");
  read(line + "\n" + export_line(std::string("Nu\0ll", 5), "4") + "\n");
  EXPECT_EQ(read_records(), (std::vector<std::string>{"Am\xC3\xA9lie \xFF|Pub (1990)|3|$3.00|note",
                                                      "Nu|Pub (1990)|4|$3.00|note"}));
}

// A UTF-16 export gives the records of the same export in UTF-8; a file
// that merely holds the bytes of UTF-16's mark later on is read as it is.
TEST_P(ExportReaderTest, Utf16ExportsReadAsTheirUtf8) {
  const std::string utf8 = "\xEF\xBB\xBF" + export_line("Am\xC3\xA9lie \xE6\x97\xA5", "3") + "\r\n" +
                           export_line(std::string("Nu\0ll", 5), "Annual 4");
  read(utf8);
  const std::vector<std::string> expected = read_records();
  ASSERT_EQ(expected.size(), 2u);
  for (bool big_endian : {false, true}) {
    reset();
    read(utf16_of(utf8, big_endian));
    EXPECT_EQ(read_records(), expected) << (big_endian ? "big-endian" : "little-endian");
  }
  reset();
  read(export_line("\xFF\xFE", "1"));
  EXPECT_EQ(read_records(), std::vector<std::string>{"\xFF\xFE|Pub (1990)|1|$3.00|note"});
}

// The stream is read in pieces of 128 KiB, and a line that spans pieces is
// kept compacted to what counts; it must give what the same text in memory,
// read in one piece, gives.
TEST_P(ExportReaderTest, StreamReadsLikeMemoryWhateverTheLineLengths) {
  const std::string huge(3 << 20, 'h');
  const std::string spaces(3 << 20, ' ');
  const std::string tabs(3 << 20, '\t');
  auto with_column = [](int column, const std::string& text) {
    std::string line = export_line("T", "5");
    std::string filler = "c" + std::to_string(column);
    std::size_t at = line.find("\t" + filler + "\t");
    return line.replace(at + 1, filler.size(), text);
  };
  const std::string lines[] = {
      export_line("T" + huge, "1"),
      export_line("T", "2", 20, "\"n" + huge + "\""),
      export_line("T", "3", 18, "\"n" + huge + "\r"),
      export_line("T", "4") + "\t" + huge,
      with_column(7, huge),
      with_column(7, "\r" + huge),
      with_column(3, std::string("x\0y", 3) + huge),
      tabs + export_line("T", "6") + tabs,
      export_line("T", "7").replace(0, 0, std::string(200000, '\t')),
      spaces,
      spaces + "x",
      spaces + "\t" + spaces + "\tx\r",
      [&] {  // 300,000 short columns
        std::string line = export_line("T", "8");
        for (int i = 0; i < 300000; ++i) line += "\tc";
        return line;
      }(),
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n" + export_line("U", "9") + "\n";
  text += spaces + "last";

  EXPECT_EQ(read_stream(text), "");
  std::vector<std::string> from_stream = read_records();
  reset();
  read(text);
  std::vector<std::string> from_memory = read_records();
  EXPECT_EQ(from_stream.size(), 2 * std::size(lines));  // one blank line, one last line
  EXPECT_EQ(from_stream, from_memory);
  EXPECT_EQ(from_stream[0], std::string("T") + std::string(133, 'h') + "|Pub (1990)|1|$3.00|note");
}

TEST_P(ExportReaderTest, ReadErrorEndsTheReaderWithFalse) {
  std::FILE* unreadable = open_unreadable_stream();
  ASSERT_NE(unreadable, nullptr);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_record_set(unreadable, {}));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: Couldn't read input file\n");
  std::fclose(unreadable);
}

// Separators, CRs and NULs on either side of the edges of the 64-byte blocks
// in which they are found: a line of `shift` bytes moves the next lines
// across the edges one byte at a time.
TEST_P(ExportReaderTest, SeparatorsAtBlockEdgesAreFoundAlike) {
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
    read(std::string(shift, 'x') + "\n" + line + nul_title + runs + "\t\r\n" + line);
    EXPECT_EQ(read_records(), (std::vector<std::string>{"||||", "T|Pub (1990)|7|$3.00|note",
                                                        "N|P|8||",
                                                        "R|Pub (1990)|9|$3.00|note",
                                                        "T|Pub (1990)|7|$3.00|note"}))
        << "shift " << shift;
  }
}

// Lines of random tabs, letters, quotation marks, CRs and NULs, falling
// across blocks anywhere, give the records that cutting each line at its
// runs of tabs gives, one line at a time.
TEST_P(ExportReaderTest, RandomLinesGiveWhatTheirRunsOfTabsSay) {
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
  read(text);
  EXPECT_EQ(read_records(), expected);
}

INSTANTIATE_TEST_SUITE_P(ScanPaths, ExportReaderTest, testing::ValuesIn(kScanPaths),
                         [](const testing::TestParamInfo<ScanPath>& info) {
                           return std::string(scan_path_name(info.param));
                         });

}  // namespace
