#include "records/export_encoding.h"

#include <string_view>

bool ExportText::feed(const char* data, std::size_t size) {
  if (!started) {
    started = true;
    utf16 = starts_as_utf16(std::string_view(data, size), &decoder.big_endian);
  }
  if (!utf16) return lines.feed(data, size);
  converted.clear();
  decoder.decode(data, size, &converted);
  return lines.feed(converted.data(), converted.size());
}

bool ExportText::finish() {
  if (utf16) {
    converted.clear();
    decoder.finish(&converted);
    if (!lines.feed(converted.data(), converted.size())) return false;
  }
  return lines.finish();
}
