#ifndef QUORVANE_FRONT_SAME_FILE_H_
#define QUORVANE_FRONT_SAME_FILE_H_

#include <filesystem>
#include <string>

/// Whether the two paths (UTF-8) name the same file, by whatever names: links
/// and relative spellings count, and so do names that the file system takes
/// for one (such as names differing in case on Windows). Files that do not
/// exist yet are compared by where they would be created.
bool same_file(const std::string& a, const std::string& b);

/// Where a file at `path` is found or would be created: links followed (a
/// dangling one to the file it names), made absolute and free of "." and
/// "..". Empty when the links go round in a circle or the path is unusable.
std::filesystem::path creation_target(const std::filesystem::path& path);

#endif  // QUORVANE_FRONT_SAME_FILE_H_
