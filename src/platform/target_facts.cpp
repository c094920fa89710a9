// The facts about a report's place, put together from the system's answers;
// the same on every system.

#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

fs::path creation_target(const fs::path& named) {
  // Links are followed by hand, since weakly_canonical stops at a dangling one
  // and the file would be created where it points.
  constexpr int kMostHops = 40;
  std::error_code error;
  fs::path path = named;
  int hops = 0;
  for (; hops < kMostHops; ++hops) {
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    fs::path target = fs::read_symlink(path, error);
    if (error) return {};
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  if (hops == kMostHops) return {};
  error.clear();
  fs::path absolute = fs::absolute(path, error);
  if (error) return {};
  fs::path resolved = fs::weakly_canonical(absolute, error);
  return error ? fs::path() : resolved;
}

namespace {

// A folder that refuses a file may still hold a writable report; any other
// failure (no space, no descriptors left) says nothing either way.
FolderAnswer ask_folder(const fs::path& folder) {
  fs::path made;
  std::FILE* probe = create_temporary_file(folder, &made);
  if (probe == nullptr) {
    return last_failure_was_refusal() ? FolderAnswer::kRefusesNewFiles : FolderAnswer::kUnknown;
  }
  std::fclose(probe);
  std::error_code ignored;
  fs::remove(made, ignored);
  return FolderAnswer::kTakesNewFiles;
}

}  // namespace

TargetFacts gather_target_facts(const fs::path& path) {
  TargetFacts facts;
  facts.console = standard_stream_of(path);
  if (is_special_file(path)) {
    facts.exists = true;
    return facts;
  }
  std::error_code error;
  facts.exists = fs::exists(fs::status(path, error));
  facts.regular = facts.exists;
  if (facts.console != nullptr) return facts;
  const fs::path target = creation_target(path);
  if (target.empty()) return facts;
  if (facts.exists) {
    std::FILE* earlier = open_without_truncating(target);
    if (earlier == nullptr) return facts;
    std::fclose(earlier);
    facts.writable = true;
    facts.links = file_link_count(target);
    facts.foreign_owner = has_foreign_owner(target);
    facts.mount_point = is_mount_point(target);
    facts.access_list = has_access_list(target);
  }
  facts.folder = ask_folder(target.parent_path());
  return facts;
}
