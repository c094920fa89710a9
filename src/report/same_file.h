#ifndef QUORVANE_REPORT_SAME_FILE_H_
#define QUORVANE_REPORT_SAME_FILE_H_

#include <string>

/// Whether the two paths (UTF-8) name the same file, by whatever names: links
/// and relative spellings count, and so do names that the file system takes
/// for one (such as names differing in case on Windows). Files that do not
/// exist yet are compared by where they would be created.
bool same_file(const std::string& a, const std::string& b);

#endif  // QUORVANE_REPORT_SAME_FILE_H_
