#include "report/report_format.h"

#include <cstdio>
#include <string_view>

#include "base/output_buffer.h"
#include "holes/run_detection.h"
#include "platform/platform.h"
#include "records/issue_record.h"

void format_date_text(const std::tm& when, char* out) {
  static const char kWeekdays[] = "SunMonTueWedThuFriSat";
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  // The names are looked up only in range, whatever the fields hold.
  unsigned weekday = static_cast<unsigned>(when.tm_wday) % 7;
  unsigned month = static_cast<unsigned>(when.tm_mon) % 12;
  std::snprintf(out, kDateTextSize, "%.3s %.3s %02d %02d:%02d:%02d %04lld",
                &kWeekdays[3 * weekday], &kMonths[3 * month], when.tm_mday, when.tm_hour,
                when.tm_min, when.tm_sec, when.tm_year + 1900LL);
}

namespace {

// The five columns of a record's line, tab-separated, ending in CR LF.
void append_record_line(OutputBuffer* report, const IssueRecord& record) {
  const SharedTitle& shared = *record.shared_title();
  report->append(shared.title_text());
  report->append("\t");
  report->append(shared.publisher_text());
  report->append("\t");
  char number[kJoinedNumberSize];
  report->append(std::string_view(number, join_issue_number(record, number)));
  report->append("\t");
  report->append(record.nm_value());
  report->append("\t");
  report->append(record.notes());
  report->append("\r\n");
}

}  // namespace

bool write_report(FileHandle output) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  local_time(now, &local);
  char date_text[kDateTextSize];
  format_date_text(local, date_text);
  // In static data, so that writing the report needs no memory.
  static char bytes[std::size_t{1} << 16];
  OutputBuffer report(output, bytes, sizeof bytes);
  report.append(date_text);
  report.append("\r\n\r\n\r\n");
  report.append("Title\tPublisher and Publishing Dates\tNumber\tNM Value\tNotes\r\n");
  while (QueueNode* node = queue_pop_front(&report_queue)) {
    append_record_line(&report, *record_of(node));
    release_record_node(node);
  }
  return report.flush();
}
