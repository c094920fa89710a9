// What the tests ask of a POSIX system, alike on Unix systems and the web:
// files' permission bits, owners and groups, the null and full devices, and
// whether permissions hold this process back.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "run_binary.h"

std::FILE* open_unreadable_stream() { return std::fopen("/", "r"); }

const char* const kNoPermissionBits = nullptr;

std::string console_text(const std::string& written) { return written; }
const char* const kNullDevice = "/dev/null";
const char* const kStandardOutputName = "/dev/stdout";
const char* const kStandardErrorName = "/dev/stderr";
const char* const kNoHeldFiles = "only Windows lets a program hold a file against others";

HeldFile::HeldFile(const std::string&, Sharing) : handle_(nullptr) {}
HeldFile::~HeldFile() {}
bool HeldFile::held() const { return false; }

long owner_of(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_uid) : -1;
}

int mode_of(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

bool set_mode(const std::string& path, int mode) {
  return chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

long group_of(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_gid) : -1;
}

bool give_file(const std::string& path, long user, long group) {
  return chown(path.c_str(), static_cast<uid_t>(user), static_cast<gid_t>(group)) == 0;
}

namespace {

// Whether `path` opens, but a write to it (`write`) or a read from it fails.
bool opens_but_fails(const char* path, bool write) {
  std::FILE* file = std::fopen(path, write ? "wb" : "rb");
  if (file == nullptr) return false;
  char byte = 'x';
  const bool failed = write ? std::fputc(byte, file) == EOF || std::fflush(file) != 0
                            : std::fread(&byte, 1, 1, file) == 0 && std::ferror(file) != 0;
  std::fclose(file);
  return failed;
}

}  // namespace

bool kept_out_of_locked_file() {
  TempDir dir;
  dir.write("locked", "");
  const std::string path = dir.path("locked");
  if (!set_mode(path, 0)) return false;
  const int file = open(path.c_str(), O_RDONLY);
  if (file >= 0) close(file);
  return file < 0 && errno == EACCES;
}

const char* why_no_full_device() {
  static const char* const why =
      opens_but_fails("/dev/full", true) ? nullptr : "there is no /dev/full that fails every write";
  return why;
}

const char* why_no_unreadable_file() {
  static const char* const why = opens_but_fails("/proc/self/mem", false)
                                     ? nullptr
                                     : "there is no /proc/self/mem that opens but fails on reading";
  return why;
}

const char* why_permissions_do_not_bind() {
  static const char* const why = kept_out_of_locked_file()
                                     ? nullptr
                                     : "the tests' user passes every permission check, as root does";
  return why;
}
