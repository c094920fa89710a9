// The platform functions on Windows. File names travel through the program as
// UTF-8 and reach the system as UTF-16, through the wide-character calls, so
// that a name in any language opens whatever the machine's code page.

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

// UTF-8 to UTF-16; a byte that is no UTF-8 becomes U+FFFD, as in the
// system's own conversions, so that no name ever throws or vanishes.
std::wstring to_utf16(const std::string& text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string to_utf8(const wchar_t* wide) {
  int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
  text.pop_back();  // the terminating NUL
  return text;
}

// A stdio stream for a handle that CreateFileW opened; the handle is closed
// when that fails.
std::FILE* stream_of_handle(HANDLE handle, const char* mode) {
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, mode);
  if (stream == nullptr) _close(descriptor);
  return stream;
}

HANDLE handle_of_stream(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

UINT console_code_page_at_start = 0;

void restore_console_code_page() { SetConsoleOutputCP(console_code_page_at_start); }

// What the system says of the file at `path` without opening it for
// reading or writing: its type (FILE_TYPE_DISK for a file or a folder) and,
// where it has them (`known`), its attributes, names and identity.
struct FileFacts {
  DWORD type;
  bool known;
  BY_HANDLE_FILE_INFORMATION information;
};

// False when the file cannot be reached.
bool file_facts(const fs::path& path, FileFacts* facts) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  facts->type = GetFileType(handle);
  facts->known = GetFileInformationByHandle(handle, &facts->information) != 0;
  CloseHandle(handle);
  return true;
}

}  // namespace

void ignore_write_signals() {
  // Windows raises no signal for a write that cannot be done: it fails.
}

void open_standard_streams() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (_get_osfhandle(descriptor) != -1) continue;
    int null = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != descriptor) {
      _dup2(null, descriptor);
      _close(null);
    }
  }
}

void use_utf8_console() {
  // The program writes UTF-8; a console shows it as such only in code page
  // 65001. The console's own code page is given back at exit, since it
  // outlives the run (cmd.exe would show its later output in UTF-8 too).
  DWORD mode;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;
  console_code_page_at_start = GetConsoleOutputCP();
  if (console_code_page_at_start == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
  std::atexit(restore_console_code_page);
}

void use_utf8_arguments(int* argc, char*** argv) {
  // The manifest makes the C runtime's arguments UTF-8 on Windows 10 1903 and
  // later; elsewhere they come in the machine's code page, which cannot hold
  // every name. The command line in UTF-16 holds them all.
  if (GetACP() == CP_UTF8) return;
  int count = 0;
  // Given back to the system however the conversion ends.
  std::unique_ptr<wchar_t*, decltype(&LocalFree)> wide(
      CommandLineToArgvW(GetCommandLineW(), &count), LocalFree);
  if (wide == nullptr) return;
  // Kept for the whole run, as the runtime keeps its own argv.
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  texts.clear();
  for (int k = 0; k < count; ++k) texts.push_back(to_utf8(wide.get()[k]));
  pointers.clear();
  for (std::string& text : texts) pointers.push_back(&text[0]);
  pointers.push_back(nullptr);
  *argc = count;
  *argv = pointers.data();
}

fs::path file_path(const std::string& utf8_path) { return fs::path(to_utf16(utf8_path)); }

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  return _wfopen(to_utf16(utf8_path).c_str(), to_utf16(mode).c_str());
}

bool is_special_file(const fs::path& path) {
  // The C++ library finds no device (NUL, CON, COM1): the system is asked.
  FileFacts facts;
  if (!file_facts(path, &facts)) return false;
  return facts.type != FILE_TYPE_DISK ||
         (facts.known && (facts.information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

bool is_directory_stream(std::FILE* stream) {
  struct _stat64 status;
  return _fstat64(_fileno(stream), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
}

bool local_time(std::time_t when, std::tm* out) { return localtime_s(out, &when) == 0; }

void advise_large_pages(void*, std::size_t) {
  // Large pages need a privilege that a collector's account does not have.
}

std::FILE* create_temporary_file(const fs::path& folder, fs::path* made) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  unsigned long long seed = static_cast<unsigned long long>(counter.QuadPart) ^
                            (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
  // CREATE_NEW fails on a name that is taken, so that nobody else's file is
  // ever opened; a few draws find a free one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = L".quorvane-";
    for (int k = 0; k < 8; ++k) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      name += static_cast<wchar_t>(kLetters[(seed >> 33) % (sizeof kLetters - 1)]);
    }
    fs::path path = folder / name;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    std::FILE* stream = stream_of_handle(handle, "wb");
    if (stream == nullptr) {
      DeleteFileW(path.c_str());
      return nullptr;
    }
    try {
      *made = path;
    } catch (...) {
      // Out of memory for the name: the file must not stay behind unnamed.
      std::fclose(stream);
      DeleteFileW(path.c_str());
      throw;
    }
    return stream;
  }
  return nullptr;
}

bool create_empty_file(const fs::path& path) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle != INVALID_HANDLE_VALUE && CloseHandle(handle);
}

bool copy_file_permissions(std::FILE* stream, const fs::path& model) {
  // A new file takes its access rights from the folder, as the earlier report
  // did. What is left to carry over are the attributes a user may have set
  // (hidden, not indexed, ...); read-only is not among them, since a report
  // that may not be written is never replaced.
  if (model.empty()) return true;
  DWORD attributes = GetFileAttributesW(model.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD kCarried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO info;
  HANDLE handle = handle_of_stream(stream);
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return false;
  info.FileAttributes = (attributes & kCarried) != 0 ? (attributes & kCarried)
                                                     : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

bool sync_stream(std::FILE* stream) {
  if (std::fflush(stream) != 0 || std::ferror(stream)) return false;
  HANDLE handle = handle_of_stream(stream);
  // A console, a pipe or NUL keeps nothing to put on a disk.
  if (GetFileType(handle) != FILE_TYPE_DISK) return true;
  return FlushFileBuffers(handle) != 0;
}

// The move that put the report in place was written through already.
void sync_folder(const fs::path&) {}

void set_binary_stream(std::FILE* stream, bool binary) {
  std::fflush(stream);
  _setmode(_fileno(stream), binary ? _O_BINARY : _O_TEXT);
}

bool replace_file(const fs::path& from, const fs::path& to) {
  // Fails when another program holds the report open without letting it be
  // deleted: the earlier report then stays as it was.
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::uintmax_t file_link_count(const fs::path& path) {
  // The C runtime's stat always counts one link; the file system knows better.
  FileFacts facts;
  return file_facts(path, &facts) && facts.known ? facts.information.nNumberOfLinks : 0;
}

std::FILE* open_without_truncating(const fs::path& path) {
  // A read-only file is never written, even where the system underneath
  // would let an administrator open it (as Wine lets root).
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return nullptr;
  }
  // Others may go on reading and writing it, as with the C runtime's files.
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return stream_of_handle(handle, "wb");
}

bool truncate_stream(std::FILE* stream, long size) {
  return std::fflush(stream) == 0 && _chsize_s(_fileno(stream), size) == 0 &&
         std::fseek(stream, size, SEEK_SET) == 0;
}

bool last_failure_was_refusal() {
  // The files are made with the system's own calls, which say why they
  // failed there rather than in errno.
  const DWORD failure = GetLastError();
  return failure == ERROR_ACCESS_DENIED || failure == ERROR_WRITE_PROTECT ||
         failure == ERROR_NETWORK_ACCESS_DENIED;
}

std::FILE* standard_stream_of(const fs::path& path) {
  FileFacts facts;
  if (!file_facts(path, &facts) || !facts.known) return nullptr;
  const BY_HANDLE_FILE_INFORMATION& named = facts.information;
  // A console or a pipe has no such information, and is no file.
  for (std::FILE* standard : {stdout, stderr}) {
    BY_HANDLE_FILE_INFORMATION stream;
    if (GetFileInformationByHandle(handle_of_stream(standard), &stream) &&
        stream.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
        stream.nFileIndexHigh == named.nFileIndexHigh &&
        stream.nFileIndexLow == named.nFileIndexLow) {
      return standard;
    }
  }
  return nullptr;
}

// A new file takes its access rights from the folder, as the earlier report
// did, whoever owned that; Windows mounts volumes on folders only; and every
// file here has an access list, mostly taken from its folder as a new file's
// would be.
bool has_foreign_owner(const fs::path&) { return false; }
bool is_mount_point(const fs::path&) { return false; }
bool has_access_list(const fs::path&) { return false; }
