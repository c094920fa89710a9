#ifndef QUORVANE_RECORDS_ISSUE_RECORD_H_
#define QUORVANE_RECORDS_ISSUE_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
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

/// The title and publisher of a stretch of records that share them, as the
/// records of one title in an export do: kept once instead of in every record.
/// Texts: the title and the publisher, zero-terminated, right behind this header.
struct SharedTitle {
  std::uint32_t records;         ///< records that use it; it is freed with the last
  std::uint16_t publisher_at;    ///< offset of the publisher's text (the title's length + 1)
  std::uint16_t publisher_size;  ///< the publisher's length

  const char* title() const { return reinterpret_cast<const char*>(this + 1); }
  const char* publisher() const { return title() + publisher_at; }
  std::string_view title_text() const { return std::string_view(title(), publisher_at - 1u); }
  std::string_view publisher_text() const { return std::string_view(publisher(), publisher_size); }
};

/// One missing issue. Its own texts follow its two numbers as five
/// zero-terminated fields in a row: number, variant, printing, NM value, notes
/// (an empty field is its NUL alone), so that a record costs what its text
/// needs rather than its widest possible fields. The title and publisher are
/// shared with the neighbouring records of the same title. Read the fields
/// through the accessors.
struct IssueRecord {
  /// The numeric value of `number` (numeric_value), kept current by whoever
  /// changes the number, so that nobody needs to parse it again.
  std::int32_t number_value;
  /// Where the record's SharedTitle lies, counted in 4-byte steps from the
  /// record: a record and its title are never far apart, and the record is
  /// the biggest structure of a run.
  std::int16_t title_distance;

  /// Where the texts begin: right behind the two numbers.
  static constexpr std::size_t kTextOffset = 6;

  char* text() { return reinterpret_cast<char*>(this) + kTextOffset; }
  const char* text() const { return reinterpret_cast<const char*>(this) + kTextOffset; }

  const SharedTitle* shared_title() const {
    return reinterpret_cast<const SharedTitle*>(reinterpret_cast<std::uintptr_t>(this) +
                                                static_cast<std::intptr_t>(title_distance) * 4);
  }
  const char* title() const { return shared_title()->title(); }
  const char* publisher() const { return shared_title()->publisher(); }
  const char* number() const { return text(); }
  const char* variant() const { return field_after(number()); }
  const char* printing() const { return field_after(variant()); }
  const char* nm_value() const { return field_after(printing()); }
  const char* notes() const { return field_after(nm_value()); }
  /// Whether the record is a variant or a printing rather than a plain issue.
  bool is_edition() const {
    const char* variant_text = variant();
    // An empty variant is its NUL alone, and the printing follows it.
    return variant_text[0] != '\0' || variant_text[1] != '\0';
  }

  /// The field that follows `field` in the record's texts.
  static const char* field_after(const char* field) { return field + std::strlen(field) + 1; }
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
  /// False when the caller knows that no text holds a NUL byte, which spares
  /// looking for one.
  bool may_hold_nul = true;
};

/// Returns `text` cut to the at most `width` - 1 characters a field of that
/// width holds, and before its first NUL byte.
std::string_view cut_to_field(std::string_view text, std::size_t width);

/// The record that `node` carries.
inline IssueRecord* record_of(const QueueNode* node) {
  return static_cast<IssueRecord*>(node->payload);
}

/// Makes a new record holding `fields` the payload of `node`, which carries
/// nothing yet. The record shares the title of the record made before it when
/// title and publisher are the same. False when memory runs out.
bool attach_new_record(QueueNode* node, const RecordFields& fields);

/// Allocates a detached node (new_queue_node) carrying a new record holding
/// `fields`, as attach_new_record makes it. Null when memory runs out
/// (nothing leaks).
QueueNode* new_record_node(const RecordFields& fields);

/// Frees a detached node together with the record it carries.
void release_record_node(QueueNode* node);

/// Releases every node of `queue` with its record; the queue is empty afterwards.
void release_record_queue(Queue* queue);

#endif  // QUORVANE_RECORDS_ISSUE_RECORD_H_
