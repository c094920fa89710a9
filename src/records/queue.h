#ifndef QUORVANE_RECORDS_QUEUE_H_
#define QUORVANE_RECORDS_QUEUE_H_

/// One element of a Queue. Its creator sets `payload` and leaves the links null.
struct QueueNode {
  QueueNode* next = nullptr;  ///< the node behind this one; null at the last node
  QueueNode* prev = nullptr;  ///< the node ahead of this one; null at the first node
  void* payload = nullptr;    ///< what the node carries; the queue never looks at it
};

/// A doubly linked first-in, first-out list. Empty exactly when `first` is null.
/// The queue never allocates or frees: nodes travel between queues by relinking.
struct Queue {
  QueueNode* first = nullptr;
  QueueNode* last = nullptr;
};

/// Adds `node` at the tail of `queue`, overwriting the node's links.
/// Does nothing when either is null.
void queue_append(Queue* queue, QueueNode* node);

/// Detaches and returns the first node with null links, or null when `queue`
/// is null or empty.
QueueNode* queue_pop_front(Queue* queue);

/// Takes `node`, which must be a member of `queue`, out of it wherever it stands.
/// The node keeps its own links, so a walker can still step on through `next`.
void queue_unlink(Queue* queue, QueueNode* node);

#endif  // QUORVANE_RECORDS_QUEUE_H_
