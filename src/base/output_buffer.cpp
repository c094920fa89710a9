#include "base/output_buffer.h"

#include <cstring>

OutputBuffer::OutputBuffer(std::FILE* stream, char* storage, std::size_t capacity)
    : stream(stream), bytes_(storage), capacity_(capacity) {}

OutputBuffer::~OutputBuffer() { flush(); }

void OutputBuffer::append_in_pieces(std::string_view text) {
  while (text.size() > capacity_ - used_) {
    const std::size_t room = capacity_ - used_;
    std::memcpy(bytes_ + used_, text.data(), room);
    used_ = capacity_;
    text.remove_prefix(room);
    flush();
  }
  if (text.empty()) return;
  std::memcpy(bytes_ + used_, text.data(), text.size());
  used_ += text.size();
}

void OutputBuffer::append_crlf(std::string_view text) {
  for (std::size_t line_end; (line_end = text.find('\n')) != std::string_view::npos;) {
    append(text.substr(0, line_end));
    append("\r\n");
    text.remove_prefix(line_end + 1);
  }
  append(text);
}

bool close_written_stream(std::FILE* stream) {
  // Some C libraries report success from fclose even when its own flush
  // failed, so the flush is asked for, and checked, first.
  bool written = std::fflush(stream) == 0 && !std::ferror(stream);
  return std::fclose(stream) == 0 && written;
}

void OutputBuffer::flush() {
  if (used_ != 0 && stream != nullptr) std::fwrite(bytes_, 1, used_, stream);
  used_ = 0;
}
