#include "base/output_buffer.h"

OutputBuffer::OutputBuffer(FileHandle sink, char* storage, std::size_t capacity)
    : sink(sink), bytes_(storage), capacity_(capacity) {}

void OutputBuffer::append_in_pieces(std::string_view text) {
  while (text.size() > capacity_ - used_) {
    const std::size_t room = capacity_ - used_;
    std::memcpy(bytes_ + used_, text.data(), room);
    used_ = capacity_;
    if (held_) return;
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

bool OutputBuffer::flush() {
  if (held_) return !failed_;
  const std::size_t from = handed_from_;
  const std::size_t to = used_;
  if (to > from && sink != kNoFile && !failed_) {
    if (write_file(sink, bytes_ + from, to - from)) {
      // Each mebibyte of a file starts on its way to the disk as it is
      // written, so that its sync at the end finds it there.
      constexpr int kWritebackShift = 20;
      if ((handed_ >> kWritebackShift) != ((handed_ + to - from) >> kWritebackShift) &&
          sink != kStandardOutput && sink != kStandardError) {
        start_writeback(sink);
      }
      handed_ += to - from;
    } else {
      failed_ = true;
    }
    handed_from_ = to;
  }
  used_ = handed_from_ = 0;
  return !failed_;
}

void OutputBuffer::start(FileHandle new_sink) {
  sink = new_sink;
  used_ = handed_from_ = 0;
  handed_ = 0;
  failed_ = false;
  held_ = false;
}
