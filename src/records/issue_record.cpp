#include "records/issue_record.h"

#include <cstring>
#include <new>

#include "records/record_memory.h"

std::string_view cut_to_field(std::string_view text, std::size_t width) {
  text = text.substr(0, width - 1);
  if (text.empty()) return text;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? text : text.substr(0, static_cast<const char*>(nul) - text.data());
}

namespace {

// Copies `text` with its NUL to `base` + `*cursor` and returns its offset;
// empty text shares offset 0.
std::uint16_t place_field(char* base, std::size_t* cursor, std::string_view text) {
  if (text.empty()) return 0;
  std::size_t at = *cursor;
  std::memcpy(base + at, text.data(), text.size());
  base[at + text.size()] = '\0';
  *cursor = at + text.size() + 1;
  return static_cast<std::uint16_t>(at);
}

}  // namespace

IssueRecord* new_issue_record(const RecordFields& fields) {
  const std::string_view cut[] = {
      cut_to_field(fields.title, kTitleWidth),       cut_to_field(fields.publisher, kPublisherWidth),
      cut_to_field(fields.number, kNumberWidth),     cut_to_field(fields.variant, kVariantWidth),
      cut_to_field(fields.printing, kPrintingWidth), cut_to_field(fields.nm_value, kNmValueWidth),
      cut_to_field(fields.notes, kNotesWidth)};
  // Offset 0 is the shared NUL of empty fields; at most 1 + 1229 + 7 bytes
  // follow, so every offset fits 16 bits.
  std::size_t text_size = 1;
  for (std::string_view text : cut) text_size += text.empty() ? 0 : text.size() + 1;
  void* block = record_memory_take(sizeof(IssueRecord) + text_size);
  if (block == nullptr) return nullptr;
  IssueRecord* record = new (block) IssueRecord;
  char* base = record->text();
  base[0] = '\0';
  std::size_t cursor = 1;
  record->title_at = place_field(base, &cursor, cut[0]);
  record->publisher_at = place_field(base, &cursor, cut[1]);
  record->number_at = place_field(base, &cursor, cut[2]);
  record->variant_at = place_field(base, &cursor, cut[3]);
  record->printing_at = place_field(base, &cursor, cut[4]);
  record->nm_value_at = place_field(base, &cursor, cut[5]);
  record->notes_at = place_field(base, &cursor, cut[6]);
  return record;
}

std::size_t join_issue_number(const IssueRecord& record, char* out) {
  std::size_t length = 0;
  auto append = [&](const char* text) {
    std::size_t size = std::strlen(text);
    std::memcpy(out + length, text, size);
    length += size;
  };
  append(record.number());
  if (*record.variant() != '\0') {
    out[length++] = '/';
    append(record.variant());
  }
  if (*record.printing() != '\0') {
    out[length++] = '-';
    append(record.printing());
  }
  out[length] = '\0';
  return length;
}

void free_issue_record(IssueRecord* record) { record_memory_give_back(record); }

QueueNode* new_record_carrier() {
  void* memory = record_memory_take(sizeof(QueueNode));
  return memory == nullptr ? nullptr : new (memory) QueueNode;
}

QueueNode* new_record_node(const RecordFields& fields) {
  QueueNode* node = new_record_carrier();
  if (node == nullptr) return nullptr;
  node->payload = new_issue_record(fields);
  if (node->payload == nullptr) {
    record_memory_give_back(node);
    return nullptr;
  }
  return node;
}

void release_record_node(QueueNode* node) {
  if (node == nullptr) return;
  free_issue_record(record_of(node));
  record_memory_give_back(node);
}

void release_record_queue(Queue* queue) {
  while (QueueNode* node = queue_pop_front(queue)) release_record_node(node);
}
