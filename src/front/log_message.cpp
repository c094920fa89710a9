#include "front/log_message.h"

#include <cstdarg>
#include <cstring>
#include <string>

std::FILE* log_file = nullptr;

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

void log_message(const char* format, ...) {
  // Format once into a buffer, so that both copies are the same bytes.
  char small[512];
  std::va_list args;
  va_start(args, format);
  int length = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (length < 0) return;
  const char* text = small;
  std::string large;
  if (static_cast<std::size_t>(length) >= sizeof small) {
    large.resize(static_cast<std::size_t>(length) + 1);
    va_start(args, format);
    std::vsnprintf(&large[0], large.size(), format, args);
    va_end(args);
    text = large.data();
  }
  std::fwrite(text, 1, static_cast<std::size_t>(length), stdout);
  if (log_file != nullptr) write_crlf_text(log_file, text, static_cast<std::size_t>(length));
}
