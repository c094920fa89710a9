#include "front/driver.h"

#include <new>
#include <string>

#include "base/log_message.h"
#include "base/process_state.h"
#include "base/settings.h"
#include "front/options.h"
#include "front/run_files.h"
#include "front/scan_path_variable.h"
#include "holes/run_detection.h"
#include "holes/title_analysis.h"
#include "platform/platform.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/title_grouping.h"
#include "report/report_format.h"
#include "report/report_placement.h"

namespace {

const char kRule[] = "--------------------------------------------------------";

void print_banner() {
  log_message("\n%s\n", kRule);
  log_message(" Quorvane Version %s\n", QUORVANE_VERSION);
  log_message(" Copyright (c) 2026 The Quorvane developers\n");
  log_message("%s\n\n", kRule);
}

// Closes what a failed run opened; the earlier report, if any, stays as it was.
int fail_run(RunFiles* files) {
  close_run_files(files);
  return -1;
}

// Ends a failed run with `message` (a format of one %s, `value`).
int abort_run(RunFiles* files, const char* message, const char* value = "") {
  log_message(message, value);
  return fail_run(files);
}

// Ends a run whose log could not be written; the console alone can say so.
int fail_on_log(RunFiles* files) {
  fail_run(files);
  log_message("\nCouldn't write log file %s\n", log_path.c_str());
  return -1;
}

// Running out of memory anywhere in a stage is that stage's failure, like
// any other: what was logged stays, and the run ends with the stage's
// message. (The stages and what they call keep nothing half done that the
// end of the run would need.)
template <typename Stage>
bool stage_succeeded(Stage stage) {
  try {
    return stage();
  } catch (const std::bad_alloc&) {
    log_message("Error: Couldn't allocate memory\n");
    return false;
  }
}

// Writes the report to its file and puts it on the disk; false when any of
// it failed.
bool write_report_file(ReportFile* report) {
  if (!begin_report_file(report)) {
    release_record_queue(&report_queue);
    return false;
  }
  const bool written = write_report(report->stream);
  return close_report_file(report) && written;
}

const char kWriteFailed[] = "\nCouldn't write output file %s; aborting\n";
const char kSuccess[] = "\nProcessing successful; exiting\n";

// What an interruption finds: the run's files, whether the console may be
// written, the log's size before its success line, if that is written, and
// whether the report has taken its place already.
RunFiles* volatile interrupted_files = nullptr;
volatile bool console_checked = false;
volatile std::uint64_t log_before_success = 0;
volatile bool success_logged = false;
volatile bool report_placed = false;

// Cuts the log back to `size`, where a log can be cut: a file of its own (a
// pipe or a device cannot be, and the file a standard stream goes to holds
// more than the log).
void take_back_log(std::uint64_t size) {
  FileStatus log;
  if (log_file != kStandardOutput && log_file != kStandardError &&
      handle_status(log_file, &log) && log.kind == FileKind::kRegular) {
    truncate_file(log_file, size);
  }
}

// Removes the temporary report and says what the run had logged, and that
// it was interrupted; only what a signal handler may do.
void clean_up_interrupted_run() {
  if (interrupted_files != nullptr) remove_temporary_report(&interrupted_files->report);
  if (!console_checked) return;  // the console may be the export
  if (!report_placed && !(interrupted_files != nullptr && interrupted_files->report.placed)) {
    if (success_logged) take_back_log(log_before_success);
    log_message("\nRun interrupted; aborting\n");
  }
  flush_log_output();
}

// The end of a run whose report is written: the log holds the run's success,
// on the disk, before the report takes its place, so that a log that cannot
// be written, or a power cut, leaves the earlier report. Should the report
// then not take its place, the success line is taken back where the log can
// be cut (a pipe or a device cannot).
int finish_run(RunFiles* files) {
  if (!flush_log_output()) return fail_on_log(files);
  log_before_success = log_size();
  success_logged = true;
  if (!write_to_log(kSuccess) || !sync_log_file()) return fail_on_log(files);
  if (!stage_succeeded([files] { return place_report_file(&files->report); })) {
    take_back_log(log_before_success);
    return abort_run(files, kWriteFailed, output_path.c_str());
  }
  report_placed = true;
  const bool logged_whole = close_log_file();
  close_run_files(files);
  // The console reports success only once the log holds the whole run.
  if (!logged_whole) {
    log_message("\nCouldn't write log file %s\n", log_path.c_str());
    return -1;
  }
  log_message(kSuccess);
  return 0;
}

// Lets the console's text go out, held back until now (however long a
// command line's diagnostics) in case a standard stream is open on the
// export: such a stream has dropped its text. False when one was.
bool release_console() {
  const bool spared = standard_streams_spare_input();
  hold_console(false);
  console_checked = true;
  flush_log_output();
  return spared;
}

// The run once the banner is gathered. Returns the driver's exit status.
int run_stages(int argc, char** argv, RunFiles* files) {
  int exit_status = 0;
  const bool go_on = parse_options(argc, argv, &exit_status);
  if (!release_console()) return -1;
  if (!go_on) return exit_status;
  if (input_path.empty() || output_path.empty()) {
    log_message("Must supply input and output files\n");
    return -1;
  }
  if (!open_run_files(files)) return -1;

  log_message("Searching %s for holes less than %d issues\n\n", input_path.c_str(), size_limit);
  if (!stage_succeeded([files] { return read_record_set(files->input, ignore_types); })) {
    return abort_run(files, "\nCouldn't create record set; aborting\n");
  }
  if (!stage_succeeded([] { return build_title_queues(&record_set); })) {
    return abort_run(files, "\nCouldn't parse record set into title queues; aborting\n");
  }
  if (!stage_succeeded([] { return analyse_titles(), true; })) {
    return abort_run(files, "\nCouldn't analyse title queues; aborting\n");
  }
  // The report replaces the earlier one only when every byte of it reached
  // the disk, and only when the log can still record the run's success.
  if (!stage_succeeded([files] { return write_report_file(&files->report); })) {
    return abort_run(files, kWriteFailed, output_path.c_str());
  }
  return finish_run(files);
}

}  // namespace

int run_quorvane(int argc, char** argv) {
  prepare_process();
  RunFiles files;
  interrupted_files = &files;
  console_checked = false;
  success_logged = false;
  report_placed = false;
  catch_interruptions(clean_up_interrupted_run);
  hold_console(true);
  print_banner();
  int status;
  try {
    use_utf8_arguments(&argc, &argv);
    status = run_stages(argc, argv, &files);
  } catch (const std::bad_alloc&) {
    // Memory ran out outside the stages: taking the arguments, reading the
    // options or checking the files.
    if (!console_checked) release_console();
    status = abort_run(&files, "\nCouldn't allocate memory; aborting\n");
  }
  flush_log_output();
  interrupted_files = nullptr;
  return status;
}

int quorvane_main(int argc, char** argv) {
  reset_process_state();
  use_utf8_console();
  // A scan path that QUORVANE_SCAN_PATH names wrongly stops the tool before
  // its banner and before it touches any file.
  if (!use_scan_path_variable()) return 255;
  return run_quorvane(argc, argv) == 0 ? 0 : 255;
}
