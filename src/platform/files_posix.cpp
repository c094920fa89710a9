// Files on POSIX systems (Unix and the web), reached through their folder's
// descriptor and their own: made, written, synced, locked, given the
// permissions of the file they replace, and put in its place.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) || defined(__APPLE__)
#include <sys/xattr.h>
#endif
#if defined(__APPLE__)
#include <sys/acl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix.h"

namespace {

// Retries a call that a signal interrupted; `call` gives -1 on failure.
template <typename Call>
auto again_if_interrupted(Call call) {
  for (;;) {
    auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

}  // namespace

FileHandle open_for_writing(const Place& place, bool create) {
  // Only what the walk found is opened, never a link put there since.
  const int flags = O_WRONLY | O_CLOEXEC | (create ? O_CREAT : 0) | (place.as_named ? 0 : O_NOFOLLOW);
  return again_if_interrupted([&] {
    return QUORVANE_CALL(kOpenExisting, open_at)(place.folder, place.name.c_str(), flags, 0666);
  });
}

FileHandle create_file(const Place& place, const char* name, bool private_file, bool* name_taken) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
  const int made = again_if_interrupted([&] {
    return QUORVANE_CALL(kCreateNew, open_at)(place.folder, name, flags, private_file ? 0600 : 0666);
  });
  *name_taken = made < 0 && errno == EEXIST;
  return made;
}

bool write_file(FileHandle file, const char* bytes, std::size_t size) {
  if (file == kStandardOutput || file == kStandardError) {
    return write_standard_stream(file, bytes, size);
  }
  return write_descriptor(file, bytes, size);
}

bool write_descriptor(int file, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written =
        again_if_interrupted([&] { return QUORVANE_CALL(kWrite, write)(file, bytes, size); });
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void start_writeback(FileHandle file) {
#if defined(__linux__)
  QUORVANE_CALL(kWriteBack, sync_file_range)(file, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
  static_cast<void>(file);
#endif
}

bool sync_file(FileHandle file) {
  FileStatus status;
  if (!handle_status(file, &status)) return false;
  if (status.kind != FileKind::kRegular) return true;
#if defined(__APPLE__)
  // fsync leaves the data in the drive's own cache; this empties that too,
  // where the file system knows how.
  if (QUORVANE_CALL(kFullSync, full_sync)(file) == 0) return true;
#endif
  return again_if_interrupted([&] { return QUORVANE_CALL(kSync, sync_descriptor)(file); }) == 0;
}

bool truncate_file(FileHandle file, std::uint64_t size) {
  const off_t at = static_cast<off_t>(size);
  return again_if_interrupted([&] { return QUORVANE_CALL(kTruncate, ftruncate)(file, at); }) == 0 &&
         QUORVANE_CALL(kSeek, lseek)(file, at, SEEK_SET) == at;
}

bool close_file(FileHandle file) {
  // Interrupted, the descriptor is closed all the same (and may not be
  // closed again: another file may have its number by now).
  return QUORVANE_CALL(kClose, close)(file) == 0 || errno == EINTR;
}

void set_binary_stream(FileHandle, bool) {}

LockAnswer lock_file(FileHandle file) {
  if (again_if_interrupted([&] { return QUORVANE_CALL(kLock, flock)(file, LOCK_EX | LOCK_NB); }) == 0) {
    return LockAnswer::kLocked;
  }
  return errno == EWOULDBLOCK || errno == EAGAIN ? LockAnswer::kHeldElsewhere : LockAnswer::kNoLocks;
}

bool replace_file(const Place& place, const char* from) {
  return QUORVANE_CALL(kRename, renameat)(place.folder, from, place.folder, place.name.c_str()) == 0;
}

void remove_file(const Place& place, const char* name) {
  QUORVANE_CALL(kRemove, unlinkat)(place.folder, name, 0);
}

bool last_failure_was_refusal() {
  return errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOTSUP ||
         errno == EOPNOTSUPP;
}

void sync_folder(const Place& place) {
  // A folder the run may not read cannot be synced, and has its new entry
  // all the same.
  const int folder = QUORVANE_CALL(kOpenFolder, open_at)(place.folder, ".",
                                                        O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (folder < 0) return;
  again_if_interrupted([&] { return QUORVANE_CALL(kSync, sync_descriptor)(folder); });
  QUORVANE_CALL(kCloseFolder, close)(folder);
}

bool has_foreign_owner(FileHandle file) {
  // Only a privileged run can give a file away; anyone else may give their
  // own files only to their own groups.
  struct stat status;
  if (geteuid() == 0 || QUORVANE_CALL(kHandleStatus, fstat)(file, &status) != 0) return false;
  if (status.st_uid != geteuid()) return true;
  if (status.st_gid == getegid()) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
  groups.resize(static_cast<std::size_t>(
      std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  return std::find(groups.begin(), groups.end(), status.st_gid) == groups.end();
}

bool is_mount_point(const Place& place) {
#if defined(__linux__) && defined(STATX_ATTR_MOUNT_ROOT)
  // A file bind-mounted from the same file system has its folder's device:
  // only the mount's own mark tells.
  struct statx marks;
  if (QUORVANE_CALL(kMountStatus, statx)(place.folder, place.name.c_str(), AT_SYMLINK_NOFOLLOW,
                                         STATX_BASIC_STATS, &marks) == 0 &&
      (marks.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    return (marks.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  }
#endif
  struct stat file;
  struct stat folder;
  return QUORVANE_CALL(kStatusAt, fstatat)(place.folder, place.name.c_str(), &file,
                                           AT_SYMLINK_NOFOLLOW) == 0 &&
         QUORVANE_CALL(kHandleStatus, fstat)(place.folder, &folder) == 0 &&
         file.st_dev != folder.st_dev;
}

FolderAnswer folder_takes_files(const Place& place) {
  if (QUORVANE_CALL(kAccess, faccessat)(place.folder, ".", W_OK | X_OK, AT_EACCESS) == 0) {
    return FolderAnswer::kTakesNewFiles;
  }
  return errno == EACCES || errno == EPERM || errno == EROFS ? FolderAnswer::kRefusesNewFiles
                                                               : FolderAnswer::kUnknown;
}
