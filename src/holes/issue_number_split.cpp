#include "holes/issue_number_split.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/numeric_value.h"
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

// Cuts the number text into number, variant and printing. The three pieces
// take no more room than the number and the two empty fields did, so they are
// written back in place, and the NM value and notes move up behind them.
void split_record(IssueRecord* record) {
  char* text = record->text();
  if (text[0] == '\0') return;
  // The first character is never looked at, so that "-5" stays a number.
  bool slash = false;
  bool dash = false;
  for (const char* at = text + 1; *at != '\0'; ++at) {
    slash = slash || *at == '/';
    dash = dash || *at == '-';
  }
  if (!slash && !dash) return;
  char scratch[kNumberWidth];
  std::strcpy(scratch, text);
  std::size_t cut = 0;
  const char* number = take_token(scratch, &cut, slash ? '/' : '-');
  const char* variant = slash && dash ? take_token(scratch, &cut, '-') : nullptr;
  const char* remainder = scratch[cut] != '\0' ? scratch + cut : nullptr;
  if (slash && !dash) variant = remainder;
  const char* printing = dash ? remainder : nullptr;

  const char* rest = record->nm_value();
  const char* notes = IssueRecord::field_after(rest);
  std::size_t rest_size = notes + std::strlen(notes) + 1 - rest;
  char* at = text;
  for (const char* piece : {number, variant, printing}) {
    std::size_t size = 0;
    if (piece != nullptr) {
      size = std::strlen(piece);
      std::memcpy(at, piece, size);
    }
    at[size] = '\0';
    at += size + 1;
  }
  std::memmove(at, rest, rest_size);
  record->number_value = numeric_value(record->number());
}

struct Edition {
  int printing_key;  // INT_MIN without printing, so the plain issue and variants lead
  // Its place in the queue, which decides between equal editions: a sort in
  // place then needs no buffer to be stable.
  std::uint32_t place;
  // The variant's bytes (at most 15 with its NUL) padded with NULs to 16, read
  // as two numbers, first byte highest: they order as the texts do (unsigned
  // bytes, a prefix first), and the sort of a huge group needs not reach into
  // records all over memory.
  std::uint64_t variant_head;
  std::uint64_t variant_tail;
  void* record;
};

// The 8 bytes at `bytes` as a number, the first byte highest.
std::uint64_t ordered_bytes(const unsigned char* bytes) {
  std::uint64_t value = 0;
  for (int k = 0; k < 8; ++k) value = value << 8 | bytes[k];
  return value;
}

Edition edition_of(const IssueRecord& record, std::uint32_t place, void* payload) {
  const char* variant = record.variant();
  const char* printing = IssueRecord::field_after(variant);
  unsigned char padded[16] = {};
  std::memcpy(padded, variant, static_cast<std::size_t>(printing - variant));
  return Edition{printing[0] == '\0' ? INT_MIN : numeric_value(printing), place,
                 ordered_bytes(padded), ordered_bytes(padded + 8), payload};
}

bool edition_before(const Edition& a, const Edition& b) {
  if (a.printing_key != b.printing_key) return a.printing_key < b.printing_key;
  if (a.variant_head != b.variant_head) return a.variant_head < b.variant_head;
  if (a.variant_tail != b.variant_tail) return a.variant_tail < b.variant_tail;
  return a.place < b.place;
}

// Orders the `count` records of the nodes from `first` on and hands them back
// to the same nodes, which keep their places in the queue.
void order_group(QueueNode* first, std::size_t count, std::vector<Edition>* editions) {
  editions->clear();
  editions->reserve(count);
  QueueNode* node = first;
  for (std::size_t k = 0; k < count; ++k, node = node->next) {
    editions->push_back(edition_of(*record_of(node), static_cast<std::uint32_t>(k), node->payload));
  }
  std::sort(editions->begin(), editions->end(), edition_before);
  node = first;
  for (const Edition& edition : *editions) {
    node->payload = edition.record;
    node = node->next;
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
    int value = record_of(node)->number_value;
    QueueNode* end = node->next;
    std::size_t count = 1;
    for (; end != nullptr && record_of(end)->number_value == value; end = end->next) ++count;
    if (count > 1) order_group(node, count, &editions);
    node = end;
  }
}
