#include "front/log_message.h"

#include <charconv>
#include <cstdarg>
#include <cstring>
#include <string>

#include "front/output_buffer.h"

std::FILE* log_file = nullptr;

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

OutputBuffer console_output(stdout, kBufferSize);
OutputBuffer log_output(nullptr, kBufferSize);

// Points the log's buffer at `log_file`, handing over what it gathered for
// an earlier one.
void use_log_file() {
  if (log_output.stream == log_file) return;
  log_output.flush();
  log_output.stream = log_file;
}

// A message's text, formatted once for both copies.
struct MessageText {
  char* text;
  std::size_t length;
};

// Appends `size` bytes at `from` to `*out`, which ends at `end`; false when
// they do not fit.
bool put(char** out, const char* end, const char* from, std::size_t size) {
  if (size > static_cast<std::size_t>(end - *out)) return false;
  std::memcpy(*out, from, size);
  *out += size;
  return true;
}

// Formats `format` into [out, end) when it converts nothing but %s, %.*s and
// %d (and writes %%), the conversions of all the program's messages, and the
// text fits; returns the length, or -1. Doing these conversions here costs a
// fraction of what vsnprintf costs.
long format_plain(char* out, const char* end, const char* format, std::va_list args) {
  char* const start = out;
  for (const char* at = format;;) {
    const char* percent = std::strchr(at, '%');
    if (percent == nullptr) {
      return put(&out, end, at, std::strlen(at)) ? out - start : -1;
    }
    if (!put(&out, end, at, static_cast<std::size_t>(percent - at))) return -1;
    bool fits = true;
    if (percent[1] == 's') {
      const char* text = va_arg(args, const char*);
      if (text == nullptr) text = "(null)";
      fits = put(&out, end, text, std::strlen(text));
      at = percent + 2;
    } else if (percent[1] == 'd') {
      std::to_chars_result made = std::to_chars(out, const_cast<char*>(end), va_arg(args, int));
      fits = made.ec == std::errc();
      out = made.ptr;
      at = percent + 2;
    } else if (percent[1] == '%') {
      fits = put(&out, end, "%", 1);
      at = percent + 2;
    } else if (std::strncmp(percent + 1, ".*s", 3) == 0) {
      // At most the given count of characters, and none after a NUL.
      int precision = va_arg(args, int);
      const char* text = va_arg(args, const char*);
      std::size_t size = 0;
      while ((precision < 0 || size < static_cast<std::size_t>(precision)) && text[size] != '\0') {
        ++size;
      }
      fits = put(&out, end, text, size);
      at = percent + 4;
    } else {
      return -1;
    }
    if (!fits) return -1;
  }
}

// Formats the message as vsnprintf does, in `small` when it can.
MessageText format_message(char (&small)[512], std::string* large, const char* format,
                           std::va_list args) {
  std::va_list again;
  va_copy(again, args);
  long length = format_plain(small, small + sizeof small, format, args);
  if (length >= 0) {
    va_end(again);
    return MessageText{small, static_cast<std::size_t>(length)};
  }
  std::va_list measure;
  va_copy(measure, again);
  int size = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (size < 0) size = 0;
  large->assign(static_cast<std::size_t>(size) + 1, '\0');
  std::vsnprintf(&(*large)[0], large->size(), format, again);
  va_end(again);
  return MessageText{&(*large)[0], static_cast<std::size_t>(size)};
}

}  // namespace

void log_message(const char* format, ...) {
  char small[512];
  std::string large;
  std::va_list args;
  va_start(args, format);
  const MessageText formatted = format_message(small, &large, format, args);
  va_end(args);
  const std::string_view message(formatted.text, formatted.length);
  console_output.append(message);
  if (log_file == nullptr) {
    console_output.flush();
    return;
  }
  use_log_file();
  log_output.append_crlf(message);
}

void write_to_log(const char* text) {
  use_log_file();
  log_output.append_crlf(text);
  log_output.flush();
}

void flush_log_output() {
  console_output.flush();
  log_output.flush();
}

bool close_log_file() {
  flush_log_output();
  log_output.stream = nullptr;
  if (log_file == nullptr) return true;
  const bool written = close_written_stream(log_file);
  log_file = nullptr;
  return written;
}
