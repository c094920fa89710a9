#include "console_capture.h"

#include "base/log_message.h"
#include "platform/platform.h"

namespace {

std::string contents(std::FILE* file) {
  std::string bytes;
  std::rewind(file);
  char piece[4096];
  for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.append(piece, got);
  return bytes;
}

}  // namespace

ConsoleCapture::ConsoleCapture() : out_(std::tmpfile()), err_(std::tmpfile()) {
  direct_console(handle_of(out_), handle_of(err_));
}

ConsoleCapture::~ConsoleCapture() {
  direct_console(kStandardOutput, kStandardError);
  std::fclose(out_);
  std::fclose(err_);
}

std::string ConsoleCapture::out(bool flush) {
  if (flush) flush_log_output();
  return contents(out_);
}

std::string ConsoleCapture::err(bool flush) {
  if (flush) flush_log_output();
  return contents(err_);
}
