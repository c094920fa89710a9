#include "report/place_facts.h"

namespace {

// The standard stream (output, else error) open on the file `id`; kNoFile
// when neither is.
FileHandle standard_stream_on(const FileId& id) {
  for (FileHandle standard : {kStandardOutput, kStandardError}) {
    FileStatus status;
    if (handle_status(standard, &status) && status.id == id) return standard;
  }
  return kNoFile;
}

}  // namespace

TargetFacts gather_target_facts(const Place& place, FileHandle* earlier) {
  *earlier = kNoFile;
  TargetFacts facts;
  FileStatus status;
  if (!place_status(place, &status)) {
    facts.known = false;
    return facts;
  }
  facts.kind = status.kind;
  facts.as_named = place.as_named;
  if (status.kind != FileKind::kMissing) {
    facts.console = standard_stream_on(status.id);
    if (facts.console != kNoFile || status.kind == FileKind::kFolder) return facts;
    // A device or a pipe is opened now, and kept: a pipe's reader would take
    // a second opening for a second writer.
    *earlier = open_for_writing(place, false);
    facts.writable = *earlier != kNoFile;
    if (!facts.writable || status.kind != FileKind::kRegular) return facts;
    facts.links = status.links;
    facts.foreign_owner = has_foreign_owner(*earlier);
    facts.mount_point = is_mount_point(place);
    facts.access_list = has_access_list(*earlier);
  }
  facts.folder = folder_takes_files(place);
  return facts;
}
