#ifndef QUORVANE_FRONT_REPORT_FILE_H_
#define QUORVANE_FRONT_REPORT_FILE_H_

#include <cstdio>
#include <filesystem>
#include <string>

// An earlier report is the collector's data too: a run replaces it whole or
// not at all. The new report is written to a temporary file beside it, which
// takes the report's place only once it has been written and closed without
// error. Where no file can be put in its place (a device, a pipe, a file with
// more than one name, another user's file, the file the console goes to, a
// folder that takes no new files) the report is written in place, and
// emptied only when writing begins.

/// Where and how a run's report is written.
struct ReportFile {
  std::filesystem::path target;      ///< the file that gets the report, links followed
  std::FILE* in_place = nullptr;     ///< the report itself, opened by the check, when written in place
  bool empty_in_place = false;       ///< whether the in-place file is emptied before writing
  bool replaces_earlier = false;     ///< a new report takes an earlier one's place (and permissions)
  std::FILE* stream = nullptr;       ///< what the report is being written to
  std::filesystem::path temporary;   ///< the file written in the report's stead, until it replaces it
};

/// Checks that the report `path` (UTF-8) can be written, changing nothing and
/// leaving nothing behind: an earlier report must open for writing, a new one
/// must be creatable. False when it cannot be written.
bool check_report_file(const std::string& path, ReportFile* report);

/// Opens the stream the report is written to: a new temporary file beside the
/// report, or the report itself, emptied. Null on failure.
std::FILE* begin_report_file(ReportFile* report);

/// Closes the report's stream. False when any byte failed to reach the file;
/// a temporary file is then removed, and the earlier report stays.
bool close_report_file(ReportFile* report);

/// Puts a closed temporary file in the report's place (nothing to do for a
/// report written in place). False when the report could not be replaced; the
/// earlier report then stays and the temporary file is removed.
bool place_report_file(ReportFile* report);

/// Closes and removes whatever a failed run opened or made for the report.
void abandon_report_file(ReportFile* report);

#endif  // QUORVANE_FRONT_REPORT_FILE_H_
