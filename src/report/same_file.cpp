#include "report/same_file.h"

bool identify_place(const Place& place, FileIdentity* identity) {
  *identity = FileIdentity{};
  FileStatus status;
  if (!place_status(place, &status)) return false;
  identity->exists = status.kind != FileKind::kMissing;
  if (identity->exists) {
    identity->file = status.id;
    return true;
  }
  identity->name = place.name;
  identity->folds = place_folds_case(place);
  return folder_id(place, &identity->folder);
}

bool identify_file(FileHandle file, FileIdentity* identity) {
  *identity = FileIdentity{};
  FileStatus status;
  if (!handle_status(file, &status)) return false;
  identity->exists = true;
  identity->file = status.id;
  return true;
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists != b.exists) return false;
  if (a.exists) return a.file == b.file;
  return a.folder == b.folder && names_match(a.name, b.name, a.folds);
}
