#ifndef QUORVANE_RECORDS_RECORD_MEMORY_H_
#define QUORVANE_RECORDS_RECORD_MEMORY_H_

#include <cstddef>

#include "records/queue.h"

// Records and the nodes that carry them are many, small and short-lived in
// bulk: a million-line export makes two million of them. Taking each from the
// general allocator costs more than reading the file, so they are carved from
// large blocks instead. A block goes back to the system once every object in
// it has been given back.

/// Returns `wanted` bytes (at most kRecordMemoryLargest), aligned for a
/// pointer, or null when memory runs out.
void* record_memory_take(std::size_t wanted);

/// Gives back an object taken with record_memory_take; null is ignored.
void record_memory_give_back(void* object);

/// The largest object record_memory_take hands out.
extern const std::size_t kRecordMemoryLargest;

/// Allocates a node with null links and no payload from the record blocks;
/// null when memory runs out. Every QueueNode of the program comes from here,
/// whatever it carries, so that every node goes back the same way.
QueueNode* new_queue_node();

/// Gives back a node of new_queue_node (not what it carries); null is ignored.
void free_queue_node(QueueNode* node);

#endif  // QUORVANE_RECORDS_RECORD_MEMORY_H_
