#include "front/driver.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdio>

#include "front/log_message.h"
#include "front/options.h"
#include "front/same_file.h"
#include "holes/title_analysis.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/title_grouping.h"
#include "report/report_writer.h"

namespace {

const char kRule[] = "--------------------------------------------------------";

void print_banner() {
  std::printf("\n%s\n", kRule);
  std::printf(" Quorvane Version %s\n", QUORVANE_VERSION);
  std::printf(" Copyright (c) 2026 The Quorvane developers\n");
  std::printf("%s\n\n", kRule);
}

// Opens the export for reading; a directory is no export.
std::FILE* open_input(const char* path) {
  std::FILE* input = std::fopen(path, "rb");
  if (input == nullptr) return nullptr;
  struct stat status;
  if (fstat(fileno(input), &status) != 0 || S_ISDIR(status.st_mode)) {
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
  std::FILE* output = nullptr;
};

void close_stream(std::FILE** stream) {
  if (*stream != nullptr) std::fclose(*stream);
  *stream = nullptr;
}

int abort_run(RunFiles* files, const char* message) {
  log_message("%s", message);
  close_stream(&files->input);
  close_stream(&files->output);
  close_log_file();
  return -1;
}

}  // namespace

int run_quorvane(int argc, char** argv) {
  // A console piped into a reader that quits early must not kill the run
  // halfway through writing the report.
  std::signal(SIGPIPE, SIG_IGN);
  print_banner();
  int exit_status = 0;
  if (!parse_options(argc, argv, &exit_status)) return exit_status;
  if (input_path.empty() || output_path.empty()) {
    std::printf("Must supply input and output files\n");
    return -1;
  }

  // The input is opened and checked before anything is created or truncated,
  // so that a mistyped name never costs the collector an earlier report.
  RunFiles files;
  files.input = open_input(input_path.c_str());
  if (files.input == nullptr) {
    std::printf("Couldn't open input file %s\n", input_path.c_str());
    return -1;
  }
  if (refuse_same_files()) {
    close_stream(&files.input);
    return -1;
  }
  files.output = std::fopen(output_path.c_str(), "wb");
  if (files.output == nullptr) {
    std::printf("Couldn't open output %s file\n", output_path.c_str());
    close_stream(&files.input);
    return -1;
  }
  log_file = std::fopen(log_path.c_str(), "wb");
  if (log_file == nullptr) {
    std::printf("Couldn't open log %s file\n", log_path.c_str());
    close_stream(&files.input);
    close_stream(&files.output);
    return -1;
  }

  log_message("Searching %s for holes less than %d issues\n\n", input_path.c_str(), size_limit);
  if (!read_record_set(files.input)) {
    return abort_run(&files, "\nCouldn't create record set; aborting\n");
  }
  if (!build_title_queues(&record_set)) {
    return abort_run(&files, "\nCouldn't parse record set into title queues; aborting\n");
  }
  analyse_titles();
  write_report(files.output);

  // A report that did not reach the disk whole is a failure, not a success.
  bool report_written = !std::ferror(files.output);
  report_written = std::fclose(files.output) == 0 && report_written;
  files.output = nullptr;
  if (!report_written) {
    std::string message = "\nCouldn't write output file " + output_path + "; aborting\n";
    return abort_run(&files, message.c_str());
  }

  close_stream(&files.input);
  // The console reports success only once the log holds the whole run.
  static const char kSuccess[] = "\nProcessing successful; exiting\n";
  flush_log_output();
  write_crlf_text(log_file, kSuccess, sizeof kSuccess - 1);
  bool log_written = close_log_file();
  if (!log_written) {
    std::printf("\nCouldn't write log file %s\n", log_path.c_str());
    return -1;
  }
  std::fputs(kSuccess, stdout);
  return 0;
}
