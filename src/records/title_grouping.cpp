#include "records/title_grouping.h"

#include <cstring>
#include <new>

#include "front/log_message.h"
#include "records/issue_record.h"

Queue title_queues;

bool build_title_queues(Queue* source) {
  // The current issue queue's title is its first record's: that record stays
  // in the queue, so the text needs no copy. The first record always starts a
  // queue, even with an empty title, so that no record is left behind.
  Queue* current = nullptr;
  const char* current_title = nullptr;
  while (source->first != nullptr) {
    IssueRecord* record = record_of(source->first);
    if (current == nullptr || std::strcmp(record->title(), current_title) != 0) {
      Queue* issue_queue = new (std::nothrow) Queue;
      if (issue_queue == nullptr) {
        log_message("Couldn't allocate memory for an issue queue\n");
        return false;
      }
      QueueNode* node = new (std::nothrow) QueueNode;
      if (node == nullptr) {
        delete issue_queue;
        log_message("Couldn't allocate memory for a queue element\n");
        return false;
      }
      node->payload = issue_queue;
      queue_append(&title_queues, node);
      current = issue_queue;
      current_title = record->title();
    }
    queue_append(current, queue_pop_front(source));
  }
  return true;
}

void release_title_queues() {
  while (QueueNode* node = queue_pop_front(&title_queues)) {
    Queue* issue_queue = static_cast<Queue*>(node->payload);
    release_record_queue(issue_queue);
    delete issue_queue;
    delete node;
  }
}
