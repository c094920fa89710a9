// Files on Windows, reached through the final path of their folder: made,
// written, synced, locked and put in the earlier report's place with
// ReplaceFileW, which keeps the replaced file's attributes, access list and
// other streams.

#include <fcntl.h>
#include <io.h>

#include "platform/windows.h"

namespace {

// A file that may not be written is never written, even where the system
// underneath would let an administrator open it (as Wine lets root).
bool read_only(const wchar_t* path) {
  const DWORD attributes = QUORVANE_CALL(kFileAttributes, GetFileAttributesW)(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

FileHandle open_for_writing(const Place& place, bool create) {
  const std::wstring named = to_utf16(place.name);
  const wchar_t* path = place.as_named ? named.c_str() : path_in_folder(place, place.name.c_str(), 0);
  if (path == nullptr || read_only(path)) return kNoFile;
  // Others may go on reading and writing it, as with the C runtime's files,
  // and the report may still be replaced.
  return descriptor_of(QUORVANE_CALL(kOpenExisting, CreateFileW)(
                           path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr),
                       _O_BINARY);
}

FileHandle create_file(const Place& place, const char* name, bool, bool* name_taken) {
  *name_taken = false;
  const wchar_t* path = path_in_folder(place, name, 1);
  if (path == nullptr) return kNoFile;
  // Others may delete it while it is open: an interruption removes it so.
  HANDLE made = QUORVANE_CALL(kCreateNew, CreateFileW)(
      path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_NORMAL, nullptr);
  *name_taken = made == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
  return descriptor_of(made, _O_BINARY);
}

volatile bool writing_past_the_runtime = false;

bool write_file(FileHandle file, const char* bytes, std::size_t size) {
  while (size > 0) {
    const unsigned piece = size > (1u << 30) ? 1u << 30 : static_cast<unsigned>(size);
    DWORD direct = 0;
    const int written =
        writing_past_the_runtime
            ? (WriteFile(handle_of_descriptor(file), bytes, piece, &direct, nullptr) ? static_cast<int>(direct) : -1)
            : QUORVANE_CALL(kWrite, _write)(file, bytes, piece);
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Windows writes back as it sees fit; FlushFileBuffers waits for it.
void start_writeback(FileHandle) {}

bool sync_file(FileHandle file) {
  HANDLE handle = handle_of_descriptor(file);
  // A console, a pipe or NUL keeps nothing to put on a disk.
  if (GetFileType(handle) != FILE_TYPE_DISK) return true;
  return QUORVANE_CALL(kSync, FlushFileBuffers)(handle) != 0;
}

bool truncate_file(FileHandle file, std::uint64_t size) {
  HANDLE handle = handle_of_descriptor(file);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return QUORVANE_CALL(kSeek, SetFilePointerEx)(handle, at, nullptr, FILE_BEGIN) &&
         QUORVANE_CALL(kTruncate, SetEndOfFile)(handle);
}

bool close_file(FileHandle file) { return QUORVANE_CALL(kClose, _close)(file) == 0; }

void set_binary_stream(FileHandle standard, bool binary) {
  _setmode(standard, binary ? _O_BINARY : _O_TEXT);
}

LockAnswer lock_file(FileHandle file) {
  // Windows' locks keep others from the bytes they cover: the lock covers a
  // byte far past any log's end, which only another run asks for.
  OVERLAPPED far_past_the_end = {};
  far_past_the_end.Offset = 0xFFFFFFFE;
  far_past_the_end.OffsetHigh = 0x7FFFFFFF;
  if (QUORVANE_CALL(kLock, LockFileEx)(handle_of_descriptor(file),
                                       LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                                       &far_past_the_end)) {
    return LockAnswer::kLocked;
  }
  return GetLastError() == ERROR_LOCK_VIOLATION ? LockAnswer::kHeldElsewhere : LockAnswer::kNoLocks;
}

// ReplaceFileW carries the earlier report's attributes, access list and
// other streams over when it puts the new one in its place.
bool copy_file_permissions(FileHandle, FileHandle) { return true; }

bool replace_file(const Place& place, const char* from) {
  const wchar_t* replacement = path_in_folder(place, from, 1);
  const wchar_t* replaced = path_in_folder(place, place.name.c_str(), 0);
  if (replacement == nullptr || replaced == nullptr) return false;
  // Another program that holds the report open without letting it be
  // deleted keeps it from being replaced: the earlier report then stays as
  // it was. (Asked first, since some ReplaceFileW leave a file of their own
  // behind when they fail so.)
  HANDLE deletable = QUORVANE_CALL(kAsk, CreateFileW)(
      replaced, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool earlier = deletable != INVALID_HANDLE_VALUE;
  if (earlier) {
    CloseHandle(deletable);
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return false;
  }
  if (earlier && QUORVANE_CALL(kReplace, ReplaceFileW)(replaced, replacement, nullptr,
                                                       REPLACEFILE_IGNORE_MERGE_ERRORS |
                                                           REPLACEFILE_IGNORE_ACL_ERRORS,
                                                       nullptr, nullptr)) {
    return true;
  }
  // A new report, or (rarely) an earlier one that went, or was moved to a
  // name of the system's choosing, and left the new file under its own: the
  // new file is moved into the place.
  const DWORD failure = earlier ? GetLastError() : ERROR_SUCCESS;
  if (earlier && failure != ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
      failure != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    return false;
  }
  return QUORVANE_CALL(kMove, MoveFileExW)(replacement, replaced,
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove_file(const Place& place, const char* name) {
  const wchar_t* path = path_in_folder(place, name, 1);
  if (path != nullptr) QUORVANE_CALL(kRemove, DeleteFileW)(path);
}

bool last_failure_was_refusal() {
  const DWORD failure = GetLastError();
  return failure == ERROR_ACCESS_DENIED || failure == ERROR_WRITE_PROTECT ||
         failure == ERROR_NETWORK_ACCESS_DENIED;
}

// The move that put the report in place was written through already; Windows
// syncs no folder.
void sync_folder(const Place&) {}

// A new file takes its access rights from the folder, as the earlier report
// did, whoever owned that; Windows mounts volumes on folders only; and every
// file here has an access list, mostly taken from its folder as a new file's
// would be. Whether a folder takes a new file is found out by making it (see
// begin_report_file).
bool has_foreign_owner(FileHandle) { return false; }
bool is_mount_point(const Place&) { return false; }
bool has_access_list(FileHandle) { return false; }
FolderAnswer folder_takes_files(const Place&) { return FolderAnswer::kTakesNewFiles; }
