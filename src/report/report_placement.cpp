#include "report/report_placement.h"

#include <cstdint>
#include <cstring>
#include <ctime>

#include "base/log_message.h"

ReportMode choose_report_mode(const TargetFacts& facts) {
  if (!facts.known || facts.kind == FileKind::kFolder) return ReportMode::kRefuse;
  if (facts.console != kNoFile) return ReportMode::kThroughConsole;
  const bool exists = facts.kind != FileKind::kMissing;
  if (exists && !facts.writable) return ReportMode::kRefuse;
  // A device or a pipe takes the report as it comes, and a file the system
  // reaches in ways no name says can only be written as named.
  if (facts.kind == FileKind::kOther || facts.as_named) {
    return exists ? ReportMode::kInPlace : ReportMode::kRefuse;
  }
  switch (facts.folder) {
    case FolderAnswer::kUnknown:
      return ReportMode::kRefuse;
    case FolderAnswer::kRefusesNewFiles:
      return exists ? ReportMode::kInPlace : ReportMode::kRefuse;
    case FolderAnswer::kTakesNewFiles:
      break;
  }
  // A new file in its place would lose the report's other names, its owner,
  // group or access list, or could not take the place of a mount at all.
  if (exists && (facts.links != 1 || facts.foreign_owner || facts.mount_point || facts.access_list)) {
    return ReportMode::kInPlace;
  }
  return ReportMode::kReplace;
}

namespace {

// Locks a report to be written in place against another run writing it at
// the same time (a file system that keeps no locks lets both go ahead).
bool lock_in_place(ReportFile* report) {
  FileStatus status;
  return !handle_status(report->earlier, &status) || status.kind != FileKind::kRegular ||
         lock_file(report->earlier) != LockAnswer::kHeldElsewhere;
}

}  // namespace

ReportCheck check_report_file(ReportFile* report) {
  const TargetFacts facts = gather_target_facts(report->place, &report->earlier);
  report->mode = choose_report_mode(facts);
  if (report->mode == ReportMode::kThroughConsole) report->stream = facts.console;
  if (report->mode == ReportMode::kRefuse) {
    abandon_report_file(report);
    return ReportCheck::kCannotWrite;
  }
  if (report->mode == ReportMode::kInPlace && !lock_in_place(report)) {
    abandon_report_file(report);
    return ReportCheck::kInUse;
  }
  return ReportCheck::kReady;
}

namespace {

// Writes the report into what is there, emptied first where it can be.
bool begin_in_place(ReportFile* report) {
  report->mode = ReportMode::kInPlace;
  report->stream = report->earlier;
  report->earlier = kNoFile;
  FileStatus status;
  return handle_status(report->stream, &status) &&
         (status.kind != FileKind::kRegular || truncate_file(report->stream, 0));
}

// Names the temporary file: hidden, so that a leftover of a killed run stays
// out of the way, and different from run to run and try to try.
void name_temporary(char* name, unsigned attempt) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::uint64_t seed = static_cast<std::uint64_t>(std::time(nullptr)) ^
                              reinterpret_cast<std::uintptr_t>(&seed);
  seed = seed * 6364136223846793005ULL + 1442695040888963407ULL + attempt;
  const char prefix[] = ".quorvane-";
  for (std::size_t k = 0; k < sizeof prefix - 1; ++k) name[k] = prefix[k];
  for (std::size_t k = 0; k < 8; ++k) {
    name[sizeof prefix - 1 + k] = kLetters[(seed >> (8 + 5 * k)) % (sizeof kLetters - 1)];
  }
  name[sizeof prefix - 1 + 8] = '\0';
}

// Makes the temporary file under a name nobody uses. Its name is kept once
// the file is made: an interruption in between leaves it behind, where one a
// moment earlier would remove someone else's file of the name drawn.
FileHandle create_temporary(ReportFile* report, bool private_file) {
  char name[sizeof report->temporary];
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    name_temporary(name, attempt);
    bool taken = false;
    const FileHandle made = create_file(report->place, name, private_file, &taken);
    if (made != kNoFile) {
      std::memcpy(report->temporary, name, sizeof name);
      return made;
    }
    // Another file of that name: draw again; anything else is a failure.
    if (!taken) break;
  }
  return kNoFile;
}

}  // namespace

bool begin_report_file(ReportFile* report) {
  switch (report->mode) {
    case ReportMode::kRefuse:
      return false;
    case ReportMode::kThroughConsole:
      // The console's text so far comes first, and the report is written
      // byte for byte, its own CR LF included.
      flush_log_output();
      set_binary_stream(report->stream, true);
      return true;
    case ReportMode::kInPlace:
      return begin_in_place(report);
    case ReportMode::kReplace:
      break;
  }
  const bool replaces = report->earlier != kNoFile;
  report->stream = create_temporary(report, replaces);
  if (report->stream == kNoFile) {
    // A folder that refuses the new file after all (where the system could
    // not say so beforehand) leaves the earlier report to be written in place.
    return replaces && last_failure_was_refusal() && lock_in_place(report) &&
           begin_in_place(report);
  }
  if (!replaces) return true;
  if (copy_file_permissions(report->earlier, report->stream)) {
    close_file(report->earlier);
    report->earlier = kNoFile;
    return true;
  }
  // The new file may not have the earlier one's owner, group, mode and
  // attributes: the earlier one is written in place instead, and keeps them.
  // Any other failure (a full disk) fails the run, and keeps the earlier
  // report as it is.
  const bool refused = last_failure_was_refusal();
  close_file(report->stream);
  report->stream = kNoFile;
  remove_temporary_report(report);
  return refused && lock_in_place(report) && begin_in_place(report);
}

namespace {

// Lets go of what the report was written to: the console's stream is handed
// back in its own mode, anything else closed. False when closing failed.
bool release_stream(ReportFile* report) {
  const FileHandle stream = report->stream;
  report->stream = kNoFile;
  if (stream == kNoFile) return true;
  if (report->mode == ReportMode::kThroughConsole) {
    set_binary_stream(stream, false);
    return true;
  }
  return close_file(stream);
}

}  // namespace

bool close_report_file(ReportFile* report) {
  const bool synced = sync_file(report->stream);
  const bool written = release_stream(report) && synced;
  if (!written) abandon_report_file(report);
  return written;
}

bool place_report_file(ReportFile* report) {
  if (report->temporary[0] == '\0') return true;
  if (!replace_file(report->place, report->temporary)) {
    abandon_report_file(report);
    return false;
  }
  report->placed = true;
  report->temporary[0] = '\0';
  // The folder's new entry is put on the disk too. Should that fail, the run
  // is no less done: the report stands in its place, and a power cut could
  // at worst bring back the earlier one, whole.
  sync_folder(report->place);
  return true;
}

void remove_temporary_report(ReportFile* report) {
  if (report->temporary[0] == '\0') return;
  remove_file(report->place, report->temporary);
  report->temporary[0] = '\0';
}

void abandon_report_file(ReportFile* report) {
  if (report->earlier != kNoFile) close_file(report->earlier);
  report->earlier = kNoFile;
  release_stream(report);
  remove_temporary_report(report);
  close_place(&report->place);
}
