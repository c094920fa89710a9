#include "records/export_reader.h"

#include <gtest/gtest.h>

#include "base/log_message.h"
#include "base/process_state.h"

#include <cstdio>

#include "run_binary.h"
#include "console_capture.h"

namespace {

TEST(ExportReaderTest, StripQuotesDropsFirstAndLastCharacterWhateverTheyAre) {
  EXPECT_EQ(strip_quotes("\"Batman\""), "Batman");
  EXPECT_EQ(strip_quotes("xBatmany"), "Batman");
  EXPECT_EQ(strip_quotes("ab"), "");
  EXPECT_EQ(strip_quotes("a"), "");
  EXPECT_EQ(strip_quotes(""), "");
}

TEST(ExportReaderTest, ReadErrorEndsTheReaderWithFalse) {
  std::FILE* unreadable = open_unreadable_stream();
  ASSERT_NE(unreadable, nullptr);
  ConsoleCapture console;
  EXPECT_FALSE(read_record_set(unreadable, {}));
  EXPECT_EQ(console.out(), "Error: Couldn't read input file\n");
  std::fclose(unreadable);
  reset_process_state();
}

}  // namespace
