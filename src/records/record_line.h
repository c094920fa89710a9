#ifndef QUORVANE_RECORDS_RECORD_LINE_H_
#define QUORVANE_RECORDS_RECORD_LINE_H_

#include <string_view>

#include "records/export_columns.h"
#include "records/ignored_types.h"

// What one line of the export gives: nothing when it is blank, a message
// when its book type is left out, else a record on record_set.

/// UTF-8's byte-order mark, which a UTF-16 export's mark becomes too.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// Whether `text` starts with the byte-order mark.
bool starts_with_mark(std::string_view text);

/// Whether `text` holds more than the spaces and tabs of a blank line.
bool has_text(std::string_view text);

/// Whether `line`, less its line end, is blank: past a leading mark too if `first_line`.
bool is_blank_line(std::string_view line, bool first_line);

/// Appends the record of `columns` to record_set, or logs it left out; false if memory runs out.
bool read_record_line(const LineColumns& columns, const IgnoredTypes& ignored);

#endif  // QUORVANE_RECORDS_RECORD_LINE_H_
