#include "report/report_placement.h"

#include <gtest/gtest.h>

namespace {

// The way of writing for every kind of place a report can go.
TEST(ChooseReportMode, FollowsFromTheFactsOfThePlace) {
  const FolderAnswer takes = FolderAnswer::kTakesNewFiles;
  const FolderAnswer refuses = FolderAnswer::kRefusesNewFiles;
  const FolderAnswer unknown = FolderAnswer::kUnknown;
  const FileKind missing = FileKind::kMissing, regular = FileKind::kRegular,
                 folder = FileKind::kFolder, other = FileKind::kOther;
  const ReportMode replace = ReportMode::kReplace, in_place = ReportMode::kInPlace,
                   console = ReportMode::kThroughConsole, refuse = ReportMode::kRefuse;
  struct Case {
    const char* what;
    // kind, known, writable, as named, links, foreign owner, mount point,
    // access list, console, folder
    TargetFacts facts;
    ReportMode mode;
  };
  const Case cases[] = {
      {"a new report", {missing, true, false, false, 0, false, false, false, kNoFile, takes}, replace},
      {"a place the system could not say anything of",
       {missing, false, false, false, 0, false, false, false, kNoFile, takes}, refuse},
      {"a new report where no file can be made",
       {missing, true, false, false, 0, false, false, false, kNoFile, refuses}, refuse},
      {"a new report where the folder's answer is unknown",
       {missing, true, false, false, 0, false, false, false, kNoFile, unknown}, refuse},
      {"an earlier report", {regular, true, true, false, 1, false, false, false, kNoFile, takes},
       replace},
      {"an earlier report that may not be written",
       {regular, true, false, false, 1, false, false, false, kNoFile, takes}, refuse},
      {"an earlier report where no file can be made",
       {regular, true, true, false, 1, false, false, false, kNoFile, refuses}, in_place},
      {"an earlier report where the folder's answer is unknown",
       {regular, true, true, false, 1, false, false, false, kNoFile, unknown}, refuse},
      {"a folder", {folder, true, false, false, 0, false, false, false, kNoFile, unknown}, refuse},
      {"a device or a pipe", {other, true, true, false, 0, false, false, false, kNoFile, unknown},
       in_place},
      {"a device that does not open", {other, true, false, false, 0, false, false, false, kNoFile, unknown},
       refuse},
      {"the console", {other, true, false, false, 0, false, false, false, kStandardOutput, unknown},
       console},
      {"the console's file",
       {regular, true, false, false, 1, false, false, false, kStandardError, takes}, console},
      {"a file the system reaches only as named",
       {regular, true, true, true, 1, false, false, false, kNoFile, takes}, in_place},
      {"a file with two names", {regular, true, true, false, 2, false, false, false, kNoFile, takes},
       in_place},
      {"a file whose names cannot be counted",
       {regular, true, true, false, 0, false, false, false, kNoFile, takes}, in_place},
      {"a file a new one could not take the owner of",
       {regular, true, true, false, 1, true, false, false, kNoFile, takes}, in_place},
      {"a mount point", {regular, true, true, false, 1, false, true, false, kNoFile, takes}, in_place},
      {"a file with an access-control list",
       {regular, true, true, false, 1, false, false, true, kNoFile, takes}, in_place},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<int>(choose_report_mode(c.facts)), static_cast<int>(c.mode)) << c.what;
  }
}

}  // namespace
