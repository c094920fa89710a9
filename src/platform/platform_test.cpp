// The platform functions as the rest of the program relies on them, on
// whichever system the tests run: names resolved as the system resolves
// them, names in UTF-8, new files only under free names, one-step
// replacement, names compared as a folding file system does, and system
// calls that fail when a test plans it.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/system_calls.h"
#include "run_binary.h"

namespace {

// Writes `text` to a file of the platform functions and closes it.
bool put(FileHandle file, const std::string& text) {
  if (file == kNoFile) return false;
  const bool written = write_file(file, text.data(), text.size());
  return close_file(file) && written;
}

FileStatus status_at(const std::string& path) {
  Place place;
  FileStatus status;
  status.kind = FileKind::kFolder;  // what no successful look-up here gives
  if (open_place(path, &place)) place_status(place, &status);
  close_place(&place);
  return status;
}

// A path opens a place only where the system would reach or make a file of
// that name, and the place is the file the system means.
TEST(Platform, PlacesAreWhereTheSystemResolvesTheirNames) {
  TempDir dir;
  dir.write("in.txt", "export");
  ASSERT_TRUE(dir.make_folder("sub"));
  const bool links = why_no_symlinks() == nullptr;
  if (links) {
    ASSERT_TRUE(dir.make_symlink("nosuch/../in.txt", "dangling"));
    ASSERT_TRUE(dir.make_symlink("new.txt", "sub/to_new"));  // from its own folder
    ASSERT_TRUE(dir.make_symlink("../in.txt", "sub/up"));
    ASSERT_TRUE(dir.make_symlink("loop", "loop"));
  }
  const FileId input = status_at(dir.path("in.txt")).id;
  // Windows takes ".." away from the name's text before it looks for folders.
  const bool textual_dots = std::filesystem::exists(std::filesystem::u8path(dir.path("typo/../in.txt")));
  struct Case {
    std::string path;
    bool opens;
    FileKind kind;
    bool needs_links;
  };
  const Case cases[] = {
      {"in.txt", true, FileKind::kRegular, false},
      {"sub/../in.txt", true, FileKind::kRegular, false},
      {"typo/../in.txt", textual_dots, FileKind::kRegular, false},
      {"in.txt/../in.txt", textual_dots, FileKind::kRegular, false},
      {"sub/", false, {}, false},
      {"sub/..", false, {}, false},
      {"sub", true, FileKind::kFolder, false},
      {"nodir/new.txt", false, {}, false},
      {"new.txt", true, FileKind::kMissing, false},
      {"dangling", false, {}, true},
      {"sub/to_new", true, FileKind::kMissing, true},
      {"sub/up", true, FileKind::kRegular, true},
      {"loop", false, {}, true},
  };
  for (const Case& c : cases) {
    if (c.needs_links && !links) continue;
    SCOPED_TRACE(c.path);
    Place place;
    ASSERT_EQ(open_place(dir.path(c.path), &place), c.opens);
    if (!c.opens) continue;
    FileStatus status;
    ASSERT_TRUE(place_status(place, &status));
    EXPECT_EQ(static_cast<int>(status.kind), static_cast<int>(c.kind));
    if (c.kind == FileKind::kRegular) {
      EXPECT_TRUE(status.id == input);
    }
    close_place(&place);
  }
  EXPECT_EQ(dir.entries("sub"), links ? (Names{"to_new", "up"}) : Names{}) << "nothing was made";
}

TEST(Platform, FilesAreMadeWrittenAndReplacedThroughTheirFolder) {
  TempDir dir;
  // Not UTF-8 in the test program's own code page on Windows, where the
  // program's manifest does not reach the tests.
  const std::string name = "Sammlung_\xC3\x9C" "bersicht_\xCE\xA3_\xE6\x97\xA5\xE6\x9C\xAC.txt";
  Place place;
  ASSERT_TRUE(open_place(dir.path(name), &place));
  ASSERT_TRUE(put(open_for_writing(place, true), "0123456789"));
  EXPECT_EQ(dir.read(name), "0123456789");
  bool taken = false;
  EXPECT_EQ(create_file(place, name.c_str(), false, &taken), kNoFile);
  EXPECT_TRUE(taken) << "an existing file was taken";
  FileHandle earlier = open_for_writing(place, false);
  ASSERT_TRUE(truncate_file(earlier, 3));
  ASSERT_TRUE(put(earlier, "abc"));
  EXPECT_EQ(dir.read(name), "012abc");
  ASSERT_TRUE(put(create_file(place, ".new", false, &taken), "later"));
  ASSERT_TRUE(replace_file(place, ".new"));
  EXPECT_EQ(dir.read(name), "later");
  EXPECT_EQ(dir.entries(), Names{name});
  std::FILE* read_back = open_input(dir.path(name));
  ASSERT_NE(read_back, nullptr);
  std::fclose(read_back);
  EXPECT_EQ(open_input(dir.root()), nullptr) << "a folder is no export";
  close_place(&place);
}

// The names a folding file system takes for one: letters of any case in the
// scripts of most titles; everything else byte for byte.
TEST(Platform, FoldingFileSystemsTakeNamesThatDifferInCaseForOne) {
  struct Case {
    const char* a;
    const char* b;
    bool one;
  };
  const Case cases[] = {
      {"report.txt", "Report.TXT", true},
      {"\xC3\x9C" "ber.txt", "\xC3\xBC" "ber.txt", true},          // Ü, ü
      {"\xCE\xA3\xCE\xB1\xCE\xB3\xCE\xB1", "\xCF\x83\xCE\x91\xCE\x93\xCE\x91", true},  // Σαγα
      {"\xD0\x96", "\xD0\xB6", true},                                // Ж, ж
      {"\xC4\x80", "\xC4\x81", true},                                // Ā, ā
      {"report.txt", "report.txt ", false},
      {"a\xFF", "A\xFF", true},                                      // no UTF-8 around a letter
  };
  for (const Case& c : cases) {
    EXPECT_EQ(names_match(c.a, c.b, true), c.one) << c.a << " ~ " << c.b;
    EXPECT_EQ(names_match(c.a, c.b, false), std::string(c.a) == c.b);
  }
}

// Each purpose of the table can be made to fail, from the planned call on,
// with the planned error; restored, every call goes ahead.
TEST(Platform, AnySystemCallFailsWhenATestPlansIt) {
  TempDir dir;
  Place place;
  ASSERT_TRUE(open_place(dir.path("out.txt"), &place));
  const FileHandle file = open_for_writing(place, true);
  ASSERT_NE(file, kNoFile);
  EXPECT_FALSE(plan_fault("no such purpose", 1, 1, SystemError::kIo));
  ASSERT_TRUE(plan_fault("write", 2, 1, SystemError::kNoSpace));
  EXPECT_TRUE(write_file(file, "a", 1));
  EXPECT_FALSE(write_file(file, "b", 1));
  EXPECT_TRUE(write_file(file, "c", 1)) << "only the planned call fails";
  ASSERT_TRUE(plan_fault("sync", 1, 1, SystemError::kIo));
  EXPECT_FALSE(sync_file(file));
  restore_system_calls();
  EXPECT_TRUE(sync_file(file));
  EXPECT_TRUE(close_file(file));
  EXPECT_EQ(dir.read("out.txt"), "ac");
  for (const SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    EXPECT_EQ(call->current, call->system) << call->name;
  }
  close_place(&place);
}

}  // namespace
