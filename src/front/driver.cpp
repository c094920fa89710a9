#include "front/driver.h"

#include <cstdio>
#include <new>
#include <string>

#include "base/log_message.h"
#include "front/options.h"
#include "holes/run_detection.h"
#include "holes/title_analysis.h"
#include "platform/platform.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/title_grouping.h"
#include "report/report_file.h"
#include "report/report_writer.h"
#include "report/same_file.h"

namespace {

const char kRule[] = "--------------------------------------------------------";

void print_banner() {
  std::printf("\n%s\n", kRule);
  std::printf(" Quorvane Version %s\n", QUORVANE_VERSION);
  std::printf(" Copyright (c) 2026 The Quorvane developers\n");
  std::printf("%s\n\n", kRule);
}

// Opens the export for reading; a directory is no export.
std::FILE* open_input(const std::string& path) {
  std::FILE* input = open_file(path, "rb");
  if (input != nullptr && is_directory_stream(input)) {
    std::fclose(input);
    return nullptr;
  }
  return input;
}

// Refuses to write over the input, or the log over the report: the collector's
// export must survive a slip of the keyboard.
bool refuse_same_files() {
  if (same_file(output_path, input_path)) {
    std::printf("Couldn't use %s as output: it is the input file\n", output_path.c_str());
    return true;
  }
  if (same_file(log_path, input_path)) {
    std::printf("Couldn't use %s as log: it is the input file\n", log_path.c_str());
    return true;
  }
  if (same_file(log_path, output_path)) {
    std::printf("Couldn't use %s as log: it is the output file\n", log_path.c_str());
    return true;
  }
  return false;
}

// The export and the report of a run (the log is `log_file`); closing takes
// null in its stride.
struct RunFiles {
  std::FILE* input = nullptr;
  ReportFile report;
};

void close_stream(std::FILE** stream) {
  if (*stream != nullptr) std::fclose(*stream);
  *stream = nullptr;
}

// Closes what a failed run opened; the earlier report, if any, stays as it was.
int fail_run(RunFiles* files) {
  close_stream(&files->input);
  abandon_report_file(&files->report);
  close_log_file();
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
  std::printf("\nCouldn't write log file %s\n", log_path.c_str());
  return -1;
}

// Opens the log. A log named like the file a standard stream goes to is
// written through that stream: a stream of its own would write over the
// console's text there, and the console over the log.
std::FILE* open_log(const std::string& path) {
  std::FILE* standard = standard_stream_of(file_path(path));
  if (standard == nullptr) return open_file(path, "wb");
  // Standard error takes the log's own CR LF; standard output carries the
  // console's copy, which is the log's text already.
  if (standard == stderr) set_binary_stream(stderr, true);
  return standard;
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

// Writes the report to its stream and puts it on the disk; false when any of
// it failed.
bool write_report_file(ReportFile* report) {
  std::FILE* output = begin_report_file(report);
  if (output == nullptr) {
    release_record_queue(&report_queue);
    return false;
  }
  write_report(output);
  return close_report_file(report);
}

const char kWriteFailed[] = "\nCouldn't write output file %s; aborting\n";

// The run once the banner is out. Returns the driver's exit status.
int run_stages(int argc, char** argv, RunFiles* files) {
  int exit_status = 0;
  if (!parse_options(argc, argv, &exit_status)) return exit_status;
  if (input_path.empty() || output_path.empty()) {
    std::printf("Must supply input and output files\n");
    return -1;
  }

  // The input is opened and checked, and the report checked, before anything
  // is created or changed, so that a mistyped name never costs the collector
  // an earlier report.
  files->input = open_input(input_path);
  if (files->input == nullptr) {
    std::printf("Couldn't open input file %s\n", input_path.c_str());
    return -1;
  }
  if (refuse_same_files()) {
    close_stream(&files->input);
    return -1;
  }
  if (!check_report_file(output_path, &files->report)) {
    std::printf("Couldn't open output %s file\n", output_path.c_str());
    close_stream(&files->input);
    return -1;
  }
  log_file = open_log(log_path);
  if (log_file == nullptr) {
    std::printf("Couldn't open log %s file\n", log_path.c_str());
    close_stream(&files->input);
    abandon_report_file(&files->report);
    return -1;
  }

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

  // The log holds the run's success before the report takes its place, so
  // that a log that cannot be written leaves the earlier report. Should the
  // report then not take its place, the success line is taken back where the
  // log can be cut (a pipe or a device cannot).
  static const char kSuccess[] = "\nProcessing successful; exiting\n";
  flush_log_output();  // the log's size counts every message
  const long log_size = std::ftell(log_file);
  write_to_log(kSuccess);
  if (std::fflush(log_file) != 0 || std::ferror(log_file)) return fail_on_log(files);
  if (!stage_succeeded([files] { return place_report_file(&files->report); })) {
    if (log_size >= 0) truncate_stream(log_file, log_size);
    return abort_run(files, kWriteFailed, output_path.c_str());
  }

  close_stream(&files->input);
  // The console reports success only once the log holds the whole run.
  if (!close_log_file()) return fail_on_log(files);
  std::fputs(kSuccess, stdout);
  return 0;
}

}  // namespace

int run_quorvane(int argc, char** argv) {
  // Started with a standard stream closed, the run's own files would take its
  // descriptor, and console text would land in them.
  open_standard_streams();
  // A console piped into a reader that quits early, or a file-size limit,
  // must not kill the run halfway through writing the report: the write
  // fails, and the run cleans up after it.
  ignore_write_signals();
  print_banner();
  RunFiles files;
  try {
    use_utf8_arguments(&argc, &argv);
    return run_stages(argc, argv, &files);
  } catch (const std::bad_alloc&) {
    // Memory ran out outside the stages: taking the arguments, reading the
    // options or checking the files.
    return abort_run(&files, "\nCouldn't allocate memory; aborting\n");
  }
}
