#ifndef QUORVANE_PLATFORM_PLATFORM_H_
#define QUORVANE_PLATFORM_PLATFORM_H_

// Everything the program asks of the operating system beyond standard C++
// goes through these functions, each system's answers in a file of its own
// (platform_posix.cpp for POSIX systems, platform_windows.cpp for Windows),
// so that nothing else in the program needs to know which system it runs on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

/// Keeps a write that cannot be done (to a console whose reader quit early,
/// as in `quorvane ... | head`, or past a file-size limit) from ending the run
/// with a signal: the write merely fails, and the run can clean up after it.
void ignore_write_signals();

/// Opens the null device on each of descriptors 0, 1 and 2 that is closed, so
/// that no file the run opens later takes a standard stream's place.
void open_standard_streams();

/// When standard output is a console, has it show the program's UTF-8 text
/// as such (the console's own setting is given back at exit).
void use_utf8_console();

/// Makes sure that the command-line arguments are UTF-8 text, taking them
/// afresh from the system where its runtime gives them in another encoding.
void use_utf8_arguments(int* argc, char*** argv);

/// The path object of a path given as UTF-8 text (as the command line gives it).
std::filesystem::path file_path(const std::string& utf8_path);

/// std::fopen of a path given as UTF-8 text; null on failure.
std::FILE* open_file(const std::string& utf8_path, const char* mode);

/// Whether `path` names an existing file that is no regular file: a device
/// (/dev/null, NUL), a pipe or a directory.
bool is_special_file(const std::filesystem::path& path);

/// Whether `stream` is open on a directory (which some systems open for reading).
bool is_directory_stream(std::FILE* stream);

/// Converts `when` to the local broken-down time of the machine's time zone;
/// false when it cannot.
bool local_time(std::time_t when, std::tm* out);

/// Asks the system to back the `size` bytes at `block` with large pages, where
/// it has them: one fault per block instead of one per page.
void advise_large_pages(void* block, std::size_t size);

/// Creates a new, empty file of a name nobody else uses in `folder` and opens
/// it for writing in binary mode; stores its path in `*made`. Null on failure.
std::FILE* create_temporary_file(const std::filesystem::path& folder, std::filesystem::path* made);

/// Creates `path` as a new, empty file; false when a file of that name exists
/// already or none can be made.
bool create_empty_file(const std::filesystem::path& path);

/// Gives the file open on `stream` the owner, group and permissions of the
/// existing file `model`, or, when `model` is empty, the permissions a newly
/// created file gets. True when the file has them all afterwards.
bool copy_file_permissions(std::FILE* stream, const std::filesystem::path& model);

/// Hands everything written to `stream` to the file and has the system put it
/// on the disk, so that a power cut cannot lose it. True when that worked, or
/// when the stream is no regular file (a device, a pipe), which keeps nothing.
bool sync_stream(std::FILE* stream);

/// Asks the system to put the entries of `folder` (a file just renamed into
/// it) on the disk, where it keeps them apart from the files.
void sync_folder(const std::filesystem::path& folder);

/// Writes to `stream` byte for byte (`binary`) or with the system's text line
/// ends, where the system makes a difference (Windows' standard output).
void set_binary_stream(std::FILE* stream, bool binary);

/// Puts the file `from` in the place of `to` in one step, replacing `to` if it
/// exists; false when it cannot (`from` then still exists).
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to);

/// How many names (hard links) the file at `path` has; 0 when that cannot be
/// found out.
std::uintmax_t file_link_count(const std::filesystem::path& path);

/// Opens an existing file for writing in binary mode without truncating it;
/// null on failure (it does not exist, or may not be written).
std::FILE* open_without_truncating(const std::filesystem::path& path);

/// Cuts the file open on `stream` to its first `size` bytes, to be written on
/// from there; false on failure (a pipe or a device cannot be cut).
bool truncate_stream(std::FILE* stream, long size);

/// Whether the last file operation that failed (creating a file, say) was
/// refused for want of permission or on a read-only file system, rather
/// than for lack of space or of a resource.
bool last_failure_was_refusal();

/// The standard stream (stdout, else stderr) that is open on the file at
/// `path`, as with `-o /dev/stdout` or a report named like the file the
/// console is redirected to; null when neither is.
std::FILE* standard_stream_of(const std::filesystem::path& path);

/// Whether a new file put in the place of the existing file `path` could not
/// be given its owner and group: it belongs to another user, or to a group
/// the run may not give files to.
bool has_foreign_owner(const std::filesystem::path& path);

/// Whether the file at `path` is mounted over its name (a file bind-mounted
/// into a container), so that no other file can take its place.
bool is_mount_point(const std::filesystem::path& path);

/// Whether the file at `path` carries an access-control list beyond its
/// permission bits, which a new file would not get.
bool has_access_list(const std::filesystem::path& path);

/// Where a file at `path` is found or would be created: links followed (a
/// dangling one to the file it names), made absolute and free of "." and
/// "..". Empty when the links go round in a circle or the path is unusable.
std::filesystem::path creation_target(const std::filesystem::path& path);

/// Whether a folder takes a new file, found out by making one and removing it.
enum class FolderAnswer {
  kTakesNewFiles,
  kRefusesNewFiles,  ///< for want of permission, or on a read-only file system
  kUnknown,          ///< making the file failed otherwise (no space, no descriptors)
};

/// What the system says of the place a report is to go, links followed.
struct TargetFacts {
  bool exists = false;           ///< something is there
  bool regular = false;          ///< a regular file (rather than a device, pipe or folder)
  bool writable = false;         ///< a regular file that opens for writing
  std::uintmax_t links = 0;      ///< how many names the file has
  bool foreign_owner = false;    ///< see has_foreign_owner
  bool mount_point = false;      ///< see is_mount_point
  bool access_list = false;      ///< see has_access_list
  std::FILE* console = nullptr;  ///< see standard_stream_of
  FolderAnswer folder = FolderAnswer::kUnknown;  ///< asked only of a regular or a new file
};

/// Gathers the facts about the file at `path` (UTF-8 names made into a path
/// with file_path). Asks the folder by making a file in it, and removing it
/// again, only where the answer can matter; changes nothing else.
TargetFacts gather_target_facts(const std::filesystem::path& path);

#endif  // QUORVANE_PLATFORM_PLATFORM_H_
