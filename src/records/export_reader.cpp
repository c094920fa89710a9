#include "records/export_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/compiler.h"
#include "base/log_message.h"
#include "records/ignored_types.h"
#include "records/issue_record.h"
#include "records/record_memory.h"
#include "records/separator_scan.h"
#include "records/utf16_decoder.h"

Queue record_set;

std::string_view strip_quotes(std::string_view column) {
  if (column.size() <= 2) return {};
  return column.substr(1, column.size() - 2);
}

namespace {

constexpr int kColumnsRead = 18;

// Whether `text` holds more than the spaces and tabs of a blank line.
bool has_text(std::string_view text) {
  return std::find_if(text.begin(), text.end(), [](char c) { return c != ' ' && c != '\t'; }) !=
         text.end();
}

// UTF-8's byte-order mark, which a UTF-16 export's mark becomes too.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool starts_with_mark(std::string_view text) {
  return text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

// The text of [begin, end).
std::string_view text_between(const char* begin, const char* end) {
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

// The columns a record is made of, stripped of their quotation marks. The title
// and the number are cut to their fields already, as the ignore test and the
// folding look at them; the record cuts the others as it stores them.
struct LineColumns {
  std::string_view title, publisher, number, nm_value, notes;
  bool may_hold_nul = true;  // false when the line has no NUL byte
};

// The characters of `text` for a C function, which must never be handed the
// null pointer of an empty view.
const char* text_of(std::string_view text) { return text.empty() ? "" : text.data(); }

// Splits off the word of `text` that starts at or after `*at`; "" when none.
std::string_view next_word(std::string_view text, std::size_t* at) {
  std::size_t start = text.find_first_not_of(' ', *at);
  if (start == std::string_view::npos) {
    *at = text.size();
    return {};
  }
  std::size_t end = text.find(' ', start);
  if (end == std::string_view::npos) end = text.size();
  *at = end;
  return text.substr(start, end - start);
}

// Turns the columns of one line into a record on record_set, unless its book
// type is one of `ignored`.
bool read_record_line(const LineColumns& columns, const IgnoredTypes& ignored) {
  std::string_view title = columns.title;
  std::string_view number = columns.number;
  if (is_ignored_type(ignored, number)) {
    log_message("Rejecting %.*s Issue %.*s\n", static_cast<int>(title.size()), text_of(title),
                static_cast<int>(number.size()), text_of(number));
    return true;
  }

  // A number that leads with a book type ("Annual 3") moves the type into the
  // title, so that those issues form a title of their own.
  // Both are cut to their fields already, so the joined text always fits.
  char folded_title[kTitleWidth + kNumberWidth];
  if (number.find(' ') != std::string_view::npos) {
    std::size_t at = 0;
    std::string_view type = next_word(number, &at);
    std::string_view issue = next_word(number, &at);
    if (!type.empty()) {
      // An empty title (`""`) is a view without memory; copy() takes it in
      // its stride where memcpy would be handed a null pointer.
      std::size_t length = title.copy(folded_title, title.size());
      folded_title[length++] = ' ';
      length += type.copy(folded_title + length, type.size());
      title = cut_to_field(std::string_view(folded_title, length), kTitleWidth);
    }
    number = issue;
  }

  QueueNode* node = new_queue_node();
  if (node == nullptr) {
    log_message("Error: Couldn't allocate memory for queue element\n");
    return false;
  }
  if (!attach_new_record(node, RecordFields{title, columns.publisher, number, {}, {},
                                            columns.nm_value, columns.notes,
                                            columns.may_hold_nul})) {
    free_queue_node(node);
    log_message("Error: Couldn't allocate memory for element data\n");
    return false;
  }
  queue_append(&record_set, node);
  return true;
}

// How many leading bytes of column `column` can change what its line gives:
// a stored field's width and one more (the quotation mark that strip_quotes
// takes off); a column that is only counted needs one byte to be counted.
std::size_t bytes_that_count(int column) {
  switch (column) {
    case 5: return kTitleWidth + 1;
    case 6: return kPublisherWidth + 1;
    case 14: return kNumberWidth + 1;
    case 17: return kNmValueWidth + 1;
    case 18: return kNotesWidth + 1;
    default: return 1;
  }
}

// The columns 1 to 18 that are stored (5, 6, 14, 17, 18), and column 1,
// whose first byte tells most blank lines from others, as bits.
constexpr std::uint32_t kColumnsKept = 1u << 1 | 1u << 5 | 1u << 6 | 1u << 14 | 1u << 17 | 1u << 18;

// Where a line being walked stands.
struct LineState {
  const char* start;
  const char* column_start;
  int column;  // columns seen so far
  const char* first_column;
  LineColumns columns;
  bool has_nul;
};

// Finds the lines of a span of the export and their columns with the
// separator masks, and makes each line's record. Columns are separated by
// runs of tabs; tabs at the start of a line are passed over, so an empty
// column takes no position. Only the first 18 count.
class LineWalk {
 public:
  // With `has_dropped_text` the lines are not blank, whatever is left of them.
  // `first_line` is where the export's first line starts when the walk holds
  // it, else null.
  LineWalk(const IgnoredTypes& ignored, bool has_dropped_text, const char* first_line)
      : ignored_(ignored), has_dropped_text_(has_dropped_text), first_line_(first_line) {}

  // Walks the lines of [begin, end) that end in LF. Returns where the
  // unfinished last line begins (`end` when there is none), or null when a
  // record could not be made.
  const char* walk(const char* begin, const char* end) {
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
        if (!walk_block(&line, at, masks[block])) return nullptr;
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
      if (!walk_block(&line, at, marked)) return nullptr;
    }
    return line.start;
  }

 private:
  static void start_line(LineState* line, const char* at) {
    line->start = line->column_start = at;
    line->column = 0;
    // Field by field: a whole new LineColumns became a slow block store.
    LineColumns& columns = line->columns;
    columns.title = columns.publisher = columns.number = columns.nm_value = columns.notes = {};
    line->has_nul = false;
  }

  // The bits of the positions after `k` in a block.
  static std::uint64_t after(unsigned k) { return ~((std::uint64_t{2} << k) - 1); }

  bool walk_block(LineState* line, const char* block, const SeparatorMasks& masks) {
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
      // Tabs after column 18 separate nothing that is read.
      std::uint64_t tabs = column < kColumnsRead ? masks.tabs & unwalked & (line_end - 1) : 0;
      while (tabs != 0) {
        const char* tab = block + lowest_bit(tabs);
        tabs &= tabs - 1;
        if (tab > column_start) {
          ++column;
          if ((kColumnsKept >> column & 1) != 0) {
            keep_column(line, column, column_start, tab);
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
      if (!end_line(line, block + k)) return false;
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

  // Column `column` of the line is [start, end), which is not empty.
  static void keep_column(LineState* line, int column, const char* start, const char* end) {
    std::string_view text(start, static_cast<std::size_t>(end - start));
    switch (column) {
      case 1: line->first_column = start; break;
      case 5: line->columns.title = strip_quotes(text); break;
      case 6: line->columns.publisher = strip_quotes(text); break;
      case 14: line->columns.number = strip_quotes(text); break;
      case 17: line->columns.nm_value = text; break;
      case 18: line->columns.notes = strip_quotes(text); break;
      default: break;
    }
  }

  // The line ends at the LF at `line_end`; a CR right before it belongs to
  // the line end. Kept out of the walk's loop, so that the loop's state stays
  // in registers.
  QUORVANE_NOINLINE bool end_line(LineState* line, const char* line_end) {
    const char* next_line = line_end + 1;
    if (line_end > line->start && line_end[-1] == '\r') --line_end;
    if (line->column < kColumnsRead && line_end > line->column_start) {
      ++line->column;
      if ((kColumnsKept >> line->column & 1) != 0) {
        keep_column(line, line->column, line->column_start, line_end);
      }
    }
    bool ok = true;
    if (!is_blank(*line, line_end)) {
      LineColumns& columns = line->columns;
      columns.may_hold_nul = line->has_nul;
      if (line->has_nul) {
        columns.title = cut_to_field(columns.title, kTitleWidth);
        columns.number = cut_to_field(columns.number, kNumberWidth);
      } else {
        columns.title = columns.title.substr(0, kTitleWidth - 1);
        columns.number = columns.number.substr(0, kNumberWidth - 1);
      }
      ok = read_record_line(columns, ignored_);
    }
    start_line(line, next_line);
    return ok;
  }

  // A line of nothing but spaces and tabs gives no record. Nor does a first
  // line that holds a byte-order mark besides: Excel and PowerShell save an
  // export without issues so.
  bool is_blank(const LineState& line, const char* line_end) const {
    if (has_dropped_text_) return false;
    if (line.column == 0) return true;
    std::string_view text = text_between(line.start, line_end);
    if (line.start == first_line_ && starts_with_mark(text)) {
      text.remove_prefix(kByteOrderMark.size());
    } else if (*line.first_column != ' ') {
      return false;
    }
    return !has_text(text);
  }

  const IgnoredTypes& ignored_;
  const bool has_dropped_text_;
  const char* const first_line_;
};

// Cuts a byte stream, given in pieces of any size, into lines and makes their
// records. A line that spans pieces is gathered in `carry`; so that a line of
// any length costs bounded memory, a long carry is compacted to the bytes
// that can still change the line's record.
struct LineSplitter {
  static constexpr std::size_t kCompactAbove = std::size_t{1} << 16;

  const IgnoredTypes& ignored;  // the book types to leave out, for the whole read
  std::string carry;
  bool carry_dropped_text = false;  // compaction dropped bytes other than spaces
  bool at_first_line = true;        // the export's first line has not ended yet

  explicit LineSplitter(const IgnoredTypes& types) : ignored(types) {}

  bool feed(const char* data, std::size_t size) {
    const char* end = data + size;
    if (!carry.empty()) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', size));
      if (newline == nullptr) {
        carry.append(data, end);
        if (carry.size() > kCompactAbove) compact_carry();
        return true;
      }
      carry.append(data, newline + 1);
      if (!take_carried_line()) return false;
      data = newline + 1;
    }
    const char* first_line = at_first_line ? data : nullptr;
    const char* unfinished = LineWalk(ignored, false, first_line).walk(data, end);
    if (unfinished == nullptr) return false;
    if (unfinished != data) at_first_line = false;
    carry.assign(unfinished, end);
    if (carry.size() > kCompactAbove) compact_carry();
    return true;
  }

  // The last line needs no LF.
  bool finish() {
    if (carry.empty()) return true;
    carry += '\n';
    return take_carried_line();
  }

  // The carry holds one whole line, its LF included.
  bool take_carried_line() {
    const char* begin = carry.data();
    bool ok = LineWalk(ignored, carry_dropped_text, at_first_line ? begin : nullptr)
                  .walk(begin, begin + carry.size()) != nullptr;
    carry.clear();
    carry_dropped_text = false;
    at_first_line = false;
    return ok;
  }

  // Keeps of each column only the bytes that count, and a space in place of
  // the rest, which keeps the column longer than what counts (and never ends
  // the line in a CR of its middle). Leading tabs and runs of tabs shrink to
  // the one separator they are; whatever follows column 18 goes.
  void compact_carry() {
    // A CR that ends the carry may be the line end, which is no text: it
    // stays out of the compaction and goes back behind it.
    const bool ends_in_cr = carry.back() == '\r';
    if (ends_in_cr) carry.pop_back();
    // Nor is the byte-order mark that starts the first line: column 1 keeps
    // it whole, so that the line can still be told blank.
    const std::size_t mark_size =
        at_first_line && starts_with_mark(carry) ? kByteOrderMark.size() : 0;
    std::string kept;
    const char* at = carry.data();
    const char* end = at + carry.size();
    for (int column = 1; at < end; ++column) {
      while (at < end && *at == '\t') ++at;
      if (at == end) break;
      if (column > kColumnsRead) {
        carry_dropped_text = carry_dropped_text || has_text(text_between(at, end));
        break;
      }
      const char* column_end = static_cast<const char*>(std::memchr(at, '\t', end - at));
      if (column_end == nullptr) column_end = end;
      const std::size_t counted = bytes_that_count(column) + (column == 1 ? mark_size : 0);
      std::size_t keep = std::min(counted, static_cast<std::size_t>(column_end - at));
      kept.append(at, keep);
      if (at + keep < column_end) {
        carry_dropped_text = carry_dropped_text || has_text(text_between(at + keep, column_end));
        kept += ' ';
      }
      if (column_end < end) kept += '\t';
      at = column_end;
    }
    carry.swap(kept);
    if (ends_in_cr) carry += '\r';
  }
};

// Hands an export's bytes to the line splitter as UTF-8: an export that starts
// with UTF-16's byte-order mark is converted piece by piece, so that its size
// costs no memory.
struct ExportText {
  LineSplitter lines;
  bool started = false;
  bool utf16 = false;
  Utf16Decoder decoder;
  std::string converted;

  explicit ExportText(const IgnoredTypes& ignored) : lines(ignored) {}

  // The first piece must hold the export's first two bytes, if it has two.
  bool feed(const char* data, std::size_t size) {
    if (!started) {
      started = true;
      utf16 = starts_as_utf16(std::string_view(data, size), &decoder.big_endian);
    }
    if (!utf16) return lines.feed(data, size);
    converted.clear();
    decoder.decode(data, size, &converted);
    return lines.feed(converted.data(), converted.size());
  }

  bool finish() {
    if (utf16) {
      converted.clear();
      decoder.finish(&converted);
      if (!lines.feed(converted.data(), converted.size())) return false;
    }
    return lines.finish();
  }
};

}  // namespace

bool read_record_set(std::FILE* input, const std::vector<std::string>& ignored_types) {
  constexpr std::size_t kChunkSize = 1 << 17;
  std::vector<char> chunk(kChunkSize);
  const IgnoredTypes ignored = make_ignored_types(ignored_types);
  ExportText lines(ignored);
  for (;;) {
    // fread fills the chunk unless the input ends, so the first piece holds
    // any byte-order mark whole.
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), input);
    if (got == 0) break;
    if (!lines.feed(chunk.data(), got)) return false;
  }
  if (std::ferror(input)) {
    log_message("Error: Couldn't read input file\n");
    return false;
  }
  return lines.finish();
}

bool read_record_text(std::string_view text, const std::vector<std::string>& ignored_types) {
  const IgnoredTypes ignored = make_ignored_types(ignored_types);
  ExportText lines(ignored);
  return lines.feed(text.data(), text.size()) && lines.finish();
}
