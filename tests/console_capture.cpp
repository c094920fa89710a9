#include "console_capture.h"

#include "base/log_message.h"
#include "platform/platform.h"

std::FILE* temporary_file() {
  std::FILE* file = nullptr;
  for (int attempt = 0; file == nullptr && attempt < 100; ++attempt) file = std::tmpfile();
  return file;
}

std::string file_contents(std::FILE* file) {
  std::string bytes;
  std::rewind(file);
  char piece[4096];
  for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.append(piece, got);
  return bytes;
}

ConsoleCapture::ConsoleCapture() : out_(temporary_file()), err_(temporary_file()) {
  direct_console(handle_of(out_), handle_of(err_));
}

ConsoleCapture::~ConsoleCapture() {
  direct_console(kStandardOutput, kStandardError);
  std::fclose(out_);
  std::fclose(err_);
}

std::string ConsoleCapture::out(bool flush) {
  if (flush) flush_log_output();
  return file_contents(out_);
}

std::string ConsoleCapture::err(bool flush) {
  if (flush) flush_log_output();
  return file_contents(err_);
}
