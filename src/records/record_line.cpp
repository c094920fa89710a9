#include "records/record_line.h"

#include <algorithm>
#include <cstddef>

#include "base/log_message.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/record_memory.h"

namespace {

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

}  // namespace

bool starts_with_mark(std::string_view text) {
  return text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

bool has_text(std::string_view text) {
  return std::find_if(text.begin(), text.end(), [](char c) { return c != ' ' && c != '\t'; }) !=
         text.end();
}

// A first line that holds a byte-order mark besides is blank too: Excel and
// PowerShell save an export without issues so. Anywhere else the mark is text.
bool is_blank_line(std::string_view line, bool first_line) {
  if (first_line && starts_with_mark(line)) line.remove_prefix(kByteOrderMark.size());
  return !has_text(line);
}

// The title and the number come cut to their fields already, as the ignore
// test and the folding look at them; the record cuts the others as it stores
// them.
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
