#ifndef QUORVANE_RECORDS_RECORD_STREAM_H_
#define QUORVANE_RECORDS_RECORD_STREAM_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "records/ignored_types.h"

// A byte stream, given in pieces of any size, is cut into lines. A line that
// spans pieces is gathered in a carry; so that a line of any length costs
// bounded memory, a long carry is compacted to the bytes that can still
// change the line's record.

/// Cuts a stream given in pieces into lines and makes their records.
struct RecordStream {
  /// The carry's size above which it is compacted.
  static constexpr std::size_t kCompactAbove = std::size_t{1} << 16;

  const IgnoredTypes& ignored;      ///< the book types to leave out, for the whole read
  std::string carry;                ///< the unfinished last line
  bool carry_dropped_text = false;  ///< compaction dropped bytes other than spaces
  bool at_first_line = true;        ///< the export's first line has not ended yet

  /// A stream whose records leave out the book types of `types`.
  explicit RecordStream(const IgnoredTypes& types) : ignored(types) {}

  /// Makes the records of the lines that the next `size` bytes end; false if one failed.
  bool feed(const char* data, std::size_t size);
  /// Makes the record of the last line, which needs no LF; false if it failed.
  bool finish();
};

/// Sets `*kept` to the unfinished `line` compacted; true when it dropped more than blanks.
bool compact_line(std::string_view line, bool first_line, std::string* kept);

#endif  // QUORVANE_RECORDS_RECORD_STREAM_H_
