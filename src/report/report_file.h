#ifndef QUORVANE_REPORT_REPORT_FILE_H_
#define QUORVANE_REPORT_REPORT_FILE_H_

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"

// An earlier report is the collector's data too: a run replaces it whole or
// not at all. The new report is written to a temporary file beside it, which
// takes the report's place only once it has been written, put on the disk and
// closed without error. Where no file can be put in its place (a device, a
// pipe, a file with more than one name, a mount point, another user's file, a
// file with an access-control list, a folder that takes no new files) the
// report is written in place, and emptied only when writing begins. A report
// on the file the console goes to is written through the console's own
// stream, between the console's text before and after it.

/// How a run writes its report.
enum class ReportMode {
  kReplace,         ///< to a temporary file that then takes the report's place
  kInPlace,         ///< into the report itself
  kThroughConsole,  ///< through the standard stream that is open on it
  kRefuse,          ///< not at all: it cannot be written
};

/// The way to write a report to a place with these facts.
ReportMode choose_report_mode(const TargetFacts& facts);

/// Where and how a run's report is written.
struct ReportFile {
  ReportMode mode = ReportMode::kRefuse;
  std::filesystem::path target;     ///< the file that gets the report, links followed
  bool replaces_earlier = false;    ///< a new report takes an earlier one's place and permissions
  std::FILE* in_place = nullptr;    ///< the report itself, opened by the check, if written in place
  bool empty_in_place = false;      ///< whether the in-place file is emptied before writing
  std::FILE* console = nullptr;     ///< the standard stream open on the report, if any
  std::FILE* stream = nullptr;      ///< what the report is being written to
  std::filesystem::path temporary;  ///< written in the report's stead, until it takes its place
};

/// Checks that the report `path` (UTF-8) can be written, and decides how,
/// changing no file and leaving nothing behind (a device or a pipe is opened
/// now). False when it cannot be written.
bool check_report_file(const std::string& path, ReportFile* report);

/// Opens the stream the report is written to: a new temporary file beside the
/// report, the report itself (emptied), or the console's stream after the
/// console's text so far. Null on failure.
std::FILE* begin_report_file(ReportFile* report);

/// Puts the report on the disk and closes its stream. False when any byte
/// failed to get there; a temporary file is then removed, and the earlier
/// report stays.
bool close_report_file(ReportFile* report);

/// Puts a closed temporary file in the report's place, and the change on the
/// disk as far as the system can (nothing to do for a report written in
/// place). False when the report could not be replaced: the earlier report
/// then stays and the temporary file is removed.
bool place_report_file(ReportFile* report);

/// Closes and removes whatever a failed run opened or made for the report.
void abandon_report_file(ReportFile* report);

#endif  // QUORVANE_REPORT_REPORT_FILE_H_
