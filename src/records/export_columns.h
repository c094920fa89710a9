#ifndef QUORVANE_RECORDS_EXPORT_COLUMNS_H_
#define QUORVANE_RECORDS_EXPORT_COLUMNS_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "records/export_reader.h"
#include "records/issue_record.h"

// Which columns of an export line the reader keeps, and what becomes of them,
// in one table: the walk's test for a kept column, the compaction of a long
// line and the filling of a line's columns all come from it.

/// The columns of one line that its record is made of, as the walk finds them.
struct LineColumns {
  /// Column 1, kept for its first byte, which tells most blank lines from others.
  std::string_view first;
  std::string_view title, publisher, number, nm_value, notes;  ///< the stored columns
  bool may_hold_nul = true;  ///< false when the line has no NUL byte
};

/// One column that the reader keeps.
struct ExportColumn {
  int column;                           ///< its place in the line, from 1
  std::size_t width;                    ///< its field's width; 0 for a column only looked at
  bool strips_quotes;                   ///< whether its first and last character go
  std::string_view LineColumns::*text;  ///< the member of LineColumns it fills
};

/// The kept columns, in the order of the line.
constexpr ExportColumn kExportColumns[] = {
    {1, 0, false, &LineColumns::first},
    {5, kTitleWidth, true, &LineColumns::title},
    {6, kPublisherWidth, true, &LineColumns::publisher},
    {14, kNumberWidth, true, &LineColumns::number},
    {17, kNmValueWidth, false, &LineColumns::nm_value},
    {18, kNotesWidth, true, &LineColumns::notes},
};

/// Whether kExportColumns lists each column once, in the order of the line.
constexpr bool in_line_order() {
  for (std::size_t k = 1; k < std::size(kExportColumns); ++k) {
    if (kExportColumns[k].column <= kExportColumns[k - 1].column) return false;
  }
  return kExportColumns[0].column >= 1;
}
static_assert(in_line_order(), "kExportColumns lists each column once, in the order of the line");

/// The columns of a line that count: text after the last kept one changes nothing.
constexpr int kColumnsRead = kExportColumns[std::size(kExportColumns) - 1].column;

/// The kept columns as bits, so that the walk tells a kept column with one shift.
constexpr std::uint32_t kColumnsKept = [] {
  std::uint32_t bits = 0;
  for (const ExportColumn& kept : kExportColumns) bits |= std::uint32_t{1} << kept.column;
  return bits;
}();
static_assert(kColumnsRead < 32, "kColumnsKept has a bit for every column read");

/// How many leading bytes of column `column` can change what its line gives.
std::size_t bytes_that_count(int column);

/// Stores `text`, the whole of kept column `entry`, in its member of `columns`.
template <std::size_t entry>
inline void keep_entry(LineColumns* columns, std::string_view text) {
  constexpr ExportColumn kept = kExportColumns[entry];
  columns->*kept.text = kept.strips_quotes ? strip_quotes(text) : text;
}

/// Stores `text`, the whole of column `column`, in its member of `columns`, if it is kept.
// A switch rather than a look-up in the table: the compiler makes it one jump
// to a store at a fixed place, and the walk calls it for every kept column.
inline void keep_column(LineColumns* columns, int column, std::string_view text) {
  static_assert(std::size(kExportColumns) == 6, "a case for each entry of kExportColumns");
  switch (column) {
    case kExportColumns[0].column: keep_entry<0>(columns, text); break;
    case kExportColumns[1].column: keep_entry<1>(columns, text); break;
    case kExportColumns[2].column: keep_entry<2>(columns, text); break;
    case kExportColumns[3].column: keep_entry<3>(columns, text); break;
    case kExportColumns[4].column: keep_entry<4>(columns, text); break;
    case kExportColumns[5].column: keep_entry<5>(columns, text); break;
    default: break;
  }
}

#endif  // QUORVANE_RECORDS_EXPORT_COLUMNS_H_
