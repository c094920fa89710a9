#include "report/same_file.h"

#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

// Whether the file system takes two names of files yet to come for one:
// Windows, and macOS by default, do so with names that differ only in case,
// macOS also with the two Unicode spellings of an accented letter. Only the
// file system knows its own rules, so it is asked: a file made under the
// first name is looked for under the second, then removed again. A folder
// that takes no new file gets no report or log either, and the run fails on
// creating them.
bool one_name_for_the_file_system(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (!fs::equivalent(a.parent_path(), b.parent_path(), error) || error) return false;
  if (!create_empty_file(a)) return false;
  bool same = fs::exists(b, error);
  fs::remove(a, error);
  return same;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  const fs::path a_path = file_path(a);
  const fs::path b_path = file_path(b);
  std::error_code error;
  bool a_exists = fs::exists(a_path, error);
  bool b_exists = fs::exists(b_path, error);
  if (a_exists && b_exists) {
    bool same = fs::equivalent(a_path, b_path, error);
    return !error && same;
  }
  if (a_exists != b_exists) return false;
  fs::path a_target = creation_target(a_path);
  fs::path b_target = creation_target(b_path);
  if (a_target.empty() || b_target.empty()) return false;
  return a_target == b_target || one_name_for_the_file_system(a_target, b_target);
}
