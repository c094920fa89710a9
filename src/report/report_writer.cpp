#include "report/report_writer.h"

#include <cstring>
#include <string>

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

void append_record_line(std::string* line, const IssueRecord& record) {
  line->append(record.title());
  *line += '\t';
  line->append(record.publisher());
  *line += '\t';
  char number[kJoinedNumberSize];
  line->append(number, join_issue_number(record, number));
  *line += '\t';
  line->append(record.nm_value());
  *line += '\t';
  line->append(record.notes());
  line->append("\r\n");
}

}  // namespace

void write_report(std::FILE* output) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  local_time(now, &local);
  char date_text[kDateTextSize];
  format_date_text(local, date_text);
  std::fprintf(output, "%s\r\n\r\n\r\n", date_text);
  std::fputs("Title\tPublisher and Publishing Dates\tNumber\tNM Value\tNotes\r\n", output);

  std::string line;
  while (QueueNode* node = queue_pop_front(&report_queue)) {
    line.clear();
    append_record_line(&line, *record_of(node));
    std::fwrite(line.data(), 1, line.size(), output);
    release_record_node(node);
  }
}
