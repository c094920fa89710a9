#ifndef QUORVANE_RECORDS_EXPORT_DECODER_H_
#define QUORVANE_RECORDS_EXPORT_DECODER_H_

#include <cstddef>
#include <string>

#include "records/ignored_types.h"
#include "records/record_stream.h"
#include "records/utf16_decoder.h"

// An export is read as UTF-8, or whatever 8-bit encoding its titles are in,
// unless it starts with UTF-16's byte-order mark: such an export is converted
// piece by piece, so that its size costs no memory.

/// Decodes an export given in pieces and hands it, as UTF-8, to the stream that makes its records.
struct ExportDecoder {
  RecordStream records;    ///< where the text goes
  bool started = false;    ///< the first piece has been seen
  bool utf16 = false;      ///< the export is UTF-16, by its byte-order mark
  Utf16Decoder decoder;    ///< the conversion of a UTF-16 export
  std::string converted;   ///< the UTF-8 of the latest piece

  /// A decoder whose records leave out the book types of `ignored`.
  explicit ExportDecoder(const IgnoredTypes& ignored) : records(ignored) {}

  /// Passes on `size` bytes; a first piece holds the export's first two bytes, if it has two.
  bool feed(const char* data, std::size_t size);
  /// Ends the export, passing on what the conversion held back; false if a record failed.
  bool finish();
};

#endif  // QUORVANE_RECORDS_EXPORT_DECODER_H_
