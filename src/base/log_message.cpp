#include "base/log_message.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "base/output_buffer.h"

std::FILE* log_file = nullptr;

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

// The buffers live as long as the program, in its static data: a message
// must get out even after memory has run out, the one that says so above all.
char console_bytes[kBufferSize];
char log_bytes[kBufferSize];
OutputBuffer console_output(stdout, console_bytes, kBufferSize);
OutputBuffer log_output(nullptr, log_bytes, kBufferSize);

// Points the log's buffer at `log_file`, handing over what it gathered for
// an earlier one.
void use_log_file() {
  if (log_output.stream == log_file) return;
  log_output.flush();
  log_output.stream = log_file;
}

// Whether the log has a copy of its own: it has none while there is no log
// file, or where the log is the console's file (the console's copy is it).
bool log_copy_wanted() { return log_file != nullptr && log_file != stdout; }

// Hands a piece of a message to the console's copy and to the log's.
void put(std::string_view piece) {
  console_output.append(piece);
  if (log_copy_wanted()) log_output.append_crlf(piece);
}

// Whether `format` converts nothing but %s, %.*s and %d (and writes %%), the
// conversions of all the program's messages.
bool is_plain(const char* format) {
  for (const char* at = std::strchr(format, '%'); at != nullptr; at = std::strchr(at, '%')) {
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

// Writes a plain format's message piece by piece, straight into the buffers:
// no copy, and no memory needed whatever the length of a text. Doing these
// conversions here also costs a fraction of what vsnprintf costs.
void put_plain(const char* format, std::va_list args) {
  for (const char* at = format;;) {
    const char* percent = std::strchr(at, '%');
    if (percent == nullptr) {
      put(at);
      return;
    }
    put(std::string_view(at, static_cast<std::size_t>(percent - at)));
    at = percent + 2;
    if (percent[1] == 's') {
      const char* text = va_arg(args, const char*);
      put(text != nullptr ? text : "(null)");
    } else if (percent[1] == 'd') {
      char digits[16];
      std::to_chars_result made = std::to_chars(digits, digits + sizeof digits, va_arg(args, int));
      put(std::string_view(digits, static_cast<std::size_t>(made.ptr - digits)));
    } else if (percent[1] == '%') {
      put("%");
    } else {
      // %.*s: at most the given count of characters, and none after a NUL.
      int precision = va_arg(args, int);
      const char* text = va_arg(args, const char*);
      std::size_t size = 0;
      while ((precision < 0 || size < static_cast<std::size_t>(precision)) && text[size] != '\0') {
        ++size;
      }
      put(std::string_view(text, size));
      at = percent + 4;
    }
  }
}

// Any other format goes through vsnprintf; a message longer than the stack's
// room that finds no memory is cut there.
void put_formatted(const char* format, std::va_list args) {
  char small[512];
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(small, sizeof small, format, args);
  if (size < 0) {
    va_end(again);
    return;
  }
  std::unique_ptr<char[]> large;
  if (static_cast<std::size_t>(size) >= sizeof small) {
    large.reset(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
  }
  if (large != nullptr) {
    std::vsnprintf(large.get(), static_cast<std::size_t>(size) + 1, format, again);
    put(std::string_view(large.get(), static_cast<std::size_t>(size)));
  } else {
    put(std::string_view(small, std::min(static_cast<std::size_t>(size), sizeof small - 1)));
  }
  va_end(again);
}

}  // namespace

void log_message(const char* format, ...) {
  if (log_file != nullptr) use_log_file();
  std::va_list args;
  va_start(args, format);
  if (is_plain(format)) {
    put_plain(format, args);
  } else {
    put_formatted(format, args);
  }
  va_end(args);
  if (log_file == nullptr) console_output.flush();
}

void write_to_log(const char* text) {
  if (!log_copy_wanted()) return;
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
  // A standard stream outlives the log; it is only handed all it holds.
  const bool written = log_file == stdout || log_file == stderr
                           ? std::fflush(log_file) == 0 && !std::ferror(log_file)
                           : close_written_stream(log_file);
  log_file = nullptr;
  return written;
}
