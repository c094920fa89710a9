#ifndef QUORVANE_FRONT_RUN_FILES_H_
#define QUORVANE_FRONT_RUN_FILES_H_

#include <cstdio>

#include "report/report_placement.h"

/// The files of one run: the export, the report and the log (`log_file`),
/// each named once, as the system resolves the name.
struct RunFiles {
  std::FILE* input = nullptr;
  ReportFile report;
};

/// Whether standard output and standard error spare the export (settings'
/// `input_path`): a stream open on it, as in `quorvane -i in.txt ... >> in.txt`,
/// would write the console's text into it. Such a stream's text is dropped,
/// the other stream says why, and the run is refused. Run before anything
/// gathered for the console goes out.
bool standard_streams_spare_input();

/// Opens the export, finds the places of the report and the log, refuses
/// names of one file for two uses, checks the report's place and opens the
/// log (`log_file`), locking it against another run. Each failure says why on
/// the console, and leaves every file as it was. False on failure.
bool open_run_files(RunFiles* files);

/// Closes what the run opened, and removes what it made for the report; the
/// earlier report, if any, stays as it was.
void close_run_files(RunFiles* files);

#endif  // QUORVANE_FRONT_RUN_FILES_H_
