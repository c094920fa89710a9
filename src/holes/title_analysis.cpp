#include "holes/title_analysis.h"

#include "base/log_message.h"
#include "holes/issue_number_split.h"
#include "holes/run_detection.h"
#include "platform/platform.h"
#include "records/issue_record.h"
#include "records/title_grouping.h"

void analyse_titles(void (*after_split)(const Queue& issue_queue)) {
  const std::size_t total = title_queue_count;
  std::size_t done = 0;
  while (QueueNode* node = queue_pop_front(&title_queues)) {
    Queue* issue_queue = static_cast<Queue*>(node->payload);
    // Grouping never makes an empty issue queue.
    log_message("Processing %s\n", record_of(issue_queue->first)->title());
    split_issue_numbers(issue_queue);
    if (after_split != nullptr) after_split(*issue_queue);
    find_holes(issue_queue);
    release_issue_queue_node(node);
    show_progress(Progress::kAnalysing, ++done, total);
  }
  title_queue_count = 0;
}
