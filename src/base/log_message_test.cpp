#include "base/log_message.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "base/output_buffer.h"
#include "base/process_state.h"
#include "run_binary.h"
#include "console_capture.h"

namespace {

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string bytes;
  char piece[4096];
  for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.append(piece, got);
  return bytes;
}

// Messages are formatted as printf formats them, whether the program does the
// conversions itself or leaves them to vsnprintf; without a log file the
// console copy is held until it is flushed, and so is standard error's.
TEST(LogMessageTest, FormatsAsPrintfDoes) {
  reset_process_state();
  const char title[] = {'T', 'i', 't', 'l', 'e', '\0', 'x'};
  ConsoleCapture console;
  log_message("Processing %s\n", "Am\xC3\xA9lie");
  log_message("Searching %s for holes less than %d issues\n\n", "in.txt", 4);
  log_message("%d %d %d %d|", 0, -1, INT_MIN, INT_MAX);
  log_message("Rejecting %.*s Issue %.*s\n", 3, "Sagas", 7, title);
  log_message("%.*s|%.*s|%s|100%%\n", 0, "x", -1, "all", "");
  log_message("%5d|%x|%c\n", 42, 255, 'q');  // not converted by the program itself
  error_message("my_getopt_long: %s\n", "Missing argument");
  EXPECT_EQ(console.out(false), "");
  EXPECT_EQ(console.err(false), "");
  EXPECT_EQ(console.out(),
            "Processing Am\xC3\xA9lie\n"
            "Searching in.txt for holes less than 4 issues\n\n"
            "0 -1 -2147483648 2147483647|"
            "Rejecting Sag Issue Title\n"
            "|all||100%\n"
            "   42|ff|q\n");
  EXPECT_EQ(console.err(), "my_getopt_long: Missing argument\n");
}

// While the log is open both copies are gathered and handed over in order,
// the log's with CR LF line ends; a stream that is muted gets nothing more.
TEST(LogMessageTest, BuffersBothCopiesUntilTheLogCloses) {
  reset_process_state();
  std::FILE* log = temporary_file();
  ASSERT_NE(log, nullptr);
  log_file = handle_of(log);
  start_log_file();
  ConsoleCapture capture;
  std::string expected;
  for (int k = 0; k < 20000; ++k) {
    log_message("\tRejecting issue %d (original owned)\n", k);
    expected += "\tRejecting issue " + std::to_string(k) + " (original owned)\n";
  }
  EXPECT_TRUE(flush_log_output());
  EXPECT_EQ(log_size(), expected.size() + 20000);
  mute_standard_stream(kStandardOutput);
  log_message("to the log alone\n");
  flush_log_output();
  std::string console = capture.out();
  EXPECT_TRUE(console == expected) << "console differs";
  std::string crlf;
  for (char c : expected + "to the log alone\n") crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(contents(log) == crlf) << "log differs";
  log_file = kNoFile;  // keep the file open to read it; close_log_file would close it
  std::fclose(log);
  reset_process_state();
}

// A log that cannot be written is reported when it is flushed and when it
// closes; the console copy is out already.
TEST(LogMessageTest, ALogThatCannotBeWrittenIsReported) {
  if (why_no_full_device() != nullptr) GTEST_SKIP() << why_no_full_device();
  reset_process_state();
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  log_file = handle_of(full);
  start_log_file();
  ConsoleCapture console;
  log_message("lost\n");
  EXPECT_FALSE(flush_log_output());
  log_file = kNoFile;
  std::fclose(full);
  EXPECT_EQ(console.out(), "lost\n");
  reset_process_state();
}

// Text longer than the buffer, and line ends at its edges, arrive whole.
TEST(LogMessageTest, OutputBufferKeepsEveryByteWhateverItsSize) {
  std::FILE* file = temporary_file();
  ASSERT_NE(file, nullptr);
  char storage[3];
  OutputBuffer buffer(handle_of(file), storage, sizeof storage);
  buffer.append("ab");
  buffer.append_crlf("\n\n");
  buffer.append("0123456789");
  buffer.append_crlf("x\ny\n");
  buffer.append("");
  EXPECT_TRUE(buffer.flush());
  EXPECT_EQ(buffer.handed(), 22u);
  EXPECT_EQ(contents(file), "ab\r\n\r\n0123456789x\r\ny\r\n");
  std::fclose(file);
}

}  // namespace
