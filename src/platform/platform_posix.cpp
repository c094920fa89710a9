// The platform functions on POSIX systems (Linux, macOS, the BSDs).
#ifndef _WIN32

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

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

void* allocate_aligned_block(std::size_t size) {
  void* block = std::aligned_alloc(size, size);
#ifdef MADV_HUGEPAGE
  // One fault per block instead of one per page, where the system allows it.
  if (block != nullptr) madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void free_aligned_block(void* block) { std::free(block); }

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
  *made = pattern;
  return stream;
}

bool create_empty_file(const fs::path& path) {
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  return descriptor >= 0 && close(descriptor) == 0;
}

void copy_file_permissions(std::FILE* stream, const fs::path& model) {
  const int descriptor = fileno(stream);
  if (model.empty()) {
    // mkstemp made the file private; a new report is as readable as any
    // file the user creates.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    return;
  }
  struct stat status;
  if (stat(model.c_str(), &status) != 0) return;
  // Ownership first: changing it may clear the set-id bits that the mode
  // then puts back. Only a privileged run can give the file away; anyone
  // else replaces only their own files (see owned_by_another_user) and may
  // still give the file the model's group, if they belong to it.
  if (fchown(descriptor, status.st_uid, status.st_gid) != 0 &&
      fchown(descriptor, static_cast<uid_t>(-1), status.st_gid) != 0) {
    // Not allowed: the run's own group it is.
  }
  fchmod(descriptor, status.st_mode & 07777);
}

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

bool is_standard_stream_file(const fs::path& path) {
  struct stat file;
  if (stat(path.c_str(), &file) != 0) return false;
  for (int descriptor : {1, 2}) {
    struct stat stream;
    if (fstat(descriptor, &stream) == 0 && stream.st_dev == file.st_dev &&
        stream.st_ino == file.st_ino) {
      return true;
    }
  }
  return false;
}

bool owned_by_another_user(const fs::path& path) {
  struct stat status;
  return geteuid() != 0 && stat(path.c_str(), &status) == 0 && status.st_uid != geteuid();
}

#endif  // !_WIN32
