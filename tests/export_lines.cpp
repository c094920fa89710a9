#include "export_lines.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/log_message.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "console_capture.h"

std::string export_line(const std::string& title, const std::string& number, int count,
                        const std::string& note) {
  std::string line;
  for (int column = 1; column <= count; ++column) {
    if (column > 1) line += '\t';
    switch (column) {
      case 5: line += "\"" + title + "\""; break;
      case 6: line += "\"Pub (1990)\""; break;
      case 14: line += "\"" + number + "\""; break;
      case 17: line += "$3.00"; break;
      case 18: line += note; break;
      default: line += "c" + std::to_string(column); break;
    }
  }
  return line;
}

std::string utf16_of(const std::string& utf8, bool big_endian) {
  std::string out;
  auto put_unit = [&](unsigned unit) {
    char high = static_cast<char>(unit >> 8);
    char low = static_cast<char>(unit & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  };
  for (std::size_t at = 0; at < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[at]);
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned code_point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) code_point = code_point << 6 | (utf8[at + k] & 0x3F);
    at += length;
    if (code_point >= 0x10000) {
      put_unit(0xD800 + ((code_point - 0x10000) >> 10));
      put_unit(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    } else {
      put_unit(code_point);
    }
  }
  return out;
}

std::vector<std::string> record_rows() {
  std::vector<std::string> rows;
  for (QueueNode* node = record_set.first; node != nullptr; node = node->next) {
    const IssueRecord* r = record_of(node);
    rows.push_back(std::string(r->title()) + "|" + r->publisher() + "|" + r->number() + "|" +
                   r->nm_value() + "|" + r->notes());
  }
  return rows;
}

std::string read_export(const std::string& text, const std::vector<std::string>& ignored,
                        bool through_file) {
  std::FILE* file = through_file ? temporary_file() : nullptr;
  if (file != nullptr) std::fwrite(text.data(), 1, text.size(), file);
  if (file != nullptr) std::rewind(file);
  ConsoleCapture console;
  EXPECT_TRUE(through_file ? file != nullptr && read_record_set(file, ignored)
                           : read_record_text(text, ignored));
  if (file != nullptr) std::fclose(file);
  return console.out();
}
