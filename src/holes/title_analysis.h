#ifndef QUORVANE_HOLES_TITLE_ANALYSIS_H_
#define QUORVANE_HOLES_TITLE_ANALYSIS_H_

#include "records/queue.h"

/// Analyses the issue queues of `title_queues` one after the other, taking
/// each off in turn: logs "Processing <title>", splits and orders its numbers,
/// finds its holes (its records go to `report_queue` or are released), and
/// releases the emptied queue with its node. `after_split`, when given, sees
/// each queue between the split and the hole finding.
void analyse_titles(void (*after_split)(const Queue& issue_queue) = nullptr);

#endif  // QUORVANE_HOLES_TITLE_ANALYSIS_H_
