#ifndef QUORVANE_BASE_OUTPUT_BUFFER_H_
#define QUORVANE_BASE_OUTPUT_BUFFER_H_

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

/// Gathers text for a stream and hands it over in large pieces: a stdio call
/// per message or per report line cost a tenth of a run. Write errors stay on
/// the stream, for its owner to find with ferror. The bytes are the caller's,
/// so that writing never needs memory that may have run out.
struct OutputBuffer {
  /// A buffer in the `capacity` bytes (at least 2) at `storage` for `stream`,
  /// which may be null (nothing is written then).
  OutputBuffer(std::FILE* stream, char* storage, std::size_t capacity);
  /// Hands over what is left.
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  /// Adds `text` as it is.
  void append(std::string_view text) {
    // Most text is short and fits: copied here, without a call.
    if (text.size() <= capacity_ - used_) {
      if (!text.empty()) std::memcpy(bytes_ + used_, text.data(), text.size());
      used_ += text.size();
    } else {
      append_in_pieces(text);
    }
  }
  /// Adds `text` with every "\n" stored as CR LF.
  void append_crlf(std::string_view text);
  /// Hands everything gathered to the stream (without flushing the stream).
  void flush();

  std::FILE* stream;

 private:
  void append_in_pieces(std::string_view text);

  char* bytes_;
  std::size_t capacity_;
  std::size_t used_ = 0;
};

/// Flushes and closes a stream that was written to; true only when every byte
/// reached the file, the final flush included.
bool close_written_stream(std::FILE* stream);

#endif  // QUORVANE_BASE_OUTPUT_BUFFER_H_
