// The table of the system calls that placing the report and writing the log
// make on Windows, and Windows' error codes.

#include <io.h>

#include <cerrno>

#include "platform/windows.h"

SystemCall system_calls[] = {
    QUORVANE_SYSTEM_CALL(kAsk, "status", CreateFileW, -1),
    QUORVANE_SYSTEM_CALL(kOpenFolder, "open folder", CreateFileW, -1),
    QUORVANE_SYSTEM_CALL(kFileInformation, "status", GetFileInformationByHandle, 0),
    QUORVANE_SYSTEM_CALL(kFinalPath, "status", GetFinalPathNameByHandleW, 0),
    QUORVANE_SYSTEM_CALL(kFileAttributes, "status", GetFileAttributesW, INVALID_FILE_ATTRIBUTES),
    QUORVANE_SYSTEM_CALL(kOpenExisting, "open", CreateFileW, -1),
    QUORVANE_SYSTEM_CALL(kCreateNew, "create", CreateFileW, -1),
    QUORVANE_SYSTEM_CALL(kWrite, "write", _write, -1),
    QUORVANE_SYSTEM_CALL(kSync, "sync", FlushFileBuffers, 0),
    QUORVANE_SYSTEM_CALL(kSeek, "truncate", SetFilePointerEx, 0),
    QUORVANE_SYSTEM_CALL(kTruncate, "truncate", SetEndOfFile, 0),
    QUORVANE_SYSTEM_CALL(kClose, "close", _close, -1),
    QUORVANE_SYSTEM_CALL(kCloseFolder, "close folder", _close, -1),
    QUORVANE_SYSTEM_CALL(kLock, "lock", LockFileEx, 0),
    QUORVANE_SYSTEM_CALL(kReplace, "rename", ReplaceFileW, 0),
    QUORVANE_SYSTEM_CALL(kMove, "rename", MoveFileExW, 0),
    QUORVANE_SYSTEM_CALL(kRemove, "remove", DeleteFileW, 0),
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

bool set_system_error(SystemError error) {
  // The C runtime's calls say why in errno, the system's in its last error.
  DWORD code = ERROR_SUCCESS;
  int number = 0;
  switch (error) {
    case SystemError::kNone: return true;
    case SystemError::kIo: code = ERROR_CRC, number = EIO; break;
    case SystemError::kNoSpace: code = ERROR_DISK_FULL, number = ENOSPC; break;
    case SystemError::kAccessDenied: code = ERROR_ACCESS_DENIED, number = EACCES; break;
    case SystemError::kNotPermitted: code = ERROR_PRIVILEGE_NOT_HELD, number = EPERM; break;
    case SystemError::kReadOnly: code = ERROR_WRITE_PROTECT, number = EROFS; break;
    case SystemError::kCrossDevice: code = ERROR_NOT_SAME_DEVICE, number = EXDEV; break;
    case SystemError::kBusy: code = ERROR_SHARING_VIOLATION, number = EBUSY; break;
    case SystemError::kInterrupted: return false;  // no Windows call is interrupted so
    case SystemError::kWouldBlock: code = ERROR_LOCK_VIOLATION, number = EWOULDBLOCK; break;
    case SystemError::kNoLocks: code = ERROR_NOT_SUPPORTED, number = ENOLCK; break;
    case SystemError::kTooManyFiles: code = ERROR_TOO_MANY_OPEN_FILES, number = EMFILE; break;
    case SystemError::kNotFound: code = ERROR_FILE_NOT_FOUND, number = ENOENT; break;
    case SystemError::kExists: code = ERROR_FILE_EXISTS, number = EEXIST; break;
    case SystemError::kNotSupported: code = ERROR_NOT_SUPPORTED, number = ENOTSUP; break;
  }
  SetLastError(code);
  errno = number;
  return true;
}
