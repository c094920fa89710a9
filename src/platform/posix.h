#ifndef QUORVANE_PLATFORM_POSIX_H_
#define QUORVANE_PLATFORM_POSIX_H_

// What the POSIX files share (Unix systems and the web): the entries of
// their table of system calls (system_calls_posix.cpp), and a few helpers.

#include <sys/stat.h>
#include <sys/types.h>

#include "platform/system_calls.h"

enum PosixCall : std::size_t {
  kOpenFolder,
  kStatusAt,
  kHandleStatus,
  kReadLink,
  kOpenExisting,
  kCreateNew,
  kWrite,
  kSync,
  kTruncate,
  kSeek,
  kClose,
  kCloseFolder,
  kLock,
  kOwner,
  kMode,
  kRename,
  kRemove,
  kAccess,
#if defined(__linux__) || defined(__APPLE__)
  kListAttributes,
  kGetAttribute,
  kSetAttribute,
  kRemoveAttribute,
#endif
#if defined(__linux__)
  kMountStatus,
  kInodeFlags,
  kFileSystem,
  kWriteBack,
#endif
#if defined(__APPLE__)
  kFullSync,
  kCaseSensitive,
#endif
};

/// openat with its mode always given, so that the table can hold it (openat
/// itself takes its mode as a variable argument).
int open_at(int folder, const char* name, int flags, mode_t mode);

/// Opens the null device on each of descriptors 0, 1 and 2 that is closed,
/// so that no file the run opens later takes a standard stream's place.
void open_standard_streams();

/// What the system says of the file standard output or error (`standard`)
/// is open on; false when it cannot say.
bool standard_stream_status(int standard, struct stat* status);

/// Writes `size` bytes to standard output or error (`standard`), as the
/// system takes the console's text; false when not all got there.
bool write_standard_stream(int standard, const char* bytes, std::size_t size);

/// Writes `size` bytes to the descriptor `file`, as many calls as it takes;
/// false when not all got there.
bool write_descriptor(int file, const char* bytes, std::size_t size);

/// Puts what was written to the descriptor `file` on the disk, as fsync does;
/// -1, with errno set, when that failed. (The web's runtime makes fsync do
/// nothing: its answer asks the host, where there is one.)
int sync_descriptor(int file);

#if defined(__linux__)
/// The inode flags of the file open on `file` (FS_IOC_GETFLAGS).
int file_flags(int file, int* flags);
#endif
#if defined(__APPLE__)
/// fcntl(F_FULLFSYNC): empties the drive's own cache too.
int full_sync(int file);
#endif

#endif  // QUORVANE_PLATFORM_POSIX_H_
