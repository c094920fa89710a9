#ifndef QUORVANE_RECORDS_EXPORT_READER_H_
#define QUORVANE_RECORDS_EXPORT_READER_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "records/queue.h"

/// Every record read from the export, in file order, until grouping takes them.
extern Queue record_set;

/// Returns `column` without its first and last character, whatever they are
/// (the quotation marks around exported text); one or two characters give "".
std::string_view strip_quotes(std::string_view column);

/// Reads the export from `input` to its end, appending one record per line to
/// `record_set` and logging each line whose book type is one of
/// `ignored_types` instead. Returns false, after logging why, when memory runs
/// out or the stream reports a read error.
bool read_record_set(std::FILE* input, const std::vector<std::string>& ignored_types);

/// Reads an export held in memory, exactly as read_record_set reads a stream.
bool read_record_text(std::string_view text, const std::vector<std::string>& ignored_types);

#endif  // QUORVANE_RECORDS_EXPORT_READER_H_
