#ifndef QUORVANE_RECORDS_UTF16_DECODER_H_
#define QUORVANE_RECORDS_UTF16_DECODER_H_

#include <cstddef>
#include <string>
#include <string_view>

// Excel's "Unicode Text" and Windows PowerShell's redirection save exports as
// UTF-16 with a byte-order mark. Such an export is turned into UTF-8 as it is
// read, so that the rest of the program sees what the same export saved as
// UTF-8 gives, byte-order mark included (EF BB BF).

/// Whether `start`, the first bytes of an export, is the byte-order mark of
/// UTF-16: FF FE (little-endian) or FE FF (big-endian).
bool starts_as_utf16(std::string_view start, bool* big_endian);

/// Turns UTF-16 text, given in pieces of any size, into UTF-8. A code unit or
/// surrogate pair split between pieces waits for the next piece; a lone
/// surrogate, or an odd last byte, becomes U+FFFD (EF BF BD).
struct Utf16Decoder {
  bool big_endian = false;
  int pending_byte = -1;      ///< the first byte of a split code unit, or -1
  unsigned high_surrogate = 0;  ///< a high surrogate waiting for its low half, or 0

  /// Appends the UTF-8 of `size` bytes at `data` to `*out`.
  void decode(const char* data, std::size_t size, std::string* out);
  /// Ends the text, appending U+FFFD for whatever is left unfinished.
  void finish(std::string* out);
};

#endif  // QUORVANE_RECORDS_UTF16_DECODER_H_
