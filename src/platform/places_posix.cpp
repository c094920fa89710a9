// Places and identities on POSIX systems (Unix and the web): a name is
// resolved as the kernel resolves it, its folder opened by the kernel and
// the links at its end read one by one, each from its own link's folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <cstdint>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix.h"

namespace {

// A folder opened only to find names in it, which needs no permission to read
// it where the system knows how.
#if defined(O_PATH)
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#elif defined(O_SEARCH)
constexpr int kFolderFlags = O_SEARCH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// The hops a chain of links may take, as Linux allows.
constexpr int kMostLinks = 40;

FileId id_of(const struct stat& status) {
  return FileId{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                true};
}

FileStatus status_of(const struct stat& status) {
  FileStatus made;
  made.kind = S_ISREG(status.st_mode)   ? FileKind::kRegular
              : S_ISDIR(status.st_mode) ? FileKind::kFolder
                                        : FileKind::kOther;
  made.id = id_of(status);
  made.links = static_cast<std::uint64_t>(status.st_nlink);
  made.size = static_cast<std::uint64_t>(status.st_size);
  return made;
}

// Opens the folder part of `path` relative to `from`, and leaves its last
// part in `*name`. False when the system has no such folder, or the last
// part names no file (empty, "." or "..").
bool open_folder_of(int from, std::string_view path, int* folder, std::string_view* name) {
  const std::size_t slash = path.rfind('/');
  *name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name->empty() || *name == "." || *name == "..") return false;
  std::string folder_text(slash == std::string_view::npos ? "." : std::string(path.substr(0, slash)));
  if (folder_text.empty()) folder_text = "/";
  do {
    *folder = QUORVANE_CALL(kOpenFolder, open_at)(from, folder_text.c_str(), kFolderFlags, 0);
  } while (*folder < 0 && errno == EINTR);
  return *folder >= 0;
}

// A folder descriptor closed when it goes, unless handed on.
struct HeldFolder {
  int descriptor = -1;
  ~HeldFolder() {
    if (descriptor >= 0) QUORVANE_CALL(kCloseFolder, close)(descriptor);
  }
  int release() {
    int kept = descriptor;
    descriptor = -1;
    return kept;
  }
};

}  // namespace

bool open_place(const std::string& path, Place* place) {
  close_place(place);
  HeldFolder first;
  std::string_view first_name;
  if (!open_folder_of(AT_FDCWD, path, &first.descriptor, &first_name)) return false;
  const std::string named(first_name);
  // What the system itself reaches through every link, to check the walk by.
  struct stat reached;
  const bool system_reaches =
      QUORVANE_CALL(kStatusAt, fstatat)(first.descriptor, named.c_str(), &reached, 0) == 0;

  // The walk starts in the first folder, and holds each folder a link leads
  // to in `moved`.
  HeldFolder moved;
  int folder = first.descriptor;
  std::string name = named;
  struct stat here;
  bool exists = false;
  for (int hops = 0;; ++hops) {
    if (QUORVANE_CALL(kStatusAt, fstatat)(folder, name.c_str(), &here, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return false;
      break;
    }
    exists = true;
    if (!S_ISLNK(here.st_mode)) break;
    if (hops == kMostLinks) return false;
    static char target[4096];
    const ssize_t size =
        QUORVANE_CALL(kReadLink, readlinkat)(folder, name.c_str(), target, sizeof target);
    if (size <= 0 || static_cast<std::size_t>(size) >= sizeof target) return false;
    int next = -1;
    std::string_view next_name;
    if (!open_folder_of(folder, std::string_view(target, static_cast<std::size_t>(size)), &next,
                        &next_name)) {
      return false;
    }
    if (moved.descriptor >= 0) QUORVANE_CALL(kCloseFolder, close)(moved.release());
    moved.descriptor = folder = next;
    name.assign(next_name);
    exists = false;
  }
  if (system_reaches && !(exists && id_of(here) == id_of(reached))) {
    // A link the system follows in its own way (/proc/self/fd/1 to a pipe,
    // say): the name is used as given.
    place->folder = first.release();
    place->name = named;
    place->as_named = true;
    return true;
  }
  if (!system_reaches && exists) return false;  // changed under the walk
  place->folder = moved.descriptor >= 0 ? moved.release() : first.release();
  place->name = std::move(name);
  place->as_named = false;
  return true;
}

void close_place(Place* place) {
  if (place->folder >= 0) QUORVANE_CALL(kCloseFolder, close)(place->folder);
  place->folder = kNoFile;
  place->name.clear();
  place->as_named = false;
}

bool place_status(const Place& place, FileStatus* status) {
  struct stat found;
  const int flags = place.as_named ? 0 : AT_SYMLINK_NOFOLLOW;
  if (QUORVANE_CALL(kStatusAt, fstatat)(place.folder, place.name.c_str(), &found, flags) != 0) {
    *status = FileStatus{};
    return errno == ENOENT;
  }
  *status = status_of(found);
  return true;
}

bool folder_id(const Place& place, FileId* id) {
  struct stat folder;
  if (QUORVANE_CALL(kHandleStatus, fstat)(place.folder, &folder) != 0) return false;
  *id = id_of(folder);
  return true;
}

bool place_folds_case(const Place& place) {
#if defined(__linux__)
  // A FAT or exFAT stick folds case throughout; ext4 and f2fs fold it in the
  // folders marked so.
  struct statfs volume;
  if (QUORVANE_CALL(kFileSystem, fstatfs)(place.folder, &volume) == 0 &&
      (volume.f_type == MSDOS_SUPER_MAGIC || volume.f_type == 0x2011BAB0 /* exFAT */)) {
    return true;
  }
  const int folder = QUORVANE_CALL(kOpenFolder, open_at)(place.folder, ".",
                                                        O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (folder < 0) return false;
  int flags = 0;
  const bool folds = QUORVANE_CALL(kInodeFlags, file_flags)(folder, &flags) == 0 &&
                     (flags & FS_CASEFOLD_FL) != 0;
  QUORVANE_CALL(kCloseFolder, close)(folder);
  return folds;
#elif defined(__APPLE__)
  return QUORVANE_CALL(kCaseSensitive, fpathconf)(place.folder, _PC_CASE_SENSITIVE) == 0;
#else
  static_cast<void>(place);
  return false;
#endif
}

bool path_id(const std::string& path, FileId* id) {
  struct stat found;
  if (QUORVANE_CALL(kStatusAt, fstatat)(AT_FDCWD, path.c_str(), &found, 0) != 0) return false;
  *id = id_of(found);
  return true;
}

bool handle_status(FileHandle file, FileStatus* status) {
  struct stat found;
  const bool standard = file == kStandardOutput || file == kStandardError;
  if (!(standard ? standard_stream_status(file, &found)
                 : QUORVANE_CALL(kHandleStatus, fstat)(file, &found) == 0)) {
    return false;
  }
  *status = status_of(found);
  return true;
}

std::FILE* open_input(const std::string& path) {
  std::FILE* input = std::fopen(path.c_str(), "rb");
  struct stat status;
  if (input != nullptr && fstat(fileno(input), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(input);
    return nullptr;
  }
  return input;
}

FileHandle handle_of(std::FILE* stream) { return fileno(stream); }

namespace {

// The next code point of UTF-8 `text` at `*at`, moving past it; a byte that
// begins no well-formed sequence stands for itself (above U+10FFFF, so that
// it meets no letter).
std::uint32_t next_code_point(std::string_view text, std::size_t* at) {
  const unsigned char lead = static_cast<unsigned char>(text[*at]);
  const int size = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
  std::uint32_t point = size == 1 ? lead : size == 2 ? lead & 0x1F : size == 3 ? lead & 0x0F : lead & 0x07;
  bool formed = size > 0 && *at + size <= text.size();
  for (int k = 1; formed && k < size; ++k) {
    const unsigned char more = static_cast<unsigned char>(text[*at + k]);
    formed = more >> 6 == 2;
    point = point << 6 | (more & 0x3F);
  }
  if (!formed) {
    ++*at;
    return 0x110000 + lead;
  }
  *at += size;
  return point;
}

// The lower-case letter of `point` where Unicode's simple folding gives one, in
// the scripts of most collectors' titles: Latin, Greek and Cyrillic.
std::uint32_t folded(std::uint32_t point) {
  if ((point >= 'A' && point <= 'Z') || (point >= 0xC0 && point <= 0xDE && point != 0xD7) ||
      (point >= 0x391 && point <= 0x3AB && point != 0x3A2) || (point >= 0x410 && point <= 0x42F)) {
    return point + 0x20;
  }
  if (point >= 0x400 && point <= 0x40F) return point + 0x50;
  if (point == 0x178) return 0xFF;
  const bool even_pairs = (point >= 0x100 && point <= 0x12F) || (point >= 0x132 && point <= 0x137) ||
                          (point >= 0x14A && point <= 0x177) || (point >= 0x460 && point <= 0x4BF);
  const bool odd_pairs = (point >= 0x139 && point <= 0x148) || (point >= 0x179 && point <= 0x17E);
  if ((even_pairs && point % 2 == 0) || (odd_pairs && point % 2 == 1)) return point + 1;
  return point;
}

}  // namespace

bool names_match(const std::string& a, const std::string& b, bool folds) {
  if (!folds) return a == b;
  std::size_t at_a = 0;
  std::size_t at_b = 0;
  while (at_a < a.size() && at_b < b.size()) {
    if (folded(next_code_point(a, &at_a)) != folded(next_code_point(b, &at_b))) return false;
  }
  return at_a == a.size() && at_b == b.size();
}
