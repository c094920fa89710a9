// Runs of the real executable on reports that carry more than their bytes,
// and on places that others have a say in: access-control lists, extended
// attributes, owners and groups, folders that take no new file or are
// mounted read-only, a folder's default access list, another run that holds
// the log or the report, a folder deeper than the system's longest path. The
// report keeps what it carried, by being replaced with a file that carries
// the same or by being written in place, and a run another one holds back
// changes nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "place_table.h"

namespace {

TEST(ReportOwnersEndToEnd, TheReportKeepsWhatItCarried) {
  const PlaceRun& run = place_run();
  const std::string& report = run.report;
  const std::string& success = run.success;
  const ChildSetup nobody = setup_of([](ChildSetup& s) { s.as_nobody = true; });
  const ChildSetup read_only_folder = setup_of([](ChildSetup& s) {  // names in the run's folder
    s.bind_mounts = {{"ro", "ro"}, {"mounted.txt", "ro/out.txt"}};
  });
  const Names done{"Quorvane.log", "in.txt", "out.txt"};
  FileId earlier;
  const std::string deep_step(200, 'd');
  std::string deep_chain;
  for (int k = 0; k < 8; ++k) deep_chain += (k == 0 ? "" : "/") + deep_step;
  const PlaceCase cases[] = {
      {"a report with an access-control list is written in place and keeps it",
       why_no_access_lists(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(give_access_list(dir.path("out.txt")));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_TRUE(carries_access_list(dir.path("out.txt")));
       }},
      {"a new report takes its folder's default access list as any new file does",
       why_no_access_lists(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("listed") && give_access_list(dir.path("listed"), true));
         dir.write("listed/any.txt", "");
       },
       "listed/new.txt", {}, success, {"Quorvane.log", "in.txt", "listed"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("listed/new.txt")), report);
         EXPECT_EQ(access_list_of(dir.path("listed/new.txt")), access_list_of(dir.path("listed/any.txt")));
       }},
      {"a replaced report keeps its extended attributes", why_no_extended_attributes(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(give_attribute(dir.path("out.txt"), "user.note", "tags"));
         earlier = id_of(dir.path("out.txt"));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(attribute_of(dir.path("out.txt"), "user.note"), "tags");
         EXPECT_FALSE(id_of(dir.path("out.txt")) == earlier) << "written in place";
       }},
      {"a privileged run replaces another user's report and gives it that user", why_no_giving_away(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(give_file(dir.path("out.txt"), kNobody, kNobody));
         earlier = id_of(dir.path("out.txt"));
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("out.txt")), report);
         EXPECT_EQ(owner_of(dir.path("out.txt")), kNobody);
         EXPECT_FALSE(id_of(dir.path("out.txt")) == earlier) << "written in place";
       }},
      {"a writable report in a folder that takes no new file is written in place",
       kNoPermissionBits,
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("ro"));
         dir.write("ro/out.txt", kEarlier);
         ASSERT_TRUE(set_mode(dir.path("ro/out.txt"), 0666));
         ASSERT_TRUE(set_mode(dir.path("ro"), 0555));
       },
       "ro/out.txt", nobody, success, {"Quorvane.log", "in.txt", "ro"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("ro/out.txt")), report);
         EXPECT_EQ(dir.entries("ro"), Names{"out.txt"});
         set_mode(dir.path("ro"), 0755);  // so that the folder can be removed
       }},
      {"a writable report mounted into a read-only folder is written in place", why_no_bind_mount(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("ro"));
         dir.write("ro/out.txt", kEarlier);
         dir.write("mounted.txt", kEarlier);
       },
       "ro/out.txt", read_only_folder, success, {"Quorvane.log", "in.txt", "mounted.txt", "ro"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("mounted.txt")), report);
         EXPECT_EQ(dir.read("ro/out.txt"), kEarlier) << "the file under the mount";
       }},
      {"an earlier report that may not be written is refused and kept", nullptr,
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(dir.make_read_only("out.txt"));
       },
       "out.txt", nobody, "Couldn't open output out.txt file\n", {"in.txt", "out.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("out.txt"), kEarlier);
         EXPECT_EQ(mode_of(dir.path("out.txt")), kNoPermissionBits == nullptr ? 0444 : -1);
       }},
      {"another user's report in a folder shared by all is written in place, keeping its owner",
       why_no_other_user(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("shared") && set_mode(dir.path("shared"), 01777));
         dir.write("shared/out.txt", kEarlier);
         ASSERT_TRUE(set_mode(dir.path("shared/out.txt"), 0666));
       },
       "shared/out.txt", nobody, success, {"Quorvane.log", "in.txt", "shared"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("shared/out.txt")), report);
         EXPECT_EQ(owner_of(dir.path("shared/out.txt")), owner_of(dir.root()));
         EXPECT_EQ(dir.entries("shared"), Names{"out.txt"});
       }},
      {"a report of a group the run may not give a new file is written in place, keeping it",
       why_no_other_user(),
       [&](const TempDir& dir) {
         ASSERT_TRUE(dir.make_folder("group") && set_mode(dir.path("group"), 0777));
         dir.write("group/out.txt", kEarlier);
         ASSERT_TRUE(give_file(dir.path("group/out.txt"), kNobody, 0));
         ASSERT_TRUE(set_mode(dir.path("group/out.txt"), 0640));
       },
       "group/out.txt", nobody, success, {"Quorvane.log", "group", "in.txt"},
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("group/out.txt")), report);
         EXPECT_EQ(group_of(dir.path("group/out.txt")), 0);
         EXPECT_EQ(mode_of(dir.path("group/out.txt")), 0640);
         EXPECT_EQ(dir.entries("group"), Names{"out.txt"});
       }},
      {"a log that another run holds is refused, and left as it was", why_no_locks(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         dir.write("Quorvane.log", "another run's log\r\n");
       },
       "out.txt", {}, "Couldn't use Quorvane.log as log: another run is using it\n", done,
       [&](const TempDir& dir) {
         EXPECT_EQ(dir.read("Quorvane.log"), "another run's log\r\n");
         EXPECT_EQ(dir.read("out.txt"), kEarlier);
       },
       nullptr, Sharing::kNothing, false, "Quorvane.log"},
      {"a report written in place that another run holds is refused, and left as it was",
       why_no_hard_links() != nullptr ? why_no_hard_links() : why_no_locks(),
       [&](const TempDir& dir) {
         dir.write("out.txt", kEarlier);
         ASSERT_TRUE(dir.make_hard_link("out.txt", "copy.txt"));
       },
       "out.txt", {}, "Couldn't use out.txt as output: another run is using it\n",
       {"copy.txt", "in.txt", "out.txt"}, kKeptEarlier, nullptr, Sharing::kNothing, false, "out.txt"},
      {"short names work in a folder deeper than the system's longest path",
       why_no_symlinks() != nullptr ? why_no_symlinks() : kNoDeepFolders,
       [&](const TempDir& dir) {
         // Each link takes eight steps of 200 letters from the one before.
         for (const char* from : {"", "deep0/", "deep1/"}) {
           for (std::size_t end = deep_step.size(); end <= deep_chain.size(); end += deep_step.size() + 1) {
             ASSERT_TRUE(dir.make_folder(from + deep_chain.substr(0, end)));
           }
           const std::string link = std::string("deep") + std::to_string(from[0] == '\0' ? 0 : from[4] - '0' + 1);
           ASSERT_TRUE(dir.make_symlink(from + deep_chain, link));
         }
       },
       "out.txt", {}, success, done,
       [&](const TempDir& dir) {
         EXPECT_EQ(mask_date_line(dir.read("deep2/out.txt")), report);
         // Moved up, so that any C++ library can remove the folder.
         std::filesystem::rename(std::filesystem::u8path(dir.path("deep1/" + deep_chain)),
                                 std::filesystem::u8path(dir.path("shallow")));
       },
       nullptr, Sharing::kNothing, false, "", "deep2"},
  };
  run_place_cases(cases, std::size(cases));
}

}  // namespace
