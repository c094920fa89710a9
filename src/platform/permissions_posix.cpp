// What a file carries besides its bytes on POSIX systems: owner, group and
// permission bits everywhere, and where the system keeps them, an access list
// and extended attributes (a Mac's Finder tags and comments among them), which
// a new report must carry over from the earlier one.

#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) || defined(__APPLE__)
#include <sys/xattr.h>
#endif
#if defined(__APPLE__)
#include <sys/acl.h>
#endif

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix.h"

namespace {

#if defined(__linux__)
const char kAccessList[] = "system.posix_acl_access";

// Whether the attribute `name` travels with a report: the system's own (an
// access list, a security label the system gives every new file) do not.
bool carried(const char* name) {
  return std::strncmp(name, "system.", 7) != 0 && std::strncmp(name, "security.", 9) != 0;
}

ssize_t list_attributes(int file, char* names, std::size_t size) {
  return QUORVANE_CALL(kListAttributes, flistxattr)(file, names, size);
}
ssize_t get_attribute(int file, const char* name, void* value, std::size_t size) {
  return QUORVANE_CALL(kGetAttribute, fgetxattr)(file, name, value, size);
}
int set_attribute(int file, const char* name, const void* value, std::size_t size) {
  return QUORVANE_CALL(kSetAttribute, fsetxattr)(file, name, value, size, 0);
}
#elif defined(__APPLE__)
bool carried(const char*) { return true; }

ssize_t list_attributes(int file, char* names, std::size_t size) {
  return QUORVANE_CALL(kListAttributes, flistxattr)(file, names, size, 0);
}
ssize_t get_attribute(int file, const char* name, void* value, std::size_t size) {
  return QUORVANE_CALL(kGetAttribute, fgetxattr)(file, name, value, size, 0, 0);
}
int set_attribute(int file, const char* name, const void* value, std::size_t size) {
  return QUORVANE_CALL(kSetAttribute, fsetxattr)(file, name, value, size, 0, 0);
}
#endif

// Copies the extended attributes of `model` that travel with a file to
// `made`. In static data, as the system's limits allow (64 KiB of names, and
// as much for one value): placing the report needs no memory.
bool copy_attributes(int model, int made) {
#if defined(__linux__) || defined(__APPLE__)
  static char names[65536];
  static char value[65536];
  const ssize_t listed = list_attributes(model, names, sizeof names);
  if (listed < 0) return errno == ENOTSUP;  // a file system that keeps none
  for (const char* name = names; name < names + listed; name += std::strlen(name) + 1) {
    if (!carried(name)) continue;
    const ssize_t size = get_attribute(model, name, value, sizeof value);
    if (size < 0 && errno == ERANGE) errno = ENOTSUP;  // more than a new file can be given here
    if (size < 0 || set_attribute(made, name, value, static_cast<std::size_t>(size)) != 0) {
      return false;
    }
  }
#if defined(__linux__)
  // A new file takes the folder's default access list; the file it replaces
  // had none (a file with one is written in place), and neither may it.
  if (get_attribute(made, kAccessList, nullptr, 0) > 0 &&
      QUORVANE_CALL(kRemoveAttribute, fremovexattr)(made, kAccessList) != 0) {
    return false;
  }
#endif
#else
  static_cast<void>(model);
  static_cast<void>(made);
#endif
  return true;
}

}  // namespace

bool has_access_list(FileHandle file) {
  // Security labels that the system gives every file are no such list.
#if defined(__linux__)
  return get_attribute(file, kAccessList, nullptr, 0) > 0;
#elif defined(__APPLE__)
  acl_t list = acl_get_fd_np(file, ACL_TYPE_EXTENDED);
  if (list == nullptr) return false;
  acl_free(list);
  return true;
#else
  static_cast<void>(file);
  return false;
#endif
}

bool copy_file_permissions(FileHandle model, FileHandle made) {
  struct stat wanted;
  struct stat has;
  if (QUORVANE_CALL(kHandleStatus, fstat)(model, &wanted) != 0 ||
      QUORVANE_CALL(kHandleStatus, fstat)(made, &has) != 0) {
    return false;
  }
  // Ownership first: changing it may clear the set-id bits that the mode
  // then puts back.
  if ((has.st_uid != wanted.st_uid || has.st_gid != wanted.st_gid) &&
      QUORVANE_CALL(kOwner, fchown)(made, wanted.st_uid, wanted.st_gid) != 0) {
    return false;
  }
  if (QUORVANE_CALL(kMode, fchmod)(made, wanted.st_mode & 07777) != 0) return false;
  if (!copy_attributes(model, made)) return false;
  // A set-group-ID bit the run may not set is dropped without an error: the
  // system refused it all the same.
  if (QUORVANE_CALL(kHandleStatus, fstat)(made, &has) != 0) return false;
  const bool alike = has.st_uid == wanted.st_uid && has.st_gid == wanted.st_gid &&
                     (has.st_mode & 07777) == (wanted.st_mode & 07777);
  if (!alike) errno = EPERM;
  return alike;
}
