#include "process_state.h"

#include "front/getopt.h"
#include "base/log_message.h"
#include "base/settings.h"
#include "holes/run_detection.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/separator_scan.h"
#include "records/title_grouping.h"

void reset_process_state() {
  my_getopt_reset();
  reset_settings();
  release_record_queue(&record_set);
  release_title_queues();
  release_record_queue(&report_queue);
  choose_scan_path(default_scan_path());
  close_log_file();
}
