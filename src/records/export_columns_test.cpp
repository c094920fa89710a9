#include "records/export_columns.h"

#include <gtest/gtest.h>

namespace {

// Each column: how much of it a compacted line keeps, whether the walk keeps
// it, and what it fills with the text "\"ab\"".
TEST(ExportColumnsTest, EachColumnIsCountedKeptAndFilledAsTheTableSays) {
  struct Row {
    int column;
    std::size_t counted;
    std::string_view LineColumns::*text;  // null for a column that is not kept
    std::string_view filled;
  };
  const Row rows[] = {
      {1, 1, &LineColumns::first, "\"ab\""},
      {2, 1, nullptr, ""},
      {5, kTitleWidth + 1, &LineColumns::title, "ab"},
      {6, kPublisherWidth + 1, &LineColumns::publisher, "ab"},
      {14, kNumberWidth + 1, &LineColumns::number, "ab"},
      {17, kNmValueWidth + 1, &LineColumns::nm_value, "\"ab\""},
      {18, kNotesWidth + 1, &LineColumns::notes, "ab"},
      {19, 1, nullptr, ""},
  };
  std::uint32_t kept = 0;
  for (const Row& row : rows) {
    EXPECT_EQ(bytes_that_count(row.column), row.counted) << "column " << row.column;
    if (row.text == nullptr) continue;
    kept |= std::uint32_t{1} << row.column;
    LineColumns columns;
    keep_column(&columns, row.column, "\"ab\"");
    EXPECT_EQ(columns.*row.text, row.filled) << "column " << row.column;
  }
  EXPECT_EQ(kColumnsKept, kept);
  EXPECT_EQ(kColumnsRead, 18);
}

}  // namespace
