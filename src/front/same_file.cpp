#include "front/same_file.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Where a path that does not exist yet will be created: through any dangling
// links it is made of, then made absolute and free of "." and "..".
fs::path creation_target(fs::path path, std::error_code& error) {
  for (int hops = 0; hops < 40; ++hops) {
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  error.clear();
  return fs::weakly_canonical(fs::absolute(path, error), error);
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  bool a_exists = fs::exists(a, error);
  bool b_exists = fs::exists(b, error);
  if (a_exists && b_exists) {
    bool same = fs::equivalent(a, b, error);
    return !error && same;
  }
  if (a_exists != b_exists) return false;
  fs::path a_target = creation_target(a, error);
  if (error) return false;
  fs::path b_target = creation_target(b, error);
  return !error && a_target == b_target;
}
