#ifndef QUORVANE_RECORDS_TITLE_GROUPING_H_
#define QUORVANE_RECORDS_TITLE_GROUPING_H_

#include <cstddef>

#include "records/queue.h"

/// One node per title run; each payload is an issue queue (a Queue of
/// IssueRecord) holding that title's records in file order.
extern Queue title_queues;

/// How many issue queues grouping has put on `title_queues` since it was last
/// emptied (for a page that shows the analysis's progress).
extern std::size_t title_queue_count;

/// Empties `source` into `title_queues`, starting a new issue queue whenever a
/// record's title differs (byte for byte) from the one before it. Returns
/// false, after logging why, when memory runs out; what was not moved stays.
bool build_title_queues(Queue* source);

/// Releases a detached node of `title_queues` with its issue queue and every
/// record left in it.
void release_issue_queue_node(QueueNode* node);

/// Releases every issue queue of `title_queues` with all its records.
void release_title_queues();

#endif  // QUORVANE_RECORDS_TITLE_GROUPING_H_
