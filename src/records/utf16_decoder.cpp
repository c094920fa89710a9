#include "records/utf16_decoder.h"

namespace {

constexpr unsigned kReplacement = 0xFFFD;

bool is_high_surrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void append_utf8(unsigned code_point, std::string* out) {
  if (code_point < 0x80) {
    *out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    *out += static_cast<char>(0xC0 | (code_point >> 6));
    *out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    *out += static_cast<char>(0xE0 | (code_point >> 12));
    *out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code_point >> 18));
    *out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

bool starts_as_utf16(std::string_view start, bool* big_endian) {
  if (start.size() < 2) return false;
  const unsigned char first = static_cast<unsigned char>(start[0]);
  const unsigned char second = static_cast<unsigned char>(start[1]);
  if (first == 0xFF && second == 0xFE) {
    *big_endian = false;
    return true;
  }
  if (first == 0xFE && second == 0xFF) {
    *big_endian = true;
    return true;
  }
  return false;
}

void Utf16Decoder::decode(const char* data, std::size_t size, std::string* out) {
  // At most three bytes of UTF-8 for each two of UTF-16.
  out->reserve(out->size() + size / 2 * 3 + 6);
  const unsigned char* at = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* end = at + size;
  while (at < end) {
    unsigned first;
    if (pending_byte >= 0) {
      first = static_cast<unsigned>(pending_byte);
      pending_byte = -1;
    } else {
      first = *at++;
      if (at == end) {
        pending_byte = static_cast<int>(first);
        return;
      }
    }
    const unsigned second = *at++;
    const unsigned unit = big_endian ? (first << 8 | second) : (second << 8 | first);
    if (high_surrogate != 0) {
      const unsigned high = high_surrogate;
      high_surrogate = 0;
      if (is_low_surrogate(unit)) {
        append_utf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), out);
        continue;
      }
      append_utf8(kReplacement, out);
    }
    if (is_high_surrogate(unit)) {
      high_surrogate = unit;
    } else {
      append_utf8(is_low_surrogate(unit) ? kReplacement : unit, out);
    }
  }
}

void Utf16Decoder::finish(std::string* out) {
  if (high_surrogate != 0) append_utf8(kReplacement, out);
  if (pending_byte >= 0) append_utf8(kReplacement, out);
  high_surrogate = 0;
  pending_byte = -1;
}
