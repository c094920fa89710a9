#ifndef QUORVANE_FRONT_SAME_FILE_H_
#define QUORVANE_FRONT_SAME_FILE_H_

#include <string>

/// Whether the two paths name the same file, by whatever names: links and
/// relative spellings count. Files that do not exist yet are compared by
/// their resolved paths.
bool same_file(const std::string& a, const std::string& b);

#endif  // QUORVANE_FRONT_SAME_FILE_H_
