#include "holes/run_detection.h"

#include "base/log_message.h"
#include "base/settings.h"
#include "base/numeric_value.h"
#include "base/process_state.h"
#include "records/issue_record.h"

Queue report_queue;

namespace {
const StateReset report_queue_reset([] { release_record_queue(&report_queue); });
}  // namespace

namespace {

// Values are widened so that value + 1 and spans cannot overflow.
long long number_value(const QueueNode* node) { return record_of(node)->number_value; }

// A record's printing as rule 2 looks at it.
struct Printing {
  bool present;
  long long value;
};

Printing printing_of(const QueueNode* node) {
  const char* printing = record_of(node)->printing();
  return Printing{printing[0] != '\0', numeric_value(printing)};
}

// A variant or printing with no plain issue of its number ahead of it in the
// run means the plain issue is owned. Ordering puts the plain issue first, so
// a number without it loses every edition, one after the other.
void reject_owned_originals(Queue* run) {
  QueueNode* node = run->first;
  while (node != nullptr) {
    QueueNode* next = node->next;
    const IssueRecord* record = record_of(node);
    if (record->is_edition() &&
        (node->prev == nullptr || number_value(node->prev) != number_value(node))) {
      char number[kJoinedNumberSize];
      join_issue_number(*record, number);
      log_message("\tRejecting issue %s (original owned)\n", number);
      queue_unlink(run, node);
      release_record_node(node);
    }
    node = next;
  }
}

// True when two neighbouring printings of the group from `first` to `last` are
// not consecutive: the printing in between is owned.
bool printings_break(const QueueNode* first, const QueueNode* last) {
  Printing printing = printing_of(first);
  for (const QueueNode* node = first; node != last; node = node->next) {
    const Printing next = printing_of(node->next);
    if (printing.present && next.present && next.value != printing.value + 1) return true;
    printing = next;
  }
  return false;
}

void reject_owned_printings(Queue* run) {
  QueueNode* node = run->first;
  while (node != nullptr) {
    long long value = number_value(node);
    QueueNode* last = node;
    while (last->next != nullptr && number_value(last->next) == value) last = last->next;
    QueueNode* after = last->next;
    if (last != node && printings_break(node, last)) {
      while (node != after) {
        QueueNode* next = node->next;
        queue_unlink(run, node);
        const IssueRecord* record = record_of(node);
        char number[kJoinedNumberSize];
        join_issue_number(*record, number);
        log_message("\tRejecting issue %s %s (own a printing)\n", record->title(), number);
        release_record_node(node);
        node = next;
      }
    }
    node = after;
  }
}

}  // namespace

void find_holes(Queue* issue_queue) {
  while (QueueNode* current = queue_pop_front(issue_queue)) {
    Queue run;
    // Whether the rules have anything to look at: rule 1 only editions, rule
    // 2 only numbers of two records or more. A long run of plain issues,
    // common in a collector's export, then costs one walk instead of three.
    bool editions = false;
    bool shared_numbers = false;
    while (issue_queue->first != nullptr) {
      long long value = number_value(current);
      long long next_value = number_value(issue_queue->first);
      if (next_value != value && next_value != value + 1) break;
      editions = editions || record_of(current)->is_edition();
      shared_numbers = shared_numbers || next_value == value;
      queue_append(&run, current);
      current = queue_pop_front(issue_queue);
    }
    editions = editions || record_of(current)->is_edition();
    queue_append(&run, current);
    // The span is fixed before any rejection: a rejected end still counts.
    long long span = number_value(run.last) - number_value(run.first);
    if (editions) reject_owned_originals(&run);
    // Taking records out never makes two of one number neighbours where
    // there were none: the numbers of a run rise by 0 or 1 at each step.
    if (shared_numbers) reject_owned_printings(&run);
    if (span < size_limit) {
      while (QueueNode* node = queue_pop_front(&run)) queue_append(&report_queue, node);
    } else {
      release_record_queue(&run);
    }
  }
}
