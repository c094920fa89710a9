#ifndef QUORVANE_TESTS_EXPORT_LINES_H_
#define QUORVANE_TESTS_EXPORT_LINES_H_

#include <string>
#include <vector>

/// One export line of `count` tab-separated columns without its line end:
/// column 5 the quoted title, 6 the quoted publisher, 14 the quoted number,
/// 17 the value "$3.00", 18 `note` as given; the other columns hold "c<n>".
std::string export_line(const std::string& title, const std::string& number, int count = 20,
                        const std::string& note = "\"note\"");

/// `utf8` (valid UTF-8) as UTF-16 of the given byte order, as Windows tools
/// save text; a leading EF BB BF becomes the byte-order mark.
std::string utf16_of(const std::string& utf8, bool big_endian);

/// The records of record_set as "title|publisher|number|nm_value|notes".
std::vector<std::string> record_rows();

/// Reads `text` as an export, from memory or through a file, expecting success; returns the log.
std::string read_export(const std::string& text, const std::vector<std::string>& ignored = {},
                        bool through_file = false);

#endif  // QUORVANE_TESTS_EXPORT_LINES_H_
