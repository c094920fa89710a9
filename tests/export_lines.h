#ifndef QUORVANE_TESTS_EXPORT_LINES_H_
#define QUORVANE_TESTS_EXPORT_LINES_H_

#include <string>

/// One export line of `count` tab-separated columns without its line end:
/// column 5 the quoted title, 6 the quoted publisher, 14 the quoted number,
/// 17 the value "$3.00", 18 `note` as given; the other columns hold "c<n>".
std::string export_line(const std::string& title, const std::string& number, int count = 20,
                        const std::string& note = "\"note\"");

#endif  // QUORVANE_TESTS_EXPORT_LINES_H_
