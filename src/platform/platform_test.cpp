// The platform functions as the rest of the program relies on them, on
// whichever system the tests run: names in UTF-8, temporary files, one-step
// replacement, opening without truncating, names counted by the file system.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "run_binary.h"

namespace {

namespace fs = std::filesystem;

// Writes `text` through a stream of the platform functions and closes it.
bool put(std::FILE* stream, const std::string& text) {
  if (stream == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  return std::fclose(stream) == 0 && written;
}

TEST(Platform, NamesInUtf8ReachTheFileSystemWhole) {
  TempDir dir;
  // Not UTF-8 in the test program's own code page on Windows, where the
  // program's manifest does not reach the tests.
  const std::string name = "Sammlung_\xC3\x9C" "bersicht_\xCE\xA3_\xE6\x97\xA5\xE6\x9C\xAC.txt";
  ASSERT_TRUE(put(open_file(dir.path(name), "wb"), "bytes\n"));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{name});
  EXPECT_TRUE(fs::exists(file_path(dir.path(name))));
  EXPECT_EQ(dir.read(name), "bytes\n");
  std::FILE* read_back = open_file(dir.path(name), "rb");
  ASSERT_NE(read_back, nullptr);
  EXPECT_FALSE(is_directory_stream(read_back));
  std::fclose(read_back);
}

TEST(Platform, NewFilesAreMadeOnlyUnderNamesNobodyUses) {
  TempDir dir;
  const fs::path folder = file_path(dir.root());
  fs::path first, second;
  ASSERT_TRUE(put(create_temporary_file(folder, &first), "one"));
  ASSERT_TRUE(put(create_temporary_file(folder, &second), "two"));
  EXPECT_NE(first, second);
  EXPECT_EQ(first.parent_path(), folder);
  EXPECT_EQ(first.filename().u8string().substr(0, 1), ".") << "a leftover stays out of sight";
  EXPECT_EQ(dir.read(first.filename().u8string()), "one");
  EXPECT_EQ(dir.read(second.filename().u8string()), "two");

  EXPECT_TRUE(create_empty_file(folder / "new.txt"));
  EXPECT_FALSE(create_empty_file(folder / "new.txt")) << "an existing file was taken";
  EXPECT_FALSE(create_empty_file(folder / "nodir" / "new.txt"));
  EXPECT_EQ(dir.read("new.txt"), "");
  fs::path nowhere;
  EXPECT_EQ(create_temporary_file(folder / "nodir", &nowhere), nullptr);
}

TEST(Platform, ReplacingPutsTheNewFileInTheOldOnesPlace) {
  TempDir dir;
  const fs::path folder = file_path(dir.root());
  dir.write("report.txt", "earlier");
  dir.write("new.txt", "later");
  ASSERT_TRUE(replace_file(folder / "new.txt", folder / "report.txt"));
  EXPECT_EQ(dir.read("report.txt"), "later");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.txt"});
  // Into a place no file can take, the new file stays where it was.
  dir.write("new.txt", "later still");
  ASSERT_TRUE(dir.make_folder("adir"));
  dir.write("adir/inside.txt", "");
  EXPECT_FALSE(replace_file(folder / "new.txt", folder / "adir"));
  EXPECT_EQ(dir.read("new.txt"), "later still");
}

TEST(Platform, AnExistingFileIsWrittenFromItsStartWithoutTruncating) {
  TempDir dir;
  const fs::path folder = file_path(dir.root());
  dir.write("report.txt", "0123456789");
  std::FILE* stream = open_without_truncating(folder / "report.txt");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(dir.read("report.txt"), "0123456789");
  ASSERT_TRUE(put(stream, "abc"));
  EXPECT_EQ(dir.read("report.txt"), "abc3456789");

  stream = open_without_truncating(folder / "report.txt");
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(truncate_stream(stream, 0));
  ASSERT_TRUE(put(stream, "xy"));
  EXPECT_EQ(dir.read("report.txt"), "xy");

  EXPECT_EQ(open_without_truncating(folder / "missing.txt"), nullptr);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.txt"});
  // Root may write a read-only file; whoever permissions bind may not.
  if (why_permissions_do_not_bind() == nullptr) {
    ASSERT_TRUE(dir.make_read_only("report.txt"));
    EXPECT_EQ(open_without_truncating(folder / "report.txt"), nullptr);
  }
}

TEST(Platform, DevicesAndFoldersAreSpecialFilesAndPlainFilesAreNot) {
  TempDir dir;
  dir.write("plain.txt", "");
  ASSERT_TRUE(dir.make_folder("adir"));
  EXPECT_TRUE(is_special_file(file_path(kNullDevice)));
  EXPECT_TRUE(is_special_file(file_path(dir.path("adir"))));
  EXPECT_FALSE(is_special_file(file_path(dir.path("plain.txt"))));
  EXPECT_FALSE(is_special_file(file_path(dir.path("missing.txt"))));
}

}  // namespace
