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

// Whether `format` converts nothing but %s, %.*s and %d (and writes %%): the
// conversions of all the program's messages.
bool is_plain_format(const char* format) {
  for (const char* at = format; (at = std::strchr(at, '%')) != nullptr;) {
    if (at[1] == 's' || at[1] == 'd' || at[1] == '%') {
      at += 2;
    } else if (std::strncmp(at + 1, ".*s", 3) == 0) {
      at += 4;
    } else {
      return false;
    }
  }
  return true;
}

// Formats as vsnprintf does into `*out`. The conversions of a plain format
// are done here directly: vsnprintf cost more than all the rest of a message.
void format_message(std::string* out, const char* format, std::va_list args) {
  out->clear();
  if (!is_plain_format(format)) {
    std::va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, again);
    va_end(again);
    if (length <= 0) return;
    out->resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(&(*out)[0], out->size(), format, args);
    out->pop_back();
    return;
  }
  for (const char* at = format;;) {
    const char* percent = std::strchr(at, '%');
    if (percent == nullptr) {
      out->append(at);
      return;
    }
    out->append(at, percent);
    switch (percent[1]) {
      case 's': {
        const char* text = va_arg(args, const char*);
        out->append(text != nullptr ? text : "(null)");
        break;
      }
      case 'd': {
        char digits[16];
        std::to_chars_result made = std::to_chars(digits, digits + sizeof digits, va_arg(args, int));
        out->append(digits, made.ptr);
        break;
      }
      case '%': out->push_back('%'); break;
      default: {  // %.*s: at most the given count of characters, up to a NUL
        int precision = va_arg(args, int);
        const char* text = va_arg(args, const char*);
        std::size_t size = 0;
        while ((precision < 0 || size < static_cast<std::size_t>(precision)) && text[size] != '\0') {
          ++size;
        }
        out->append(text, size);
        break;
      }
    }
    at = percent + (percent[1] == '.' ? 4 : 2);
  }
}

}  // namespace

void log_message(const char* format, ...) {
  static std::string message;
  std::va_list args;
  va_start(args, format);
  format_message(&message, format, args);
  va_end(args);
  console_output.append(message);
  if (log_file == nullptr) {
    console_output.flush();
    return;
  }
  if (log_output.stream != log_file) {
    log_output.flush();
    log_output.stream = log_file;
  }
  log_output.append_crlf(message);
}

void flush_log_output() {
  console_output.flush();
  log_output.flush();
}

bool close_log_file() {
  flush_log_output();
  log_output.stream = nullptr;
  if (log_file == nullptr) return true;
  // Some C libraries report success from fclose even when its own flush
  // failed, so the flush is asked for, and checked, first.
  bool written = std::fflush(log_file) == 0 && !std::ferror(log_file);
  written = std::fclose(log_file) == 0 && written;
  log_file = nullptr;
  return written;
}

void write_crlf_text(std::FILE* stream, const char* text, std::size_t length) {
  const char* end = text + length;
  while (text < end) {
    const char* newline = static_cast<const char*>(std::memchr(text, '\n', end - text));
    if (newline == nullptr) {
      std::fwrite(text, 1, end - text, stream);
      return;
    }
    std::fwrite(text, 1, newline - text, stream);
    std::fwrite("\r\n", 1, 2, stream);
    text = newline + 1;
  }
}
