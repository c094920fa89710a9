// The table of the system calls that placing the report and writing the log
// make on POSIX systems (Unix and the web), and their error codes.

#include "platform/posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#elif defined(__APPLE__)
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdio>

int open_at(int folder, const char* name, int flags, mode_t mode) {
  return openat(folder, name, flags, mode);
}

#if defined(__linux__)
int file_flags(int file, int* flags) { return ioctl(file, FS_IOC_GETFLAGS, flags); }
#endif
#if defined(__APPLE__)
int full_sync(int file) { return fcntl(file, F_FULLFSYNC); }
#endif

SystemCall system_calls[] = {
    QUORVANE_SYSTEM_CALL(kOpenFolder, "open folder", open_at, -1),
    QUORVANE_SYSTEM_CALL(kStatusAt, "status", fstatat, -1),
    QUORVANE_SYSTEM_CALL(kHandleStatus, "status", fstat, -1),
    QUORVANE_SYSTEM_CALL(kReadLink, "read link", readlinkat, -1),
    QUORVANE_SYSTEM_CALL(kOpenExisting, "open", open_at, -1),
    QUORVANE_SYSTEM_CALL(kCreateNew, "create", open_at, -1),
    QUORVANE_SYSTEM_CALL(kWrite, "write", write, -1),
    QUORVANE_SYSTEM_CALL(kSync, "sync", sync_descriptor, -1),
    QUORVANE_SYSTEM_CALL(kTruncate, "truncate", ftruncate, -1),
    QUORVANE_SYSTEM_CALL(kSeek, "truncate", lseek, -1),
    QUORVANE_SYSTEM_CALL(kClose, "close", close, -1),
    QUORVANE_SYSTEM_CALL(kCloseFolder, "close folder", close, -1),
    QUORVANE_SYSTEM_CALL(kLock, "lock", flock, -1),
    QUORVANE_SYSTEM_CALL(kOwner, "owner", fchown, -1),
    QUORVANE_SYSTEM_CALL(kMode, "mode", fchmod, -1),
    QUORVANE_SYSTEM_CALL(kRename, "rename", renameat, -1),
    QUORVANE_SYSTEM_CALL(kRemove, "remove", unlinkat, -1),
    QUORVANE_SYSTEM_CALL(kAccess, "access", faccessat, -1),
#if defined(__linux__) || defined(__APPLE__)
    QUORVANE_SYSTEM_CALL(kListAttributes, "attributes", flistxattr, -1),
    QUORVANE_SYSTEM_CALL(kGetAttribute, "attributes", fgetxattr, -1),
    QUORVANE_SYSTEM_CALL(kSetAttribute, "attributes", fsetxattr, -1),
    QUORVANE_SYSTEM_CALL(kRemoveAttribute, "attributes", fremovexattr, -1),
#endif
#if defined(__linux__)
    QUORVANE_SYSTEM_CALL(kMountStatus, "status", statx, -1),
    QUORVANE_SYSTEM_CALL(kInodeFlags, "status", file_flags, -1),
    QUORVANE_SYSTEM_CALL(kFileSystem, "status", fstatfs, -1),
    QUORVANE_SYSTEM_CALL(kWriteBack, "write back", sync_file_range, -1),
#endif
#if defined(__APPLE__)
    QUORVANE_SYSTEM_CALL(kFullSync, "sync", full_sync, -1),
    QUORVANE_SYSTEM_CALL(kCaseSensitive, "status", fpathconf, -1),
#endif
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

bool set_system_error(SystemError error) {
  switch (error) {
    case SystemError::kNone: return true;
    case SystemError::kIo: errno = EIO; return true;
    case SystemError::kNoSpace: errno = ENOSPC; return true;
    case SystemError::kAccessDenied: errno = EACCES; return true;
    case SystemError::kNotPermitted: errno = EPERM; return true;
    case SystemError::kReadOnly: errno = EROFS; return true;
    case SystemError::kCrossDevice: errno = EXDEV; return true;
    case SystemError::kBusy: errno = EBUSY; return true;
    case SystemError::kInterrupted: errno = EINTR; return true;
    case SystemError::kWouldBlock: errno = EWOULDBLOCK; return true;
    case SystemError::kNoLocks: errno = ENOLCK; return true;
    case SystemError::kTooManyFiles: errno = EMFILE; return true;
    case SystemError::kNotFound: errno = ENOENT; return true;
    case SystemError::kExists: errno = EEXIST; return true;
    case SystemError::kNotSupported: errno = ENOTSUP; return true;
  }
  return false;
}
