#ifndef QUORVANE_REPORT_PLACE_FACTS_H_
#define QUORVANE_REPORT_PLACE_FACTS_H_

#include <cstdint>

#include "platform/platform.h"

/// What the system says of the place a report is to go, the links at its end
/// followed: what decides how the report is written there.
struct TargetFacts {
  FileKind kind = FileKind::kMissing;  ///< what is there (kMissing: a new report)
  bool known = true;                   ///< false: the system could not say what is there
  bool writable = false;               ///< what is there opened for writing (see `earlier`)
  bool as_named = false;               ///< reached only as named (see Place::as_named)
  std::uint64_t links = 0;             ///< how many names the file has
  bool foreign_owner = false;          ///< see has_foreign_owner
  bool mount_point = false;            ///< see is_mount_point
  bool access_list = false;            ///< see has_access_list
  FileHandle console = kNoFile;        ///< the standard stream open on it, if any
  FolderAnswer folder = FolderAnswer::kUnknown;  ///< asked only of a regular or a new file
};

/// Gathers the facts about `place`, asking the system and changing nothing.
/// What is there is opened for writing, to see whether it can be, and that
/// descriptor left in `*earlier` (kNoFile when it did not open, or was not
/// asked for: a console's, a folder), for the caller to keep or close.
TargetFacts gather_target_facts(const Place& place, FileHandle* earlier);

#endif  // QUORVANE_REPORT_PLACE_FACTS_H_
