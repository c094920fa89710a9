#ifndef QUORVANE_REPORT_REPORT_PLACEMENT_H_
#define QUORVANE_REPORT_REPORT_PLACEMENT_H_

#include "platform/platform.h"
#include "report/place_facts.h"

// An earlier report is the collector's data too: a run replaces it whole or
// not at all. The new report is written to a temporary file beside it, made
// through the report's folder as the system opened it, which takes the
// report's place only once it has been written, put on the disk and closed
// without error. Where no file can be put in its place (a device, a pipe, a
// file with more than one name, a mount point, another user's file, a file
// with an access-control list, a folder that takes no new files) the report
// is written in place, and emptied only when writing begins. A report on the
// file the console goes to is written through the console's own stream,
// between the console's text before and after it.

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
  Place place;                     ///< where the report goes, as the system resolved its name
  FileHandle earlier = kNoFile;    ///< what is there, opened by the check (written into in place,
                                   ///< the model of a replacement's permissions)
  FileHandle stream = kNoFile;     ///< what the report is being written to
  char temporary[24] = "";         ///< the temporary file's name in the report's folder, while it exists
  volatile bool placed = false;    ///< the temporary file has taken the report's place
};

/// How the check of a report's place came out.
enum class ReportCheck { kReady, kCannotWrite, kInUse /* by another run, which locked it */ };

/// Checks that the report at `report->place` (opened, and otherwise fresh)
/// can be written, and decides how, changing no file and leaving nothing
/// behind. A report written in place is opened and locked now; a device or a
/// pipe is opened now. All is closed again unless the report is ready.
ReportCheck check_report_file(ReportFile* report);

/// Opens what the report is written to: a new temporary file beside the
/// report (written in place after all where it cannot be given the earlier
/// report's permissions), the report itself (emptied), or the console's stream
/// after the console's text so far. False on failure.
bool begin_report_file(ReportFile* report);

/// Puts the report on the disk and closes it. False when any byte failed to
/// get there; a temporary file is then removed, and the earlier report stays.
bool close_report_file(ReportFile* report);

/// Puts a closed temporary file in the report's place, and the change on the
/// disk as far as the system can (nothing to do for a report written in
/// place). Needs no memory. False when the report could not be replaced: the
/// earlier report then stays and the temporary file is removed.
bool place_report_file(ReportFile* report);

/// Closes and removes whatever a failed run opened or made for the report.
void abandon_report_file(ReportFile* report);

/// Removes the temporary file, if there is one, and nothing else: safe in a
/// signal handler.
void remove_temporary_report(ReportFile* report);

#endif  // QUORVANE_REPORT_REPORT_PLACEMENT_H_
