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

/// Allocates `size` bytes aligned to `size` (a power of two), asking for large
/// pages where the system has them; null when memory runs out.
void* allocate_aligned_block(std::size_t size);

/// Frees a block of allocate_aligned_block; null is ignored.
void free_aligned_block(void* block);

/// Creates a new, empty file of a name nobody else uses in `folder` and opens
/// it for writing in binary mode; stores its path in `*made`. Null on failure.
std::FILE* create_temporary_file(const std::filesystem::path& folder, std::filesystem::path* made);

/// Creates `path` as a new, empty file; false when a file of that name exists
/// already or none can be made.
bool create_empty_file(const std::filesystem::path& path);

/// Gives the file open on `stream` the permissions (and, as far as the run
/// may, the owner and group) of the existing file `model`, or, when `model`
/// is empty, those a newly created file gets. Best effort: what cannot be
/// set stays as it is.
void copy_file_permissions(std::FILE* stream, const std::filesystem::path& model);

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

/// Whether `path` names the file that standard output or standard error
/// is open on (as `-o /dev/stdout` with the console redirected to a file does).
bool is_standard_stream_file(const std::filesystem::path& path);

/// Whether a file replacing the existing file `path` could not be given its
/// owner: it belongs to another user, and the run may not give files away.
bool owned_by_another_user(const std::filesystem::path& path);

#endif  // QUORVANE_PLATFORM_PLATFORM_H_
