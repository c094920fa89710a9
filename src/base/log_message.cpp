#include "base/log_message.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "base/output_buffer.h"
#include "base/process_state.h"

FileHandle log_file = kNoFile;

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

// The buffers live as long as the program, in its static data: a message
// must get out even after memory has run out, the one that says so above all.
char console_bytes[kBufferSize];
char log_bytes[kBufferSize];
char error_bytes[std::size_t{1} << 13];
OutputBuffer console_output(kStandardOutput, console_bytes, sizeof console_bytes);
OutputBuffer log_output(kNoFile, log_bytes, sizeof log_bytes);
OutputBuffer error_output(kStandardError, error_bytes, sizeof error_bytes);

// Whether the log has a copy of its own: it has none while there is no log
// file, or where the log is the console's file (the console's copy is it).
bool log_copy_wanted() { return log_file != kNoFile && log_file != kStandardOutput; }

// Where a message's pieces go: the console's copy and the log's, or standard
// error's.
OutputBuffer* error_sink = nullptr;

// Hands a piece of a message to the console's copy and to the log's.
void put(std::string_view piece) {
  if (error_sink != nullptr) {
    error_sink->append(piece);
    return;
  }
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

void format_message(const char* format, std::va_list args) {
  if (is_plain(format)) {
    put_plain(format, args);
  } else {
    put_formatted(format, args);
  }
}

void reset_log() {
  close_log_file();
  console_output.start(kStandardOutput);
  error_output.start(kStandardError);
}
const StateReset log_reset(reset_log);

}  // namespace

void log_message(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  format_message(format, args);
  va_end(args);
}

void error_message(const char* format, ...) {
  error_sink = &error_output;
  std::va_list args;
  va_start(args, format);
  format_message(format, args);
  va_end(args);
  error_sink = nullptr;
}

bool flush_log_output() {
  console_output.flush();
  const bool logged = log_output.flush();
  error_output.flush();
  return logged;
}

void direct_console(FileHandle out, FileHandle err) {
  flush_log_output();
  console_output.start(out);
  error_output.start(err);
}

void hold_console(bool held) {
  console_output.hold(held);
  error_output.hold(held);
}

void mute_standard_stream(FileHandle standard) {
  OutputBuffer& output = standard == kStandardOutput ? console_output : error_output;
  output.discard();
  output.sink = kNoFile;
}

void start_log_file() {
  log_output.flush();
  log_output.start(log_copy_wanted() ? log_file : kNoFile);
}

bool write_to_log(const char* text) {
  if (!log_copy_wanted()) return true;
  log_output.append_crlf(text);
  return log_output.flush();
}

std::uint64_t log_size() { return log_output.handed(); }

bool sync_log_file() {
  return flush_log_output() && (log_file == kNoFile || sync_file(log_file));
}

bool close_log_file() {
  const bool written = flush_log_output();
  const FileHandle closing = log_file;
  log_file = kNoFile;
  log_output.start(kNoFile);
  // A standard stream outlives the log; it is only handed all it holds.
  if (closing == kNoFile || closing == kStandardOutput || closing == kStandardError) return written;
  return close_file(closing) && written;
}
