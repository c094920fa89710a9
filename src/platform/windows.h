#ifndef QUORVANE_PLATFORM_WINDOWS_H_
#define QUORVANE_PLATFORM_WINDOWS_H_

// What the Windows files share: the entries of their table of system calls
// (system_calls_windows.cpp), text in UTF-16, and paths in static buffers.

#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/system_calls.h"

enum WindowsCall : std::size_t {
  kAsk,
  kOpenFolder,
  kFileInformation,
  kFinalPath,
  kFileAttributes,
  kOpenExisting,
  kCreateNew,
  kWrite,
  kSync,
  kSeek,
  kTruncate,
  kClose,
  kCloseFolder,
  kLock,
  kReplace,
  kMove,
  kRemove,
};

/// UTF-8 to UTF-16; a byte that is no UTF-8 becomes U+FFFD, as in the
/// system's own conversions, so that no name ever throws or vanishes.
std::wstring to_utf16(const std::string& text);
std::string to_utf8(const wchar_t* wide);

/// The system's handle of a descriptor.
HANDLE handle_of_descriptor(int descriptor);

/// Set while a console event's cleanup runs, with the run's thread stopped
/// where it was (perhaps holding the C runtime's locks): writes then go to
/// the system directly.
extern volatile bool writing_past_the_runtime;

/// A descriptor for `handle` (closed when that fails); kNoFile for an invalid handle.
FileHandle descriptor_of(HANDLE handle, int flags);

/// The path of `name` in the folder of `place`, in one of two static buffers
/// (`slot` 0 or 1), so that placing the report needs no memory; null when it
/// does not fit.
const wchar_t* path_in_folder(const Place& place, const char* name, int slot);

#endif  // QUORVANE_PLATFORM_WINDOWS_H_
