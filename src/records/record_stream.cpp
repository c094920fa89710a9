#include "records/record_stream.h"

#include <algorithm>
#include <cstring>

#include "records/export_columns.h"
#include "records/record_line.h"
#include "records/span_records.h"

namespace {

// The carry holds one whole line, its LF included.
bool take_carried_line(RecordStream* stream) {
  const char* begin = stream->carry.data();
  const SpanSettings span{stream->ignored, stream->carry_dropped_text,
                          stream->at_first_line ? begin : nullptr};
  bool ok = make_span_records(span, begin, begin + stream->carry.size()) != nullptr;
  stream->carry.clear();
  stream->carry_dropped_text = false;
  stream->at_first_line = false;
  return ok;
}

void compact_carry(RecordStream* stream) {
  std::string kept;
  if (compact_line(stream->carry, stream->at_first_line, &kept)) stream->carry_dropped_text = true;
  stream->carry.swap(kept);
}

}  // namespace

bool RecordStream::feed(const char* data, std::size_t size) {
  const char* end = data + size;
  if (!carry.empty()) {
    const char* newline = static_cast<const char*>(std::memchr(data, '\n', size));
    if (newline == nullptr) {
      carry.append(data, end);
      if (carry.size() > kCompactAbove) compact_carry(this);
      return true;
    }
    carry.append(data, newline + 1);
    if (!take_carried_line(this)) return false;
    data = newline + 1;
  }
  const char* first_line = at_first_line ? data : nullptr;
  const char* unfinished = make_span_records(SpanSettings{ignored, false, first_line}, data, end);
  if (unfinished == nullptr) return false;
  if (unfinished != data) at_first_line = false;
  carry.assign(unfinished, end);
  if (carry.size() > kCompactAbove) compact_carry(this);
  return true;
}

bool RecordStream::finish() {
  if (carry.empty()) return true;
  carry += '\n';
  return take_carried_line(this);
}

// Keeps of each column only the bytes that count, and a space in place of
// the rest, which keeps the column longer than what counts (and never ends
// the line in a CR of its middle). Leading tabs and runs of tabs shrink to
// the one separator they are; whatever follows the last column read goes.
bool compact_line(std::string_view line, bool first_line, std::string* kept) {
  kept->clear();
  bool dropped_text = false;
  // A CR that ends the line may be the line end, which is no text: it stays
  // out of the compaction and goes back behind it.
  const bool ends_in_cr = !line.empty() && line.back() == '\r';
  if (ends_in_cr) line.remove_suffix(1);
  // Nor is the byte-order mark that starts the first line: column 1 keeps it
  // whole, so that the line can still be told blank.
  const std::size_t mark_size = first_line && starts_with_mark(line) ? kByteOrderMark.size() : 0;
  const char* at = line.data();
  const char* end = at + line.size();
  for (int column = 1; at < end; ++column) {
    while (at < end && *at == '\t') ++at;
    if (at == end) break;
    if (column > kColumnsRead) {
      dropped_text = dropped_text || has_text(std::string_view(at, end - at));
      break;
    }
    const char* column_end = static_cast<const char*>(std::memchr(at, '\t', end - at));
    if (column_end == nullptr) column_end = end;
    const std::size_t counted = bytes_that_count(column) + (column == 1 ? mark_size : 0);
    const std::size_t keep = std::min(counted, static_cast<std::size_t>(column_end - at));
    kept->append(at, keep);
    if (at + keep < column_end) {
      dropped_text = dropped_text || has_text(std::string_view(at + keep, column_end - at - keep));
      *kept += ' ';
    }
    if (column_end < end) *kept += '\t';
    at = column_end;
  }
  if (ends_in_cr) *kept += '\r';
  return dropped_text;
}
