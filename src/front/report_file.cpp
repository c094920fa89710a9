#include "front/report_file.h"

#include <system_error>

#include "front/output_buffer.h"
#include "front/same_file.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

enum class FolderProbe { kTakesNewFiles, kRefusesNewFiles, kFailed };

// Whether `folder` takes a new file: one is made and removed again. A folder
// that refuses it may still have a writable report in it; any other failure
// (no space, no handles left) says nothing either way.
FolderProbe probe_folder(const fs::path& folder) {
  fs::path made;
  std::FILE* probe = create_temporary_file(folder, &made);
  if (probe == nullptr) {
    return last_failure_was_refusal() ? FolderProbe::kRefusesNewFiles : FolderProbe::kFailed;
  }
  std::fclose(probe);
  std::error_code ignored;
  fs::remove(made, ignored);
  return FolderProbe::kTakesNewFiles;
}

}  // namespace

bool check_report_file(const std::string& path, ReportFile* report) {
  *report = ReportFile{};
  const fs::path named = file_path(path);
  std::error_code error;
  const fs::file_status status = fs::status(named, error);
  if (is_special_file(named)) {
    // A device or a pipe takes the report as it comes; there is no file to
    // replace. (A directory fails to open here.)
    report->in_place = open_file(path, "wb");
    return report->in_place != nullptr;
  }
  report->target = creation_target(named);
  if (report->target.empty()) return false;
  const fs::path folder = report->target.parent_path();
  if (!fs::exists(status)) return probe_folder(folder) == FolderProbe::kTakesNewFiles;

  std::FILE* earlier = open_without_truncating(report->target);
  if (earlier == nullptr) return false;
  // A new file in its place would lose the report's other names, its owner,
  // or the console that shares it; or the folder takes no new file at all.
  const FolderProbe probe = probe_folder(folder);
  if (probe == FolderProbe::kFailed) {
    std::fclose(earlier);
    return false;
  }
  if (probe == FolderProbe::kRefusesNewFiles || file_link_count(report->target) != 1 ||
      owned_by_another_user(report->target) || is_standard_stream_file(report->target)) {
    report->in_place = earlier;
    report->empty_in_place = true;
    return true;
  }
  std::fclose(earlier);
  report->replaces_earlier = true;
  return true;
}

std::FILE* begin_report_file(ReportFile* report) {
  if (report->in_place != nullptr) {
    std::FILE* stream = report->in_place;
    report->in_place = nullptr;
    if (report->empty_in_place && !truncate_stream(stream, 0)) {
      std::fclose(stream);
      return nullptr;
    }
    report->stream = stream;
    return stream;
  }
  report->stream = create_temporary_file(report->target.parent_path(), &report->temporary);
  if (report->stream == nullptr) return nullptr;
  copy_file_permissions(report->stream, report->replaces_earlier ? report->target : fs::path());
  return report->stream;
}

bool close_report_file(ReportFile* report) {
  const bool written = close_written_stream(report->stream);
  report->stream = nullptr;
  if (!written) abandon_report_file(report);
  return written;
}

bool place_report_file(ReportFile* report) {
  if (report->temporary.empty()) return true;
  if (!replace_file(report->temporary, report->target)) {
    abandon_report_file(report);
    return false;
  }
  report->temporary.clear();
  return true;
}

void abandon_report_file(ReportFile* report) {
  if (report->in_place != nullptr) std::fclose(report->in_place);
  report->in_place = nullptr;
  if (report->stream != nullptr) std::fclose(report->stream);
  report->stream = nullptr;
  if (!report->temporary.empty()) {
    std::error_code ignored;
    fs::remove(report->temporary, ignored);
    report->temporary.clear();
  }
}
