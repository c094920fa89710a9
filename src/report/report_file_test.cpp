#include "report/report_file.h"

#include <gtest/gtest.h>

namespace {

// The way of writing for every kind of place a report can go.
TEST(ChooseReportMode, FollowsFromTheFactsOfThePlace) {
  const FolderAnswer takes = FolderAnswer::kTakesNewFiles;
  const FolderAnswer refuses = FolderAnswer::kRefusesNewFiles;
  const FolderAnswer unknown = FolderAnswer::kUnknown;
  const ReportMode replace = ReportMode::kReplace, in_place = ReportMode::kInPlace,
                   console = ReportMode::kThroughConsole, refuse = ReportMode::kRefuse;
  struct Case {
    const char* what;
    // exists, regular, writable, links, foreign owner, mount point, access list,
    // console, folder
    TargetFacts facts;
    ReportMode mode;
  };
  const Case cases[] = {
      {"a new report", {false, false, false, 0, false, false, false, nullptr, takes}, replace},
      {"a new report where no file can be made",
       {false, false, false, 0, false, false, false, nullptr, refuses}, refuse},
      {"a new report where making a file failed otherwise",
       {false, false, false, 0, false, false, false, nullptr, unknown}, refuse},
      {"an earlier report", {true, true, true, 1, false, false, false, nullptr, takes}, replace},
      {"an earlier report that may not be written",
       {true, true, false, 1, false, false, false, nullptr, takes}, refuse},
      {"an earlier report where no file can be made",
       {true, true, true, 1, false, false, false, nullptr, refuses}, in_place},
      {"an earlier report where making a file failed otherwise",
       {true, true, true, 1, false, false, false, nullptr, unknown}, refuse},
      {"a device or a pipe", {true, false, false, 0, false, false, false, nullptr, unknown},
       in_place},
      {"the console", {true, false, false, 0, false, false, false, stdout, unknown}, console},
      {"the console's file", {true, true, true, 1, false, false, false, stderr, takes}, console},
      {"a file with two names", {true, true, true, 2, false, false, false, nullptr, takes},
       in_place},
      {"a file whose names cannot be counted",
       {true, true, true, 0, false, false, false, nullptr, takes}, in_place},
      {"a file a new one could not take the owner of",
       {true, true, true, 1, true, false, false, nullptr, takes}, in_place},
      {"a mount point", {true, true, true, 1, false, true, false, nullptr, takes}, in_place},
      {"a file with an access-control list",
       {true, true, true, 1, false, false, true, nullptr, takes}, in_place},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<int>(choose_report_mode(c.facts)), static_cast<int>(c.mode)) << c.what;
  }
}

}  // namespace
