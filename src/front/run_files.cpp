#include "front/run_files.h"

#include "base/log_message.h"
#include "base/settings.h"
#include "platform/platform.h"
#include "report/same_file.h"

bool standard_streams_spare_input() {
  FileId input;
  if (input_path.empty() || !path_id(input_path, &input)) return true;
  bool is_input[3] = {false, false, false};
  for (FileHandle standard : {kStandardOutput, kStandardError}) {
    FileStatus status;
    is_input[standard] = handle_status(standard, &status) && status.id == input;
    if (is_input[standard]) mute_standard_stream(standard);
  }
  if (is_input[kStandardOutput] && !is_input[kStandardError]) {
    error_message("Couldn't use standard output: it is the input file\n");
  } else if (is_input[kStandardError] && !is_input[kStandardOutput]) {
    log_message("Couldn't use standard error: it is the input file\n");
  }
  return !is_input[kStandardOutput] && !is_input[kStandardError];
}

namespace {

// The export must survive a slip of the keyboard: neither the report nor the
// log may be written over it, nor the log over the report, by whatever names.
bool refuse_same_files(const FileIdentity& input, const FileIdentity& report,
                       const FileIdentity& log) {
  if (same_file(report, input)) {
    log_message("Couldn't use %s as output: it is the input file\n", output_path.c_str());
  } else if (same_file(log, input)) {
    log_message("Couldn't use %s as log: it is the input file\n", log_path.c_str());
  } else if (same_file(log, report)) {
    log_message("Couldn't use %s as log: it is the output file\n", log_path.c_str());
  } else {
    return false;
  }
  return true;
}

// Opens the log at `place` into `log_file`: emptied, and locked against
// another run that would write it at the same time. A log that is the file a
// standard stream goes to is written through that stream: a descriptor of its
// own would write over the console's text there, and the console over the log.
ReportCheck open_log(const Place& place) {
  FileStatus status;
  if (!place_status(place, &status)) return ReportCheck::kCannotWrite;
  for (FileHandle standard : {kStandardOutput, kStandardError}) {
    FileStatus stream;
    if (status.kind != FileKind::kMissing && handle_status(standard, &stream) &&
        stream.id == status.id) {
      // Standard error takes the log's own CR LF; standard output carries
      // the console's copy, which is the log's text already.
      if (standard == kStandardError) set_binary_stream(kStandardError, true);
      log_file = standard;
      start_log_file();
      return ReportCheck::kReady;
    }
  }
  const FileHandle log = open_for_writing(place, true);
  if (log == kNoFile) return ReportCheck::kCannotWrite;
  if (handle_status(log, &status) && status.kind == FileKind::kRegular) {
    ReportCheck check = ReportCheck::kReady;
    if (lock_file(log) == LockAnswer::kHeldElsewhere) {
      check = ReportCheck::kInUse;
    } else if (!truncate_file(log, 0)) {
      check = ReportCheck::kCannotWrite;
    }
    if (check != ReportCheck::kReady) {
      close_file(log);
      return check;
    }
  }
  log_file = log;
  start_log_file();
  return ReportCheck::kReady;
}

// Says on the console why the report (or, with `log`, the log) cannot be used.
bool refuse(ReportCheck check, bool log) {
  const char* name = log ? log_path.c_str() : output_path.c_str();
  if (check == ReportCheck::kInUse) {
    log_message("Couldn't use %s as %s: another run is using it\n", name, log ? "log" : "output");
  } else {
    log_message(log ? "Couldn't open log %s file\n" : "Couldn't open output %s file\n", name);
  }
  return false;
}

bool open_places(RunFiles* files, Place* log_place) {
  FileIdentity input;
  FileIdentity report;
  FileIdentity log;
  if (!open_place(output_path, &files->report.place) ||
      !identify_place(files->report.place, &report)) {
    return refuse(ReportCheck::kCannotWrite, false);
  }
  if (!open_place(log_path, log_place) || !identify_place(*log_place, &log)) {
    return refuse(ReportCheck::kCannotWrite, true);
  }
  if (!identify_file(handle_of(files->input), &input)) {
    return refuse(ReportCheck::kCannotWrite, false);
  }
  return !refuse_same_files(input, report, log);
}

}  // namespace

bool open_run_files(RunFiles* files) {
  // The input is opened and checked, and the report checked, before anything
  // is created or changed, so that a mistyped name never costs the collector
  // an earlier report.
  files->input = open_input(input_path);
  if (files->input == nullptr) {
    log_message("Couldn't open input file %s\n", input_path.c_str());
    return false;
  }
  Place log_place;
  bool opened = open_places(files, &log_place);
  if (opened) {
    const ReportCheck report = check_report_file(&files->report);
    opened = report == ReportCheck::kReady || refuse(report, false);
  }
  if (opened) {
    const ReportCheck log = open_log(log_place);
    opened = log == ReportCheck::kReady || refuse(log, true);
  }
  close_place(&log_place);
  if (!opened) close_run_files(files);
  return opened;
}

void close_run_files(RunFiles* files) {
  if (files->input != nullptr) std::fclose(files->input);
  files->input = nullptr;
  abandon_report_file(&files->report);
  close_log_file();
}
