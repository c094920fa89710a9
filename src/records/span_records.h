#ifndef QUORVANE_RECORDS_SPAN_RECORDS_H_
#define QUORVANE_RECORDS_SPAN_RECORDS_H_

#include "records/ignored_types.h"

// The lines of a span of the export and their columns are found with the
// separator masks, 64 bytes at a time. Columns are separated by runs of tabs;
// tabs at the start of a line are passed over, so an empty column takes no
// position. Only the first kColumnsRead count.

/// What a walk over one span of the export needs to know besides its bytes.
struct SpanSettings {
  const IgnoredTypes& ignored;  ///< the book types to leave out
  bool has_dropped_text;        ///< the lines are not blank, whatever is left of them
  const char* first_line;       ///< where the export's first line starts, if in the span
};

/// Makes the records of the LF-ended lines of [begin, end); returns where the rest starts.
// The rest is the unfinished last line: it starts at `end` when the span ends
// in LF. Null when a record could not be made.
const char* make_span_records(const SpanSettings& span, const char* begin, const char* end);

#endif  // QUORVANE_RECORDS_SPAN_RECORDS_H_
