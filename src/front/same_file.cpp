#include "front/same_file.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  bool a_exists = fs::exists(a, error);
  bool b_exists = fs::exists(b, error);
  if (a_exists && b_exists) {
    bool same = fs::equivalent(a, b, error);
    return !error && same;
  }
  if (a_exists != b_exists) return false;
  fs::path a_resolved = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  fs::path b_resolved = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && a_resolved == b_resolved;
}
