#ifndef QUORVANE_REPORT_SAME_FILE_H_
#define QUORVANE_REPORT_SAME_FILE_H_

#include <string>

#include "platform/platform.h"

/// What a file named on the command line is to the system: the file itself
/// when it exists, else the folder it would be made in and its name there.
struct FileIdentity {
  bool exists = false;
  FileId file;         ///< what the file is, when it exists
  FileId folder;       ///< the folder it would be made in, when it does not
  std::string name;    ///< its name in that folder
  bool folds = false;  ///< the folder's file system takes names differing in case for one
};

/// The identity of what is at `place`; false when the system could not say.
/// Asks, and makes nothing.
bool identify_place(const Place& place, FileIdentity* identity);

/// The identity of the open file `file`; false when the system could not say.
bool identify_file(FileHandle file, FileIdentity* identity);

/// Whether `a` and `b` are one file, or would be made as one: the same file
/// when both exist, the same folder and a name its file system takes for the
/// same when neither does. (A name that folds to an existing file's finds that
/// file, and so exists.)
bool same_file(const FileIdentity& a, const FileIdentity& b);

#endif  // QUORVANE_REPORT_SAME_FILE_H_
