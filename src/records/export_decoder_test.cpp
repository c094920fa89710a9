#include "records/export_decoder.h"

#include <gtest/gtest.h>

#include "export_lines.h"
#include "base/process_state.h"

namespace {

// An export in UTF-16 of either byte order gives what it gives in UTF-8,
// read from memory or through a file, whose pieces may cut its first line,
// which is blank with a byte-order mark alone; a file that merely holds the
// bytes of UTF-16's mark later on is read as it is.
TEST(ExportEncodingTest, EveryFormOfAnExportGivesItsRecords) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string wide(200000, ' ');  // compacted, and spans the stream's pieces
  const std::vector<std::string> none;
  const std::vector<std::string> empty_record{"||||"};
  const struct {
    std::string text;
    std::vector<std::string> rows;
  } cases[] = {
      {"", none},
      {"\n\r\n  \t \n\t\t\r\n" + export_line("A", "1") + "\n   ", {"A|Pub (1990)|1|$3.00|note"}},
      {mark, none},
      {mark + " \t \r", none},
      {mark + wide + "\t" + wide + "\r\n", none},
      {mark + " \n" + mark, empty_record},
      {mark + "\t" + wide + "\tx", empty_record},
      {mark + export_line("Am\xC3\xA9lie \xE6\x97\xA5", "3") + "\r\n" +
           export_line(std::string("Nu\0ll", 5), "Annual 4"),
       {"Am\xC3\xA9lie \xE6\x97\xA5|Pub (1990)|3|$3.00|note", "Nu Annual|Pub (1990)|4|$3.00|note"}},
      {export_line("\xFF\xFE", "1"), {"\xFF\xFE|Pub (1990)|1|$3.00|note"}},
  };
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    std::vector<std::string> texts{cases[k].text};
    if (cases[k].text.compare(0, mark.size(), mark) == 0) {
      texts.push_back(utf16_of(cases[k].text, false));
      texts.push_back(utf16_of(cases[k].text, true));
    }
    const char* const encodings[] = {"UTF-8", "UTF-16LE", "UTF-16BE"};
    for (std::size_t form = 0; form < 2 * texts.size(); ++form) {
      SCOPED_TRACE("case " + std::to_string(k) + ", " + encodings[form / 2] +
                   (form % 2 == 1 ? " through a file" : " in memory"));
      reset_process_state();
      EXPECT_EQ(read_export(texts[form / 2], {}, form % 2 == 1), "");
      EXPECT_EQ(record_rows(), cases[k].rows);
    }
  }
  reset_process_state();
}

}  // namespace
