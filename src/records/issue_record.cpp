#include "records/issue_record.h"

#include <cstdlib>
#include <cstring>
#include <new>

std::string_view cut_to_field(std::string_view text, std::size_t width) {
  text = text.substr(0, width - 1);
  return text.substr(0, text.find('\0'));
}

namespace {

// Copies `text`, cut for a field of `width`, to `cursor` with its NUL and
// returns its offset; empty text shares offset 0.
std::uint16_t place_field(char* base, std::size_t* cursor, std::string_view text,
                          std::size_t width) {
  text = cut_to_field(text, width);
  if (text.empty()) return 0;
  std::size_t at = *cursor;
  std::memcpy(base + at, text.data(), text.size());
  base[at + text.size()] = '\0';
  *cursor = at + text.size() + 1;
  return static_cast<std::uint16_t>(at);
}

std::size_t stored_size(std::string_view text, std::size_t width) {
  std::size_t length = cut_to_field(text, width).size();
  return length == 0 ? 0 : length + 1;
}

}  // namespace

IssueRecord* new_issue_record(const RecordFields& fields) {
  // Offset 0 is the shared NUL of empty fields; at most 1 + 1229 + 7 bytes
  // follow, so every offset fits 16 bits.
  std::size_t text_size = 1 + stored_size(fields.title, kTitleWidth) +
                          stored_size(fields.publisher, kPublisherWidth) +
                          stored_size(fields.number, kNumberWidth) +
                          stored_size(fields.variant, kVariantWidth) +
                          stored_size(fields.printing, kPrintingWidth) +
                          stored_size(fields.nm_value, kNmValueWidth) +
                          stored_size(fields.notes, kNotesWidth);
  void* block = std::malloc(sizeof(IssueRecord) + text_size);
  if (block == nullptr) return nullptr;
  IssueRecord* record = new (block) IssueRecord;
  char* base = record->text();
  base[0] = '\0';
  std::size_t cursor = 1;
  record->title_at = place_field(base, &cursor, fields.title, kTitleWidth);
  record->publisher_at = place_field(base, &cursor, fields.publisher, kPublisherWidth);
  record->number_at = place_field(base, &cursor, fields.number, kNumberWidth);
  record->variant_at = place_field(base, &cursor, fields.variant, kVariantWidth);
  record->printing_at = place_field(base, &cursor, fields.printing, kPrintingWidth);
  record->nm_value_at = place_field(base, &cursor, fields.nm_value, kNmValueWidth);
  record->notes_at = place_field(base, &cursor, fields.notes, kNotesWidth);
  return record;
}

void free_issue_record(IssueRecord* record) { std::free(record); }

QueueNode* new_record_node(const RecordFields& fields) {
  QueueNode* node = new (std::nothrow) QueueNode;
  if (node == nullptr) return nullptr;
  node->payload = new_issue_record(fields);
  if (node->payload == nullptr) {
    delete node;
    return nullptr;
  }
  return node;
}

void release_record_node(QueueNode* node) {
  if (node == nullptr) return;
  free_issue_record(record_of(node));
  delete node;
}

void release_record_queue(Queue* queue) {
  while (QueueNode* node = queue_pop_front(queue)) release_record_node(node);
}
