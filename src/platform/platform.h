#ifndef QUORVANE_PLATFORM_PLATFORM_H_
#define QUORVANE_PLATFORM_PLATFORM_H_

// Everything the program asks of the operating system beyond standard C++
// goes through these functions. Each system answers in files of its own,
// which CMake picks: the POSIX calls that Unix systems and the web share
// (*_posix.cpp), what only Unix systems have (*_unix.cpp), the web's answers
// (*_web.cpp) and Windows' (*_windows.cpp). Nothing else in the program knows
// which system it runs on. The system calls that placing the report and
// writing the log make go through the table of system_calls.h, so that a test
// can make any of them fail.
//
// Files are named once, as the system resolves the name (open_place), and
// then reached through what the system opened: a folder held open and a bare
// name in it, or a file's own handle. No path is ever put together by hand.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// ---- The process ----

/// Makes the process ready for a run: each closed standard stream is opened
/// on the null device (so that no file of the run takes its place), a write
/// that cannot be done (to a console whose reader quit, or past a file-size
/// limit) fails instead of ending the process with a signal, and new files get
/// the permissions a user's new files get.
void prepare_process();

/// Has `cleanup` run when the run is interrupted (Ctrl-C, a terminal that
/// closes, a polite kill; on Windows also Ctrl-Break and closing the console
/// window), then ends the process as the interruption would have. An
/// interruption that was ignored when the process started stays ignored.
/// `cleanup` may only do what is safe inside a signal handler: remove a file,
/// write a descriptor.
void catch_interruptions(void (*cleanup)());

/// When standard output is a console, has it show the program's UTF-8 text
/// as such (the console's own setting is given back at exit).
void use_utf8_console();

/// Makes sure that the command-line arguments are UTF-8 text, taking them
/// afresh from the system where its runtime gives them in another encoding.
void use_utf8_arguments(int* argc, char*** argv);

/// Converts `when` to the local broken-down time of the machine's time zone;
/// false when it cannot.
bool local_time(std::time_t when, std::tm* out);

/// Asks the system to back the `size` bytes at `block` with large pages, where
/// it has them: one fault per block instead of one per page.
void advise_large_pages(void* block, std::size_t size);

/// How far a run has come, for a page that shows it; nothing where no one
/// watches. `done` of `total` bytes read, or titles analysed.
enum class Progress { kReading, kAnalysing };
void show_progress(Progress stage, std::uint64_t done, std::uint64_t total);

// ---- Files ----

/// A file or folder the system opened for the program (a descriptor of the C
/// runtime on every system), or kNoFile.
using FileHandle = int;
constexpr FileHandle kNoFile = -1;
/// The standard streams the console writes to.
constexpr FileHandle kStandardOutput = 1;
constexpr FileHandle kStandardError = 2;

/// What the system says a file is: its volume and its number there (device
/// and inode, or the volume serial and file ID).
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool known = false;  ///< false for what has none (a console, a pipe on Windows)
  bool operator==(const FileId& other) const {
    return known && other.known && volume == other.volume && file == other.file;
  }
};

enum class FileKind { kMissing, kRegular, kFolder, kOther /* a device, a pipe, a socket */ };

/// What the system says of a file.
struct FileStatus {
  FileKind kind = FileKind::kMissing;
  FileId id;
  std::uint64_t links = 0;  ///< how many names it has (0 where unknown)
  std::uint64_t size = 0;   ///< how many bytes it holds, where it is a regular file
};

/// Where a file named on the command line is, or is to be: the folder it is
/// in, held open, and its name there, the links at its end followed. The
/// folder is what the system opened for the folder part of the name, so that
/// "typo/../x" has none when "typo" is missing.
struct Place {
  FileHandle folder = kNoFile;
  std::string name;         ///< its name in `folder` (UTF-8)
  std::string folder_path;  ///< where the system acts on paths only (Windows): the folder's final path
  /// The name is one the system follows in a way no link text says (a
  /// console's /proc/self/fd/1, a device): it is opened as named, never
  /// replaced.
  bool as_named = false;
};

/// Opens the place of `path` (UTF-8), as the system resolves it: its folder
/// part opened by the system, then each link at its end followed from its own
/// link's folder. False, with nothing created, when the system would not
/// reach or create a file of that name (a folder on the way missing or no
/// folder, a loop of links, a name ending in a separator, "." or "..").
bool open_place(const std::string& path, Place* place);

/// Closes what open_place opened (an unopened place is fine).
void close_place(Place* place);

/// What is at `place` now (kMissing when nothing is); false when the system
/// could not say.
bool place_status(const Place& place, FileStatus* status);

/// The identity of the folder of `place`; false when the system could not say.
bool folder_id(const Place& place, FileId* id);

/// Whether the folder of `place` lives on a file system that takes names
/// differing in case for one (Windows', macOS' by default, a FAT stick, a
/// case-folding ext4 folder).
bool place_folds_case(const Place& place);

/// Whether a file system that folds case as `folds` says takes `a` and `b`
/// (UTF-8) for one name.
bool names_match(const std::string& a, const std::string& b, bool folds);

/// The identity of the file `path` names, as the system resolves it (links
/// followed); false when it names none.
bool path_id(const std::string& path, FileId* id);

/// What the system says of an open file, or of standard output or error.
bool handle_status(FileHandle file, FileStatus* status);

/// The handle of an open stream.
FileHandle handle_of(std::FILE* stream);

/// Opens an existing file for reading in binary mode; null when it does not
/// open or is a folder.
std::FILE* open_input(const std::string& path);

/// Opens the file at `place` for writing, without emptying it; with `create`,
/// makes it (as any new file is made) when it is missing. kNoFile on failure.
FileHandle open_for_writing(const Place& place, bool create);

/// Makes the new file `name` in the folder of `place` and opens it for
/// writing; fails when that name is taken. `private_file`: only its owner may
/// read it, until its permissions are set; else it gets those of any new file
/// (the umask, or the folder's default access list). kNoFile on failure, with
/// `*name_taken` saying whether a file of that name was there.
FileHandle create_file(const Place& place, const char* name, bool private_file, bool* name_taken);

/// Writes `size` bytes to `file` (a standard stream keeps its own line ends);
/// false when not all got there.
bool write_file(FileHandle file, const char* bytes, std::size_t size);

/// Asks the system to begin putting what was written to `file` on the disk,
/// without waiting, so that a sync later has little left to wait for (a
/// large log's, say); nothing where the system cannot.
void start_writeback(FileHandle file);

/// Has the system put what was written to `file` on the disk, so that a power
/// cut cannot lose it. True when that worked, or when it is no regular file
/// (a device, a pipe), which keeps nothing.
bool sync_file(FileHandle file);

/// Cuts `file` to its first `size` bytes, to be written on from there.
bool truncate_file(FileHandle file, std::uint64_t size);

/// Closes `file`; false when that failed (some file systems report a write
/// error only now).
bool close_file(FileHandle file);

/// Writes to standard output or error byte for byte (`binary`), or with the
/// system's line ends, where the system makes a difference (Windows).
void set_binary_stream(FileHandle standard, bool binary);

enum class LockAnswer { kLocked, kHeldElsewhere, kNoLocks };

/// Takes an advisory lock on `file` for the rest of the run, without waiting:
/// kHeldElsewhere when another process holds one, kNoLocks where the file
/// system keeps none (the run then goes on without).
LockAnswer lock_file(FileHandle file);

/// Gives the new file `made` the owner, group, permission bits and extended
/// attributes of the file `model`, and no access list beyond the bits where
/// `model` has none. True when `made` has them all afterwards; where the
/// system may not give them, last_failure_was_refusal says so.
bool copy_file_permissions(FileHandle model, FileHandle made);

/// Puts the file `from`, in the folder of `place`, in the place's name, in
/// one step, replacing what was there; false when it cannot (`from` then
/// still exists, and so does the file it was to replace).
bool replace_file(const Place& place, const char* from);

/// Removes the file `name` from the folder of `place`. Safe in a signal
/// handler on every system.
void remove_file(const Place& place, const char* name);

/// Whether the last file operation that failed was refused for want of
/// permission, on a read-only file system, or as one the file system does
/// not do, rather than for lack of space or of a resource.
bool last_failure_was_refusal();

/// Asks the system to put the folder of `place`'s entries on the disk, where
/// it keeps them apart from the files.
void sync_folder(const Place& place);

// ---- Facts about a report's place ----

/// Whether a new file put in the place of the existing file `file` could not
/// be given its owner and group: it belongs to another user, or to a group the
/// run may not give files to.
bool has_foreign_owner(FileHandle file);

/// Whether the file at `place` is mounted over its name (a file bind-mounted
/// into a container), so that no other file can take its place.
bool is_mount_point(const Place& place);

/// Whether `file` carries an access-control list beyond its permission bits,
/// which a new file would not get.
bool has_access_list(FileHandle file);

/// Whether the folder of `place` takes a new file, as the system answers for
/// this user, without making one.
enum class FolderAnswer {
  kTakesNewFiles,
  kRefusesNewFiles,  ///< for want of permission, or on a read-only file system
  kUnknown,          ///< the system could not say
};
FolderAnswer folder_takes_files(const Place& place);

#endif  // QUORVANE_PLATFORM_PLATFORM_H_
