#ifndef QUORVANE_PLATFORM_PLATFORM_H_
#define QUORVANE_PLATFORM_PLATFORM_H_

// Everything the program asks of the operating system beyond standard C++
// goes through these functions; platform_posix.cpp and platform_windows.cpp
// answer for their systems, and nothing else in the program needs to know
// which one it runs on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

/// Keeps a console reader that quits early (`quorvane ... | head`) from
/// ending the run with a signal; console writes then merely fail.
void ignore_broken_pipes();

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

/// Gives the file open on `stream` the permissions of the existing file
/// `model`, or, when `model` is empty, those a newly created file gets.
/// Best effort: a file whose permissions cannot be set keeps its own.
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

/// Cuts the file open on `stream` to nothing, to be written from its start;
/// false on failure.
bool truncate_stream(std::FILE* stream);

#endif  // QUORVANE_PLATFORM_PLATFORM_H_
