#ifndef QUORVANE_BASE_OUTPUT_BUFFER_H_
#define QUORVANE_BASE_OUTPUT_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/platform.h"

/// Gathers text for a file and hands it over in large pieces: a system call
/// per message or per report line cost a tenth of a run. The bytes are the
/// caller's, so that writing never needs memory that may have run out. Once
/// a write has failed, nothing more is written, and flush says so.
struct OutputBuffer {
  /// A buffer in the `capacity` bytes (at least 2) at `storage` for `sink`,
  /// which may be kNoFile (nothing is written then).
  OutputBuffer(FileHandle sink, char* storage, std::size_t capacity);
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
  /// Hands everything gathered to the sink; false once any write to it failed.
  /// Safe in a signal handler: what a flush it interrupted had not yet handed
  /// over, it hands over.
  bool flush();
  /// Drops what is gathered.
  void discard() { used_ = handed_from_ = 0; }
  /// Points the buffer at another sink, with nothing gathered, handed or failed,
  /// and not held.
  void start(FileHandle new_sink);
  /// While held, nothing reaches the sink: flushes wait, and text past the
  /// buffer's room is dropped. For text that may not go out until its sink
  /// has been checked.
  void hold(bool held) { held_ = held; }
  /// How many bytes reached the sink since start.
  std::uint64_t handed() const { return handed_; }

  FileHandle sink;

 private:
  void append_in_pieces(std::string_view text);

  char* bytes_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  std::size_t handed_from_ = 0;  ///< what of the gathered bytes a flush handed over
  std::uint64_t handed_ = 0;
  bool failed_ = false;
  bool held_ = false;
};

#endif  // QUORVANE_BASE_OUTPUT_BUFFER_H_
