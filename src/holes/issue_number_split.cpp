#include "holes/issue_number_split.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "holes/numeric_value.h"
#include "records/issue_record.h"

namespace {

// Takes the token at `*cut`: separators in front of it are skipped, and the
// separator that closes it is overwritten with a NUL and consumed. Returns the
// token, or null when it is empty.
char* take_token(char* text, std::size_t* cut, char separator) {
  std::size_t start = *cut;
  while (text[start] == separator) ++start;
  std::size_t end = start;
  while (text[end] != '\0' && text[end] != separator) ++end;
  if (text[end] == separator) {
    text[end] = '\0';
    *cut = end + 1;
  } else {
    *cut = end;
  }
  return end > start ? text + start : nullptr;
}

// A piece of the record's text as a field offset; a missing piece is the
// shared empty text at offset 0.
std::uint16_t offset_of(IssueRecord* record, const char* piece) {
  return piece == nullptr ? 0 : static_cast<std::uint16_t>(piece - record->text());
}

// Cuts the number text into number, variant and printing in place: the pieces
// are disjoint parts of it, so NULs at the consumed separators suffice.
void split_record(IssueRecord* record) {
  char* text = record->text() + record->number_at;
  if (text[0] == '\0') return;
  // The first character is never looked at, so that "-5" stays a number.
  bool slash = std::strchr(text + 1, '/') != nullptr;
  bool dash = std::strchr(text + 1, '-') != nullptr;
  if (!slash && !dash) return;
  std::size_t cut = 0;
  char* number = take_token(text, &cut, slash ? '/' : '-');
  char* variant = slash && dash ? take_token(text, &cut, '-') : nullptr;
  char* remainder = text[cut] != '\0' ? text + cut : nullptr;
  if (slash && !dash) variant = remainder;
  record->number_at = offset_of(record, number);
  record->variant_at = offset_of(record, variant);
  record->printing_at = offset_of(record, dash ? remainder : nullptr);
}

struct Edition {
  int printing_key;  // INT_MIN without printing, so the plain issue and variants lead
  const char* variant;
  void* record;
};

bool edition_before(const Edition& a, const Edition& b) {
  if (a.printing_key != b.printing_key) return a.printing_key < b.printing_key;
  return std::strcmp(a.variant, b.variant) < 0;  // strcmp compares unsigned bytes
}

// Orders the records of the nodes from `first` up to `end` (exclusive) and
// hands them back to the same nodes, which keep their places in the queue.
void order_group(QueueNode* first, QueueNode* end, std::vector<Edition>* editions) {
  editions->clear();
  for (QueueNode* node = first; node != end; node = node->next) {
    const IssueRecord* record = record_of(node);
    const char* printing = record->printing();
    int key = printing[0] == '\0' ? INT_MIN : numeric_value(printing);
    editions->push_back(Edition{key, record->variant(), node->payload});
  }
  std::stable_sort(editions->begin(), editions->end(), edition_before);
  std::size_t k = 0;
  for (QueueNode* node = first; node != end; node = node->next) {
    node->payload = (*editions)[k++].record;
  }
}

}  // namespace

void split_issue_numbers(Queue* issue_queue) {
  if (issue_queue == nullptr) return;
  for (QueueNode* node = issue_queue->first; node != nullptr; node = node->next) {
    split_record(record_of(node));
  }
  std::vector<Edition> editions;
  QueueNode* node = issue_queue->first;
  while (node != nullptr) {
    int value = numeric_value(record_of(node)->number());
    QueueNode* end = node->next;
    while (end != nullptr && numeric_value(record_of(end)->number()) == value) end = end->next;
    if (end != node->next) order_group(node, end, &editions);
    node = end;
  }
}
