#ifndef QUORVANE_HOLES_RUN_DETECTION_H_
#define QUORVANE_HOLES_RUN_DETECTION_H_

#include "records/queue.h"

/// The records kept for the report, over all titles, in the order kept.
extern Queue report_queue;

/// Cuts one title's split and ordered issue queue into runs of consecutive
/// numbers, rejects (and logs) the editions the collector evidently owns in
/// another form, and moves the records of each run whose span is below
/// `size_limit` to `report_queue`. Everything else is released; the issue
/// queue is empty on return.
void find_holes(Queue* issue_queue);

#endif  // QUORVANE_HOLES_RUN_DETECTION_H_
