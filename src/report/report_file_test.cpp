#include "report/report_file.h"

#include <gtest/gtest.h>

namespace {

// The way of writing for every kind of place a report can go.
TEST(ChooseReportMode, FollowsFromTheFactsOfThePlace) {
  auto facts = [](bool exists, bool regular, bool writable, FolderAnswer folder) {
    TargetFacts made;
    made.exists = exists;
    made.regular = regular;
    made.writable = writable;
    made.links = exists && regular ? 1 : 0;
    made.folder = folder;
    return made;
  };
  const FolderAnswer takes = FolderAnswer::kTakesNewFiles;
  const FolderAnswer refuses = FolderAnswer::kRefusesNewFiles;
  const FolderAnswer unknown = FolderAnswer::kUnknown;
  const TargetFacts earlier = facts(true, true, true, takes);
  TargetFacts console = facts(true, false, false, unknown);
  console.console = stdout;
  TargetFacts console_file = earlier;
  console_file.console = stderr;
  TargetFacts two_names = earlier, unknown_names = earlier, foreign = earlier, mount = earlier,
              listed = earlier;
  two_names.links = 2;
  unknown_names.links = 0;
  foreign.foreign_owner = true;
  mount.mount_point = true;
  listed.access_list = true;
  struct Case {
    const char* what;
    TargetFacts facts;
    ReportMode mode;
  };
  const Case cases[] = {
      {"a new report", facts(false, false, false, takes), ReportMode::kReplace},
      {"a new report where no file can be made", facts(false, false, false, refuses),
       ReportMode::kRefuse},
      {"a new report where making a file failed otherwise", facts(false, false, false, unknown),
       ReportMode::kRefuse},
      {"an earlier report", earlier, ReportMode::kReplace},
      {"an earlier report that may not be written", facts(true, true, false, takes),
       ReportMode::kRefuse},
      {"an earlier report where no file can be made", facts(true, true, true, refuses),
       ReportMode::kInPlace},
      {"an earlier report where making a file failed otherwise", facts(true, true, true, unknown),
       ReportMode::kRefuse},
      {"a device or a pipe", facts(true, false, false, unknown), ReportMode::kInPlace},
      {"the console", console, ReportMode::kThroughConsole},
      {"the console's file", console_file, ReportMode::kThroughConsole},
      {"a file with two names", two_names, ReportMode::kInPlace},
      {"a file whose names cannot be counted", unknown_names, ReportMode::kInPlace},
      {"a file a new one could not take the owner of", foreign, ReportMode::kInPlace},
      {"a mount point", mount, ReportMode::kInPlace},
      {"a file with an access-control list", listed, ReportMode::kInPlace},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<int>(choose_report_mode(c.facts)), static_cast<int>(c.mode)) << c.what;
  }
}

}  // namespace
