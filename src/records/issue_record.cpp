#include "records/issue_record.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "base/numeric_value.h"
#include "records/record_memory.h"

std::string_view cut_to_field(std::string_view text, std::size_t width) {
  text = text.substr(0, width - 1);
  if (text.empty()) return text;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? text : text.substr(0, static_cast<const char*>(nul) - text.data());
}

namespace {

// Copies `text` to `to` and ends it with a NUL; returns the byte after the NUL.
char* put_field(char* to, std::string_view text) {
  // An empty view may have no data at all, which memcpy must not see.
  if (!text.empty()) std::memcpy(to, text.data(), text.size());
  to[text.size()] = '\0';
  return to + text.size() + 1;
}

// The title most recently given to a record, which the next record shares
// when its title and publisher are the same: an export lists each title's
// issues together. Not owned; forgotten when its last record goes.
SharedTitle* latest_title = nullptr;

SharedTitle* shared_title_of(IssueRecord* record) {
  return const_cast<SharedTitle*>(record->shared_title());
}

bool is_same_title(const SharedTitle& shared, std::string_view title, std::string_view publisher) {
  return shared.title_text() == title && shared.publisher_text() == publisher;
}

static_assert(offsetof(IssueRecord, title_distance) + sizeof(std::int16_t) ==
                  IssueRecord::kTextOffset,
              "a record's texts begin right behind its two numbers");

// Stores in `*steps` how far `shared` lies from `record` in 4-byte steps;
// false when that does not fit the record's 16 bits.
bool find_distance(const IssueRecord* record, const SharedTitle* shared, std::int16_t* steps) {
  std::intptr_t bytes =
      reinterpret_cast<std::intptr_t>(shared) - reinterpret_cast<std::intptr_t>(record);
  // Both are packed objects of record memory, aligned for 32 bits.
  std::intptr_t distance = bytes / 4;
  if (distance < std::numeric_limits<std::int16_t>::min() ||
      distance > std::numeric_limits<std::int16_t>::max()) {
    return false;
  }
  *steps = static_cast<std::int16_t>(distance);
  return true;
}

std::size_t shared_title_size(std::string_view title, std::string_view publisher) {
  return sizeof(SharedTitle) + title.size() + publisher.size() + 2;
}

SharedTitle* new_shared_title(std::string_view title, std::string_view publisher) {
  void* memory = record_memory_take_packed(shared_title_size(title, publisher));
  if (memory == nullptr) return nullptr;
  SharedTitle* shared = new (memory) SharedTitle;
  shared->records = 0;
  shared->publisher_at = static_cast<std::uint16_t>(title.size() + 1);
  shared->publisher_size = static_cast<std::uint16_t>(publisher.size());
  put_field(put_field(reinterpret_cast<char*>(shared + 1), title), publisher);
  return shared;
}

void release_shared_title(SharedTitle* shared) {
  if (--shared->records != 0) return;
  if (shared == latest_title) latest_title = nullptr;
  record_memory_give_back(shared);
}

// Gives `record` the shared title of `title` and `publisher`: the latest one
// when it matches and lies within reach, else a new one, taken right after
// the record in the same block. False when memory runs out.
bool share_title(IssueRecord* record, std::string_view title, std::string_view publisher) {
  std::int16_t steps = 0;
  SharedTitle* shared = latest_title;
  if (shared == nullptr || !is_same_title(*shared, title, publisher) ||
      !find_distance(record, shared, &steps)) {
    shared = new_shared_title(title, publisher);
    if (shared == nullptr) return false;
    if (!find_distance(record, shared, &steps)) {
      record_memory_give_back(shared);
      return false;
    }
    latest_title = shared;
  }
  ++shared->records;
  record->title_distance = steps;
  return true;
}

}  // namespace

bool attach_new_record(QueueNode* node, const RecordFields& fields) {
  auto cut = [&fields](std::string_view text, std::size_t width) {
    return fields.may_hold_nul ? cut_to_field(text, width) : text.substr(0, width - 1);
  };
  const std::string_view texts[] = {
      cut(fields.number, kNumberWidth), cut(fields.variant, kVariantWidth),
      cut(fields.printing, kPrintingWidth), cut(fields.nm_value, kNmValueWidth),
      cut(fields.notes, kNotesWidth)};
  const std::string_view title = cut(fields.title, kTitleWidth);
  const std::string_view publisher = cut(fields.publisher, kPublisherWidth);
  // Added one by one: a loop over the texts became vector loads of what was
  // just stored in halves, which the processor cannot forward.
  const std::size_t record_size = IssueRecord::kTextOffset + texts[0].size() + texts[1].size() +
                                  texts[2].size() + texts[3].size() + texts[4].size() + 5;
  // The record and the new shared title it may need come from one block, so
  // that the title is always within the record's reach (8 bytes more cover
  // the rounding of both).
  if (!record_memory_keep_together(record_size + shared_title_size(title, publisher) + 8)) {
    return false;
  }
  void* memory = record_memory_take_packed(record_size);
  if (memory == nullptr) return false;
  IssueRecord* record = new (memory) IssueRecord;
  if (!share_title(record, title, publisher)) {
    record_memory_give_back(record);
    return false;
  }
  char* at = record->text();
  for (std::string_view text : texts) at = put_field(at, text);
  record->number_value = numeric_value(record->number());
  node->payload = record;
  return true;
}

std::size_t join_issue_number(const IssueRecord& record, char* out) {
  const char* number = record.number();
  std::size_t length = std::strlen(number);
  std::memcpy(out, number, length);
  const char* variant = number + length + 1;
  std::size_t size = std::strlen(variant);
  if (size != 0) {
    out[length++] = '/';
    std::memcpy(out + length, variant, size);
    length += size;
  }
  const char* printing = variant + size + 1;
  size = std::strlen(printing);
  if (size != 0) {
    out[length++] = '-';
    std::memcpy(out + length, printing, size);
    length += size;
  }
  out[length] = '\0';
  return length;
}

QueueNode* new_record_node(const RecordFields& fields) {
  QueueNode* node = new_queue_node();
  if (node == nullptr) return nullptr;
  if (!attach_new_record(node, fields)) {
    free_queue_node(node);
    return nullptr;
  }
  return node;
}

void release_record_node(QueueNode* node) {
  if (node == nullptr) return;
  IssueRecord* record = record_of(node);
  release_shared_title(shared_title_of(record));
  record_memory_give_back(record);
  free_queue_node(node);
}

void release_record_queue(Queue* queue) {
  while (QueueNode* node = queue_pop_front(queue)) release_record_node(node);
}
