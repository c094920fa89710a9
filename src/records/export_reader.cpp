#include "records/export_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "front/log_message.h"
#include "front/options.h"
#include "records/issue_record.h"
#include "records/utf16_decoder.h"

Queue record_set;

std::string_view strip_quotes(std::string_view column) {
  if (column.size() <= 2) return {};
  return column.substr(1, column.size() - 2);
}

namespace {

constexpr int kColumnsRead = 18;

bool is_blank_line(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The columns a record is made of, stripped of their quotation marks. The title
// and the number are cut to their fields already, as the ignore test and the
// folding look at them; the record cuts the others as it stores them.
struct LineColumns {
  std::string_view title, publisher, number, nm_value, notes;
};

// The first tab in [at, end), or `end`. A line has many short columns, and
// calling memchr for each costs more than looking at eight bytes at a time:
// a byte of `word` that equals the tab becomes zero, and the expression marks
// exactly the zero bytes with their high bit.
const char* find_tab(const char* at, const char* end) {
  constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7FULL;
  constexpr std::uint64_t kTabs = 0x0909090909090909ULL;
  for (; end - at >= 8; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    word ^= kTabs;
    std::uint64_t tabs = ~(((word & kLows) + kLows) | word | kLows);
    if (tabs != 0) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      return at + __builtin_clzll(tabs) / 8;
#else
      return at + __builtin_ctzll(tabs) / 8;
#endif
    }
  }
  while (at < end && *at != '\t') ++at;
  return at;
}

// Columns are separated by runs of tabs; tabs at the start of a line are passed
// over, so an empty column takes no position. Only the first 18 count.
LineColumns split_columns(std::string_view line) {
  LineColumns columns;
  const char* at = line.data();
  const char* end = at + line.size();
  for (int column = 1; column <= kColumnsRead; ++column) {
    while (at < end && *at == '\t') ++at;
    if (at == end) break;
    const char* column_end = find_tab(at, end);
    std::string_view text(at, column_end - at);
    switch (column) {
      case 5: columns.title = cut_to_field(strip_quotes(text), kTitleWidth); break;
      case 6: columns.publisher = strip_quotes(text); break;
      case 14: columns.number = cut_to_field(strip_quotes(text), kNumberWidth); break;
      case 17: columns.nm_value = text; break;
      case 18: columns.notes = strip_quotes(text); break;
      default: break;
    }
    at = column_end;
  }
  return columns;
}

// Whether `number` begins with a book type to leave out, followed by a space.
bool is_ignored_type(std::string_view number) {
  for (const std::string& type : ignore_types) {
    if (number.size() > type.size() && number.compare(0, type.size(), type) == 0 &&
        number[type.size()] == ' ') {
      return true;
    }
  }
  return false;
}

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

// Turns one line, its line end removed, into a record on record_set. A line
// whose compaction dropped text is not blank, whatever is left of it.
bool read_record_line(std::string_view line, bool has_dropped_text) {
  if (!has_dropped_text && is_blank_line(line)) return true;
  LineColumns columns = split_columns(line);

  if (is_ignored_type(columns.number)) {
    log_message("Rejecting %.*s Issue %.*s\n", static_cast<int>(columns.title.size()),
                text_of(columns.title), static_cast<int>(columns.number.size()),
                text_of(columns.number));
    return true;
  }

  // A number that leads with a book type ("Annual 3") moves the type into the
  // title, so that those issues form a title of their own.
  // Both are cut to their fields already, so the joined text always fits.
  char folded_title[kTitleWidth + kNumberWidth];
  if (columns.number.find(' ') != std::string_view::npos) {
    std::size_t at = 0;
    std::string_view type = next_word(columns.number, &at);
    std::string_view issue = next_word(columns.number, &at);
    if (!type.empty()) {
      // An empty title (`""`) is a view without memory; copy() takes it in
      // its stride where memcpy would be handed a null pointer.
      std::size_t length = columns.title.copy(folded_title, columns.title.size());
      folded_title[length++] = ' ';
      length += type.copy(folded_title + length, type.size());
      columns.title = cut_to_field(std::string_view(folded_title, length), kTitleWidth);
    }
    columns.number = issue;
  }

  QueueNode* node = new_record_carrier();
  if (node == nullptr) {
    log_message("Error: Couldn't allocate memory for queue element\n");
    return false;
  }
  node->payload = new_issue_record(RecordFields{columns.title, columns.publisher,
                                                columns.number, {}, {},
                                                columns.nm_value, columns.notes});
  if (node->payload == nullptr) {
    release_record_node(node);
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

// Whether [begin, end) holds more than the spaces and tabs of a blank line.
bool has_text(const char* begin, const char* end) {
  return std::find_if(begin, end, [](char c) { return c != ' ' && c != '\t'; }) != end;
}

// Cuts a byte stream, given in pieces of any size, into lines without their
// line ends. A line that spans pieces is gathered in `carry`; so that a line
// of any length costs bounded memory, a long carry is compacted to the bytes
// that can still change the line's record.
struct LineSplitter {
  static constexpr std::size_t kCompactAbove = std::size_t{1} << 16;

  std::string carry;
  bool carry_dropped_text = false;  // compaction dropped bytes other than spaces

  bool feed(const char* data, std::size_t size) {
    const char* end = data + size;
    while (data < end) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
      if (newline == nullptr) {
        carry.append(data, end);
        if (carry.size() > kCompactAbove) compact_carry();
        return true;
      }
      bool ok;
      if (carry.empty()) {
        ok = take_line(std::string_view(data, newline - data), false);
      } else {
        carry.append(data, newline);
        ok = take_carried_line();
      }
      if (!ok) return false;
      data = newline + 1;
    }
    return true;
  }

  // The last line needs no LF.
  bool finish() { return carry.empty() || take_carried_line(); }

  bool take_carried_line() {
    bool ok = take_line(carry, carry_dropped_text);
    carry.clear();
    carry_dropped_text = false;
    return ok;
  }

  // A CR right before the LF (or ending the last line) belongs to the line end.
  static bool take_line(std::string_view line, bool has_dropped_text) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return read_record_line(line, has_dropped_text);
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
    std::string kept;
    const char* at = carry.data();
    const char* end = at + carry.size();
    for (int column = 1; at < end; ++column) {
      while (at < end && *at == '\t') ++at;
      if (at == end) break;
      if (column > kColumnsRead) {
        carry_dropped_text = carry_dropped_text || has_text(at, end);
        break;
      }
      const char* column_end = find_tab(at, end);
      std::size_t keep = std::min(bytes_that_count(column), static_cast<std::size_t>(column_end - at));
      kept.append(at, keep);
      if (at + keep < column_end) {
        carry_dropped_text = carry_dropped_text || has_text(at + keep, column_end);
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

bool read_record_set(std::FILE* input) {
  constexpr std::size_t kChunkSize = 1 << 20;
  std::vector<char> chunk(kChunkSize);
  ExportText lines;
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

bool read_record_text(std::string_view text) {
  ExportText lines;
  return lines.feed(text.data(), text.size()) && lines.finish();
}
