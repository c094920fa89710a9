#include "records/title_grouping.h"

#include <cstring>
#include <new>

#include "base/log_message.h"
#include "base/process_state.h"
#include "records/issue_record.h"
#include "records/record_memory.h"

Queue title_queues;
std::size_t title_queue_count = 0;

namespace {

const StateReset title_queues_reset(release_title_queues);

// A new, empty issue queue on a node of its own at the tail of title_queues;
// null, after logging why, when memory runs out.
Queue* append_issue_queue() {
  void* memory = record_memory_take(sizeof(Queue));
  if (memory == nullptr) {
    log_message("Couldn't allocate memory for an issue queue\n");
    return nullptr;
  }
  Queue* issue_queue = new (memory) Queue;
  QueueNode* node = new_queue_node();
  if (node == nullptr) {
    record_memory_give_back(issue_queue);
    log_message("Couldn't allocate memory for a queue element\n");
    return nullptr;
  }
  node->payload = issue_queue;
  queue_append(&title_queues, node);
  ++title_queue_count;
  return issue_queue;
}

}  // namespace

bool build_title_queues(Queue* source) {
  // The current issue queue's title is its latest record's: that record stays
  // in the queue, so the text needs no copy. The first record always starts a
  // queue, even with an empty title, so that no record is left behind.
  Queue* current = nullptr;
  const char* current_title = nullptr;
  while (source->first != nullptr) {
    const char* title = record_of(source->first)->title();
    // Neighbouring records of one title mostly share its text: the same
    // address needs no comparison, and once two texts compare equal the
    // later one stands for both.
    if (current == nullptr || (title != current_title && std::strcmp(title, current_title) != 0)) {
      current = append_issue_queue();
      if (current == nullptr) return false;
    }
    current_title = title;
    queue_append(current, queue_pop_front(source));
  }
  return true;
}

void release_issue_queue_node(QueueNode* node) {
  Queue* issue_queue = static_cast<Queue*>(node->payload);
  release_record_queue(issue_queue);
  record_memory_give_back(issue_queue);
  free_queue_node(node);
}

void release_title_queues() {
  while (QueueNode* node = queue_pop_front(&title_queues)) release_issue_queue_node(node);
  title_queue_count = 0;
}
