#include "records/export_decoder.h"

#include <string_view>

bool ExportDecoder::feed(const char* data, std::size_t size) {
  if (!started) {
    started = true;
    utf16 = starts_as_utf16(std::string_view(data, size), &decoder.big_endian);
  }
  if (!utf16) return records.feed(data, size);
  converted.clear();
  decoder.decode(data, size, &converted);
  return records.feed(converted.data(), converted.size());
}

bool ExportDecoder::finish() {
  if (utf16) {
    converted.clear();
    decoder.finish(&converted);
    if (!records.feed(converted.data(), converted.size())) return false;
  }
  return records.finish();
}
