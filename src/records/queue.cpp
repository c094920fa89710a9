#include "records/queue.h"

void queue_append(Queue* queue, QueueNode* node) {
  if (queue == nullptr || node == nullptr) return;
  node->next = nullptr;
  node->prev = queue->last;
  if (queue->first == nullptr) {
    queue->first = node;
  } else {
    queue->last->next = node;
  }
  queue->last = node;
}

QueueNode* queue_pop_front(Queue* queue) {
  if (queue == nullptr || queue->first == nullptr) return nullptr;
  QueueNode* node = queue->first;
  queue->first = node->next;
  if (queue->first != nullptr) {
    queue->first->prev = nullptr;
  } else {
    queue->last = nullptr;
  }
  node->next = nullptr;
  node->prev = nullptr;
  return node;
}

void queue_unlink(Queue* queue, QueueNode* node) {
  if (node->prev == nullptr) {
    queue->first = node->next;
  } else {
    node->prev->next = node->next;
  }
  if (node->next == nullptr) {
    queue->last = node->prev;
  } else {
    node->next->prev = node->prev;
  }
}
