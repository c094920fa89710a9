#include "records/utf16_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "export_lines.h"

namespace {

// Decodes `bytes` in pieces of `piece` bytes (0: in one piece).
std::string decode(const std::string& bytes, bool big_endian, std::size_t piece = 0) {
  Utf16Decoder decoder;
  decoder.big_endian = big_endian;
  std::string out;
  if (piece == 0) piece = bytes.size() + 1;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    decoder.decode(bytes.data() + at, std::min(piece, bytes.size() - at), &out);
  }
  decoder.finish(&out);
  return out;
}

TEST(Utf16DecoderTest, OnlyAByteOrderMarkMakesAnExportUtf16) {
  struct Case {
    std::string start;
    bool utf16, big_endian;
  };
  const Case cases[] = {{"\xFF\xFE", true, false}, {"\xFE\xFF" "abc", true, true},
                        {"\xEF\xBB\xBF", false, false}, {"\xFF", false, false},
                        {"", false, false}, {"\xFF\xFF", false, false}, {"ab", false, false}};
  for (const Case& c : cases) {
    bool big_endian = !c.big_endian;
    EXPECT_EQ(starts_as_utf16(c.start, &big_endian), c.utf16) << c.start;
    if (c.utf16) {
      EXPECT_EQ(big_endian, c.big_endian) << c.start;
    }
  }
}

// Every kind of character, whatever the byte order and however the text is
// cut into pieces, decodes to its UTF-8; what is not UTF-16 becomes U+FFFD.
TEST(Utf16DecoderTest, DecodesEveryCharacterAndMendsBrokenText) {
  const std::string kFffd = "\xEF\xBF\xBD";
  const std::string text = "\xEF\xBB\xBF" "A\t\"\r\n\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80z";
  for (bool big_endian : {false, true}) {
    SCOPED_TRACE(big_endian ? "big-endian" : "little-endian");
    const std::string bytes = utf16_of(text, big_endian);
    for (std::size_t piece : {0, 1, 2, 3, 5}) EXPECT_EQ(decode(bytes, big_endian, piece), text);

    auto unit = [&](unsigned u) { return utf16_of(u < 0x80 ? std::string(1, char(u)) : "", big_endian); };
    auto raw = [&](unsigned u) {
      std::string two{static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
      return big_endian ? two : std::string{two[1], two[0]};
    };
    struct Case {
      std::string bytes, utf8;
    };
    const Case cases[] = {
        {raw(0xD83D) + unit('x'), kFffd + "x"},           // high surrogate without its low half
        {raw(0xDE00) + unit('x'), kFffd + "x"},           // low surrogate alone
        {raw(0xD83D) + raw(0xD83D) + raw(0xDE00), kFffd + "\xF0\x9F\x98\x80"},
        {raw(0xDBFF) + raw(0xDFFF), "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last code point
        {unit('x') + raw(0xD83D), "x" + kFffd},           // high surrogate at the end
        {unit('x') + "\x41", "x" + kFffd},                // odd last byte
        {raw(0xD83D) + "\x41", kFffd + kFffd},
        {raw(0x0000) + unit('x'), std::string("\0x", 2)},  // a NUL stays a NUL
    };
    for (const Case& c : cases) {
      for (std::size_t piece : {0, 1, 3}) EXPECT_EQ(decode(c.bytes, big_endian, piece), c.utf8);
    }
  }
}

}  // namespace
