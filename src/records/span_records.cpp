#include "records/span_records.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/compiler.h"
#include "records/export_columns.h"
#include "records/record_line.h"
#include "records/separator_scan.h"

namespace {

// Where a line being walked stands.
struct LineState {
  const char* start;
  const char* column_start;
  int column;  // columns seen so far
  LineColumns columns;
  bool has_nul;
};

void start_line(LineState* line, const char* at) {
  line->start = line->column_start = at;
  line->column = 0;
  // Field by field: a whole new LineColumns became a slow block store. Column
  // 1 stays as it was, since only a line that has a column looks at it.
  LineColumns& columns = line->columns;
  columns.title = columns.publisher = columns.number = columns.nm_value = columns.notes = {};
  line->has_nul = false;
}

// The bits of the positions after `k` in a block.
std::uint64_t after(unsigned k) { return ~((std::uint64_t{2} << k) - 1); }

// The text of [begin, end).
std::string_view text_between(const char* begin, const char* end) {
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

// Most lines start with text, and are told from blank ones by their first byte.
bool is_blank(const SpanSettings& span, const LineState& line, const char* line_end) {
  if (span.has_dropped_text) return false;
  if (line.column == 0) return true;
  const bool first_line = line.start == span.first_line;
  if (!first_line && line.columns.first[0] != ' ') return false;
  return is_blank_line(text_between(line.start, line_end), first_line);
}

// The line ends at the LF at `line_end`; a CR right before it belongs to
// the line end. Kept out of the walk's loop, so that the loop's state stays
// in registers.
QUORVANE_NOINLINE bool end_line(const SpanSettings& span, LineState* line, const char* line_end) {
  const char* next_line = line_end + 1;
  if (line_end > line->start && line_end[-1] == '\r') --line_end;
  if (line->column < kColumnsRead && line_end > line->column_start) {
    ++line->column;
    if ((kColumnsKept >> line->column & 1) != 0) {
      keep_column(&line->columns, line->column, text_between(line->column_start, line_end));
    }
  }
  bool ok = true;
  if (!is_blank(span, *line, line_end)) {
    LineColumns& columns = line->columns;
    columns.may_hold_nul = line->has_nul;
    if (line->has_nul) {
      columns.title = cut_to_field(columns.title, kTitleWidth);
      columns.number = cut_to_field(columns.number, kNumberWidth);
    } else {
      columns.title = columns.title.substr(0, kTitleWidth - 1);
      columns.number = columns.number.substr(0, kNumberWidth - 1);
    }
    ok = read_record_line(columns, span.ignored);
  }
  start_line(line, next_line);
  return ok;
}

// Inline, so that the compiler builds it into the walk's loop over the blocks.
inline bool walk_block(const SpanSettings& span, LineState* line, const char* block,
                       const SeparatorMasks& masks) {
  // The column count and the column's start stay in locals while the tabs
  // go by: the walk spends most of its time here.
  int column = line->column;
  const char* column_start = line->column_start;
  std::uint64_t line_ends = masks.line_ends;
  std::uint64_t nuls = masks.nuls;
  std::uint64_t unwalked = ~std::uint64_t{0};
  for (;;) {
    // The tabs of the line up to its LF in this block, or to the block's end.
    const std::uint64_t line_end = line_ends & (0 - line_ends);
    // Tabs after the last column read separate nothing that is read.
    std::uint64_t tabs = column < kColumnsRead ? masks.tabs & unwalked & (line_end - 1) : 0;
    while (tabs != 0) {
      const char* tab = block + lowest_bit(tabs);
      tabs &= tabs - 1;
      if (tab > column_start) {
        ++column;
        if ((kColumnsKept >> column & 1) != 0) {
          keep_column(&line->columns, column, text_between(column_start, tab));
          if (column == kColumnsRead) tabs = 0;
        }
      }
      column_start = tab + 1;
    }
    if (line_end == 0) break;
    // NULs marked before this LF and after the previous one are this line's.
    line->has_nul = line->has_nul || (nuls & (line_end - 1)) != 0;
    nuls &= ~((line_end << 1) - 1);
    const unsigned k = lowest_bit(line_end);
    line->column = column;
    line->column_start = column_start;
    if (!end_line(span, line, block + k)) return false;
    column = 0;
    column_start = block + k + 1;
    line_ends &= line_ends - 1;
    unwalked = after(k);
  }
  line->column = column;
  line->column_start = column_start;
  line->has_nul = line->has_nul || nuls != 0;
  return true;
}

}  // namespace

const char* make_span_records(const SpanSettings& span, const char* begin, const char* end) {
  LineState line;
  start_line(&line, begin);
  constexpr std::size_t kBatchBlocks = 64;
  SeparatorMasks masks[kBatchBlocks];
  const char* at = begin;
  while (end - at >= static_cast<std::ptrdiff_t>(kScanBlockSize)) {
    std::size_t blocks =
        std::min<std::size_t>(kBatchBlocks, static_cast<std::size_t>(end - at) / kScanBlockSize);
    mark_separators(at, blocks, masks);
    for (std::size_t block = 0; block < blocks; ++block, at += kScanBlockSize) {
      if (!walk_block(span, &line, at, masks[block])) return nullptr;
    }
  }
  if (at < end) {
    // The last bytes are marked in a copy padded to a whole block, and the
    // marks of the padding dropped.
    char last[kScanBlockSize] = {};
    const std::size_t size = static_cast<std::size_t>(end - at);
    std::memcpy(last, at, size);
    mark_separators(last, 1, masks);
    const std::uint64_t inside = (std::uint64_t{1} << size) - 1;
    SeparatorMasks& marked = masks[0];
    marked = SeparatorMasks{marked.tabs & inside, marked.line_ends & inside, marked.nuls & inside};
    if (!walk_block(span, &line, at, marked)) return nullptr;
  }
  return line.start;
}
