// Places and identities on Windows: a name is opened as the system opens it,
// and what it reaches is then named by the final path the system gives for
// the handle, a folder and a name in it.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/windows.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens what `path` names, file or folder, to ask about it.
HANDLE open_to_ask(const wchar_t* path, std::size_t call) {
  auto open = reinterpret_cast<decltype(&CreateFileW)>(system_calls[call].current);
  return open(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

FileStatus status_of(HANDLE handle) {
  FileStatus status;
  status.kind = FileKind::kOther;  // a console, a pipe, a device
  BY_HANDLE_FILE_INFORMATION facts;
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      !QUORVANE_CALL(kFileInformation, GetFileInformationByHandle)(handle, &facts)) {
    return status;
  }
  status.kind = (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder
                                                                         : FileKind::kRegular;
  status.id = FileId{facts.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow,
                     true};
  status.links = facts.nNumberOfLinks;
  status.size = (static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow;
  return status;
}

// The final path of `handle`, as the system gives it.
std::wstring final_path(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = QUORVANE_CALL(kFinalPath, GetFinalPathNameByHandleW)(
        handle, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (size == 0) return {};
    if (size < path.size()) {
      path.resize(size);
      return path;
    }
    path.resize(size + 1);
  }
}

// Splits `path` at its last separator into its folder and its name.
bool split(const std::wstring& path, std::wstring* folder, std::wstring* name) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  *folder = path.substr(0, slash + 1);
  *name = path.substr(slash + 1);
  return !name->empty() && *name != L"." && *name != L"..";
}

// Fills `place` with the folder `folder` (opened here) and `name`.
bool hold_folder(const std::wstring& folder, const std::wstring& name, Place* place) {
  HANDLE opened = open_to_ask(folder.c_str(), kOpenFolder);
  if (opened == INVALID_HANDLE_VALUE) return false;
  const std::wstring path = final_path(opened);
  place->folder = descriptor_of(opened, _O_RDONLY);
  if (place->folder == kNoFile || path.empty()) return false;
  place->folder_path = to_utf8(path.c_str());
  if (place->folder_path.back() != '\\') place->folder_path += '\\';
  place->name = to_utf8(name.c_str());
  return true;
}

}  // namespace

bool open_place(const std::string& path, Place* place) {
  close_place(place);
  const std::wstring wide = to_utf16(path);
  std::wstring folder, name;
  if (wide.empty() || !split(L".\\" + wide, &folder, &name)) return false;
  HANDLE reached = open_to_ask(wide.c_str(), kAsk);
  if (reached != INVALID_HANDLE_VALUE) {
    const bool on_disk = GetFileType(reached) == FILE_TYPE_DISK;
    const std::wstring real = on_disk ? final_path(reached) : std::wstring();
    CloseHandle(reached);
    if (!on_disk) {
      // A device (NUL, CON): opened by its name, never replaced.
      place->name = path;
      place->as_named = true;
      return true;
    }
    return split(real, &folder, &name) && hold_folder(folder, name, place);
  }
  // A new file: its folder as the system finds it, its name as given. A name
  // that is there but does not open (a link to nothing) names no new file.
  if (GetLastError() != ERROR_FILE_NOT_FOUND ||
      QUORVANE_CALL(kFileAttributes, GetFileAttributesW)(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return false;
  }
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
  full.resize(size);
  return size != 0 && split(full, &folder, &name) && hold_folder(folder, name, place);
}

void close_place(Place* place) {
  if (place->folder != kNoFile) QUORVANE_CALL(kCloseFolder, _close)(place->folder);
  *place = Place{};
}

bool place_status(const Place& place, FileStatus* status) {
  *status = FileStatus{};
  const std::wstring named = to_utf16(place.name);
  const wchar_t* path = place.as_named ? named.c_str() : path_in_folder(place, place.name.c_str(), 0);
  if (path == nullptr) return false;
  HANDLE handle = open_to_ask(path, kAsk);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  *status = status_of(handle);
  CloseHandle(handle);
  return true;
}

bool folder_id(const Place& place, FileId* id) {
  FileStatus status;
  if (!handle_status(place.folder, &status)) return false;
  *id = status.id;
  return id->known;
}

// NTFS folds case unless a folder is marked otherwise, and so does FAT.
bool place_folds_case(const Place&) { return true; }

bool names_match(const std::string& a, const std::string& b, bool folds) {
  return CompareStringOrdinal(to_utf16(a).c_str(), -1, to_utf16(b).c_str(), -1, folds) ==
         CSTR_EQUAL;
}

bool path_id(const std::string& path, FileId* id) {
  HANDLE handle = open_to_ask(to_utf16(path).c_str(), kAsk);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *id = status_of(handle).id;
  CloseHandle(handle);
  return id->known;
}

bool handle_status(FileHandle file, FileStatus* status) {
  HANDLE handle = handle_of_descriptor(file);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *status = status_of(handle);
  return true;
}

std::FILE* open_input(const std::string& path) {
  std::FILE* input = _wfopen(to_utf16(path).c_str(), L"rb");
  struct _stat64 status;
  if (input != nullptr && _fstat64(_fileno(input), &status) == 0 &&
      (status.st_mode & _S_IFMT) == _S_IFDIR) {
    std::fclose(input);
    return nullptr;
  }
  return input;
}

FileHandle handle_of(std::FILE* stream) { return _fileno(stream); }

HANDLE handle_of_descriptor(int descriptor) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

FileHandle descriptor_of(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) return kNoFile;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (descriptor < 0) CloseHandle(handle);
  return descriptor;
}

const wchar_t* path_in_folder(const Place& place, const char* name, int slot) {
  constexpr int kRoom = 32768;  // the longest path Windows knows
  static wchar_t paths[2][kRoom];
  wchar_t* path = paths[slot];
  const int folder = MultiByteToWideChar(CP_UTF8, 0, place.folder_path.data(),
                                         static_cast<int>(place.folder_path.size()), path, kRoom);
  const int rest = folder == 0 && !place.folder_path.empty()
                       ? 0
                       : MultiByteToWideChar(CP_UTF8, 0, name, -1, path + folder, kRoom - folder);
  return rest == 0 ? nullptr : path;
}
