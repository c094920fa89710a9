// The platform functions on POSIX systems (Linux, macOS, the BSDs).

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#elif defined(__APPLE__)
#include <sys/acl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

void ignore_write_signals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
}

void open_standard_streams() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // open returns the lowest free descriptor, which is this one.
    int null = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != descriptor) {
      dup2(null, descriptor);
      close(null);
    }
  }
}

// Terminals and command lines take the program's bytes as they are.
void use_utf8_console() {}

void use_utf8_arguments(int*, char***) {}

fs::path file_path(const std::string& utf8_path) { return fs::u8path(utf8_path); }

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  return std::fopen(utf8_path.c_str(), mode);
}

bool is_special_file(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return fs::exists(status) && !fs::is_regular_file(status);
}

bool is_directory_stream(std::FILE* stream) {
  struct stat status;
  return fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode);
}

bool local_time(std::time_t when, std::tm* out) { return localtime_r(&when, out) != nullptr; }

void advise_large_pages(void* block, std::size_t size) {
#ifdef MADV_HUGEPAGE
  madvise(block, size, MADV_HUGEPAGE);
#else
  static_cast<void>(block);
  static_cast<void>(size);
#endif
}

std::FILE* create_temporary_file(const fs::path& folder, fs::path* made) {
  // A hidden name, so that a leftover of a killed run stays out of the way.
  std::string pattern = (folder / ".quorvane-XXXXXX").string();
  int descriptor = mkstemp(&pattern[0]);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = fdopen(descriptor, "wb");
  if (stream == nullptr) {
    close(descriptor);
    unlink(pattern.c_str());
    return nullptr;
  }
  try {
    *made = pattern;
  } catch (...) {
    // Out of memory for the name: the file must not stay behind unnamed.
    std::fclose(stream);
    unlink(pattern.c_str());
    throw;
  }
  return stream;
}

bool create_empty_file(const fs::path& path) {
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  return descriptor >= 0 && close(descriptor) == 0;
}

bool copy_file_permissions(std::FILE* stream, const fs::path& model) {
  const int descriptor = fileno(stream);
  if (model.empty()) {
    // mkstemp made the file private; a new report is as readable as any
    // file the user creates.
    mode_t mask = umask(0);
    umask(mask);
    return fchmod(descriptor, 0666 & ~mask) == 0;
  }
  struct stat wanted;
  struct stat made;
  if (stat(model.c_str(), &wanted) != 0 || fstat(descriptor, &made) != 0) return false;
  // Ownership first: changing it may clear the set-id bits that the mode
  // then puts back.
  if ((made.st_uid != wanted.st_uid || made.st_gid != wanted.st_gid) &&
      fchown(descriptor, wanted.st_uid, wanted.st_gid) != 0) {
    return false;
  }
  if (fchmod(descriptor, wanted.st_mode & 07777) != 0) return false;
  // A set-group-ID bit the run may not set is dropped without an error.
  return fstat(descriptor, &made) == 0 && made.st_uid == wanted.st_uid &&
         made.st_gid == wanted.st_gid && (made.st_mode & 07777) == (wanted.st_mode & 07777);
}

bool sync_stream(std::FILE* stream) {
  if (std::fflush(stream) != 0 || std::ferror(stream)) return false;
  const int descriptor = fileno(stream);
  struct stat status;
  if (fstat(descriptor, &status) != 0) return false;
  if (!S_ISREG(status.st_mode)) return true;
#ifdef F_FULLFSYNC
  // fsync leaves the data in the drive's own cache on some systems; this
  // empties that too, where the file system knows how.
  if (fcntl(descriptor, F_FULLFSYNC) == 0) return true;
#endif
  return fsync(descriptor) == 0;
}

void sync_folder(const fs::path& folder) {
  // A folder the run may not read cannot be synced, and has its new entry
  // all the same.
  int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

void set_binary_stream(std::FILE*, bool) {}

bool replace_file(const fs::path& from, const fs::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::uintmax_t file_link_count(const fs::path& path) {
  std::error_code error;
  std::uintmax_t count = fs::hard_link_count(path, error);
  return error ? 0 : count;
}

std::FILE* open_without_truncating(const fs::path& path) {
  int descriptor = open(path.c_str(), O_WRONLY);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = fdopen(descriptor, "wb");
  if (stream == nullptr) close(descriptor);
  return stream;
}

bool truncate_stream(std::FILE* stream, long size) {
  return std::fflush(stream) == 0 && ftruncate(fileno(stream), size) == 0 &&
         std::fseek(stream, size, SEEK_SET) == 0;
}

bool last_failure_was_refusal() { return errno == EACCES || errno == EPERM || errno == EROFS; }

std::FILE* standard_stream_of(const fs::path& path) {
  struct stat file;
  if (stat(path.c_str(), &file) != 0) return nullptr;
  for (std::FILE* stream : {stdout, stderr}) {
    struct stat open;
    if (fstat(fileno(stream), &open) == 0 && open.st_dev == file.st_dev &&
        open.st_ino == file.st_ino) {
      return stream;
    }
  }
  return nullptr;
}

bool has_foreign_owner(const fs::path& path) {
  // Only a privileged run can give a file away; anyone else may give their
  // own files only to their own groups.
  struct stat status;
  if (geteuid() == 0 || stat(path.c_str(), &status) != 0) return false;
  if (status.st_uid != geteuid()) return true;
  if (status.st_gid == getegid()) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
  groups.resize(static_cast<std::size_t>(
      std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  return std::find(groups.begin(), groups.end(), status.st_gid) == groups.end();
}

bool is_mount_point(const fs::path& path) {
#ifdef STATX_ATTR_MOUNT_ROOT
  // A file bind-mounted from the same file system has its folder's device:
  // only the mount's own mark tells.
  struct statx marks;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS, &marks) == 0 &&
      (marks.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    return (marks.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  }
#endif
  struct stat file;
  struct stat folder;
  return stat(path.c_str(), &file) == 0 && stat(path.parent_path().c_str(), &folder) == 0 &&
         file.st_dev != folder.st_dev;
}

bool has_access_list(const fs::path& path) {
  // Security labels that the system gives every file are no such list.
#if defined(__linux__)
  return getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
#elif defined(__APPLE__)
  acl_t list = acl_get_file(path.c_str(), ACL_TYPE_EXTENDED);
  if (list == nullptr) return false;
  acl_free(list);
  return true;
#else
  static_cast<void>(path);
  return false;
#endif
}
