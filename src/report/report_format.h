#ifndef QUORVANE_REPORT_REPORT_FORMAT_H_
#define QUORVANE_REPORT_REPORT_FORMAT_H_

#include <cstddef>
#include <ctime>

#include "platform/platform.h"

/// Room for a date line's text: "Thu Mar 07 09:05:03 2024" takes 24
/// characters, and a tm out of its usual ranges cannot overrun the rest.
constexpr std::size_t kDateTextSize = 48;

/// Writes `when` as weekday, month, two-digit day, time and year in fixed
/// English names, whatever the locale, into `out` (kDateTextSize bytes).
void format_date_text(const std::tm& when, char* out);

/// Writes the report to `output` (still empty): the date line of the local
/// time now, two empty lines, the header and one line per record of
/// `report_queue`, each ending in CR LF. Frees every record once its line is
/// written; `report_queue` is empty afterwards. False when a write failed.
bool write_report(FileHandle output);

#endif  // QUORVANE_REPORT_REPORT_FORMAT_H_
