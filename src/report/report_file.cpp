#include "report/report_file.h"

#include <system_error>

#include "base/log_message.h"
#include "base/output_buffer.h"

namespace fs = std::filesystem;

ReportMode choose_report_mode(const TargetFacts& facts) {
  if (facts.console != nullptr) return ReportMode::kThroughConsole;
  // A device or a pipe takes the report as it comes (a folder fails to open).
  if (facts.exists && !facts.regular) return ReportMode::kInPlace;
  if (facts.exists && !facts.writable) return ReportMode::kRefuse;
  switch (facts.folder) {
    case FolderAnswer::kUnknown:
      return ReportMode::kRefuse;
    case FolderAnswer::kRefusesNewFiles:
      return facts.exists ? ReportMode::kInPlace : ReportMode::kRefuse;
    case FolderAnswer::kTakesNewFiles:
      break;
  }
  // A new file in its place would lose the report's other names, its owner,
  // group or access list, or could not take the place of a mount at all.
  if (facts.exists &&
      (facts.links != 1 || facts.foreign_owner || facts.mount_point || facts.access_list)) {
    return ReportMode::kInPlace;
  }
  return ReportMode::kReplace;
}

bool check_report_file(const std::string& path, ReportFile* report) {
  *report = ReportFile{};
  const fs::path named = file_path(path);
  const TargetFacts facts = gather_target_facts(named);
  report->mode = choose_report_mode(facts);
  switch (report->mode) {
    case ReportMode::kRefuse:
      return false;
    case ReportMode::kThroughConsole:
      report->console = facts.console;
      return true;
    case ReportMode::kInPlace:
      // Opened now, and kept: a pipe's reader would take a second opening
      // for a second writer.
      report->in_place = facts.regular ? open_without_truncating(named) : open_file(path, "wb");
      report->empty_in_place = facts.regular;
      return report->in_place != nullptr;
    case ReportMode::kReplace:
      report->target = creation_target(named);
      report->replaces_earlier = facts.exists;
      return !report->target.empty();
  }
  return false;
}

namespace {

// Writes the report into the earlier one itself, emptied first.
std::FILE* begin_in_place(ReportFile* report) {
  std::FILE* stream = report->in_place;
  report->in_place = nullptr;
  if (report->empty_in_place && !truncate_stream(stream, 0)) {
    std::fclose(stream);
    return nullptr;
  }
  report->stream = stream;
  return stream;
}

void remove_temporary(ReportFile* report) {
  if (report->temporary.empty()) return;
  std::error_code ignored;
  fs::remove(report->temporary, ignored);
  report->temporary.clear();
}

}  // namespace

std::FILE* begin_report_file(ReportFile* report) {
  switch (report->mode) {
    case ReportMode::kRefuse:
      return nullptr;
    case ReportMode::kThroughConsole:
      // The console's text so far comes first, and the report is written
      // byte for byte, its own CR LF included.
      flush_log_output();
      set_binary_stream(report->console, true);
      report->stream = report->console;
      return report->stream;
    case ReportMode::kInPlace:
      return begin_in_place(report);
    case ReportMode::kReplace:
      break;
  }
  report->stream = create_temporary_file(report->target.parent_path(), &report->temporary);
  if (report->stream == nullptr) return nullptr;
  const bool alike =
      copy_file_permissions(report->stream, report->replaces_earlier ? report->target : fs::path());
  if (alike || !report->replaces_earlier) return report->stream;
  // The new file cannot have the earlier one's owner, group and mode: the
  // earlier one is written in place instead, and keeps them.
  std::fclose(report->stream);
  report->stream = nullptr;
  remove_temporary(report);
  report->mode = ReportMode::kInPlace;
  report->in_place = open_without_truncating(report->target);
  report->empty_in_place = true;
  return report->in_place == nullptr ? nullptr : begin_in_place(report);
}

namespace {

// Lets go of the stream the report was written to: the console's is handed
// back in its own mode, any other closed. False when closing it failed.
bool release_stream(ReportFile* report) {
  std::FILE* stream = report->stream;
  report->stream = nullptr;
  if (stream == nullptr) return true;
  if (stream == report->console) {
    set_binary_stream(stream, false);
    return true;
  }
  return close_written_stream(stream);
}

}  // namespace

bool close_report_file(ReportFile* report) {
  const bool synced = sync_stream(report->stream);
  const bool written = release_stream(report) && synced;
  if (!written) abandon_report_file(report);
  return written;
}

bool place_report_file(ReportFile* report) {
  if (report->temporary.empty()) return true;
  // Named before the report changes: once it has, nothing may fail for
  // want of memory.
  const fs::path folder = report->target.parent_path();
  if (!replace_file(report->temporary, report->target)) {
    abandon_report_file(report);
    return false;
  }
  report->temporary.clear();
  // The folder's new entry is put on the disk too. Should that fail, the run
  // is no less done: the report stands in its place, and a power cut could
  // at worst bring back the earlier one, whole.
  sync_folder(folder);
  return true;
}

void abandon_report_file(ReportFile* report) {
  if (report->in_place != nullptr) std::fclose(report->in_place);
  report->in_place = nullptr;
  release_stream(report);
  remove_temporary(report);
}
