#ifndef QUORVANE_RECORDS_RECORD_MEMORY_H_
#define QUORVANE_RECORDS_RECORD_MEMORY_H_

#include <cstddef>

#include "records/queue.h"

// Records and the nodes that carry them are many, small and short-lived in
// bulk: a million-line export makes two million of them. Taking each from the
// general allocator costs more than reading the file, so they are carved from
// large blocks instead. A block whose objects have all been given back is
// used again, and its memory stays the process's.
//
// Objects that hold pointers are carved from the bottom of a block, aligned
// for a pointer; records and their shared titles, which hold nothing wider
// than 32 bits, from its top, aligned for that only: the records of an
// export lose a sixteenth of their memory less to alignment so.

/// Returns `wanted` bytes (at most kRecordMemoryLargest), aligned for a
/// pointer, or null when memory runs out.
void* record_memory_take(std::size_t wanted);

/// Returns `wanted` bytes (at most kRecordMemoryLargest), aligned for a 32-bit
/// integer, or null when memory runs out. Objects taken one after the other
/// so lie next to each other, downwards, unless a new block had to be begun.
void* record_memory_take_packed(std::size_t wanted);

/// Makes sure that packed objects of `bytes` bytes in all, taken next, come
/// from the block in use; false when memory runs out.
bool record_memory_keep_together(std::size_t bytes);

/// Gives back an object taken with record_memory_take or
/// record_memory_take_packed; null is ignored.
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
