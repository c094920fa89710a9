#ifndef QUORVANE_RECORDS_ISSUE_RECORD_H_
#define QUORVANE_RECORDS_ISSUE_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "records/queue.h"

// Field widths in bytes. A field of width w holds at most w - 1 characters;
// longer text is cut at the width.
constexpr std::size_t kTitleWidth = 135;
constexpr std::size_t kPublisherWidth = 40;
constexpr std::size_t kNumberWidth = 15;
constexpr std::size_t kVariantWidth = 15;
constexpr std::size_t kPrintingWidth = 15;
constexpr std::size_t kNmValueWidth = 15;
constexpr std::size_t kNotesWidth = 1000;

/// One missing issue. The fields are zero-terminated texts kept in the bytes
/// right behind this header, so that a record costs what its text needs rather
/// than its widest possible fields. Each `*_at` member is the offset of a
/// field's text in those bytes; offset 0 holds the NUL that every empty field
/// points at. Read the fields through the accessors.
struct IssueRecord {
  std::uint16_t title_at;
  std::uint16_t publisher_at;
  std::uint16_t number_at;
  std::uint16_t variant_at;
  std::uint16_t printing_at;
  std::uint16_t nm_value_at;
  std::uint16_t notes_at;

  char* text() { return reinterpret_cast<char*>(this + 1); }
  const char* text() const { return reinterpret_cast<const char*>(this + 1); }

  const char* title() const { return text() + title_at; }
  const char* publisher() const { return text() + publisher_at; }
  const char* number() const { return text() + number_at; }
  const char* variant() const { return text() + variant_at; }
  const char* printing() const { return text() + printing_at; }
  const char* nm_value() const { return text() + nm_value_at; }
  const char* notes() const { return text() + notes_at; }
};

/// Room for an issue number joined with its variant and printing, NUL included.
constexpr std::size_t kJoinedNumberSize = kNumberWidth + kVariantWidth + kPrintingWidth;

/// Writes the number as the report and the log show it into `out`
/// (kJoinedNumberSize bytes): `number`, then "/" and the variant if there is
/// one, then "-" and the printing if there is one. Returns its length.
std::size_t join_issue_number(const IssueRecord& record, char* out);

/// The texts a new record is made of. Each is cut at its field's width, and at
/// a NUL byte, which ends a zero-terminated field.
struct RecordFields {
  std::string_view title = {};
  std::string_view publisher = {};
  std::string_view number = {};
  std::string_view variant = {};
  std::string_view printing = {};
  std::string_view nm_value = {};
  std::string_view notes = {};
};

/// Returns `text` cut to the at most `width` - 1 characters a field of that
/// width holds, and before its first NUL byte.
std::string_view cut_to_field(std::string_view text, std::size_t width);

/// Allocates a record holding `fields`; null when memory runs out.
IssueRecord* new_issue_record(const RecordFields& fields);

/// Frees a record made by new_issue_record; null is ignored.
void free_issue_record(IssueRecord* record);

/// Allocates a node with null links and no payload, to carry a record; null
/// when memory runs out. Release it with release_record_node.
QueueNode* new_record_carrier();

/// The record that `node` carries.
inline IssueRecord* record_of(const QueueNode* node) {
  return static_cast<IssueRecord*>(node->payload);
}

/// Allocates a detached node carrying a new record holding `fields`. Null when
/// memory runs out (nothing leaks).
QueueNode* new_record_node(const RecordFields& fields);

/// Frees a detached node together with the record it carries.
void release_record_node(QueueNode* node);

/// Releases every node of `queue` with its record; the queue is empty afterwards.
void release_record_queue(Queue* queue);

#endif  // QUORVANE_RECORDS_ISSUE_RECORD_H_
