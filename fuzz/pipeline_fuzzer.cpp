// libFuzzer target for the whole job in memory: the export read from memory,
// and for some inputs also from a stream and with a final LF added (all of
// which must give the same records), grouped into titles, each title split
// and cut into holes as the driver does it, the report written to a memory
// stream, and every piece of process-wide state put back afterwards.
//
// Input layout: byte 0 holds flags (bits 0-1: how many book types to ignore;
// bit 2: a log file is open; bit 3: the export is read through a stream as
// well; bit 4: the export is expanded, see expand(); bit 5: an expanded
// export is read with every separator scan path too, as every other export
// is), bytes 1-4 the hole size
// as any int, then each book type as one length byte (0-7) and its bytes; the
// rest is the export.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/log_message.h"
#include "base/settings.h"
#include "base/process_state.h"
#include "base/numeric_value.h"
#include "holes/run_detection.h"
#include "holes/title_analysis.h"
#include "records/export_reader.h"
#include "records/issue_record.h"
#include "records/separator_scan.h"
#include "records/title_grouping.h"
#include "report/report_format.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "pipeline_fuzzer: invariant broken: %s\n", what);
  std::abort();
}

void check(bool holds, const char* what) {
  if (!holds) fail(what);
}

std::size_t length_of(const Queue& queue) {
  std::size_t count = 0;
  for (const QueueNode* node = queue.first; node != nullptr; node = node->next) ++count;
  return count;
}

// Every field ends inside its width.
void check_fields(const IssueRecord& record) {
  check(std::strlen(record.title()) < kTitleWidth, "title too long");
  check(std::strlen(record.publisher()) < kPublisherWidth, "publisher too long");
  check(std::strlen(record.number()) < kNumberWidth, "number too long");
  check(std::strlen(record.variant()) < kVariantWidth, "variant too long");
  check(std::strlen(record.printing()) < kPrintingWidth, "printing too long");
  check(std::strlen(record.nm_value()) < kNmValueWidth, "nm_value too long");
  check(std::strlen(record.notes()) < kNotesWidth, "notes too long");
}

// Records, their nodes and their shared titles are carved from shared
// blocks, where the sanitizer cannot see one object run into the next: the
// live objects of `queue` must not overlap. A record ends after the NUL of its
// notes; records of one title and publisher share one title object.
void check_disjoint(const Queue& queue) {
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> spans;
  std::set<const SharedTitle*> titles;
  for (const QueueNode* node = queue.first; node != nullptr; node = node->next) {
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(node);
    spans.emplace_back(at, at + sizeof(QueueNode));
    const IssueRecord& record = *record_of(node);
    const char* notes = record.notes();
    at = reinterpret_cast<std::uintptr_t>(&record);
    spans.emplace_back(at, reinterpret_cast<std::uintptr_t>(notes + std::strlen(notes) + 1));
    const SharedTitle* shared = record.shared_title();
    if (titles.insert(shared).second) {
      at = reinterpret_cast<std::uintptr_t>(shared);
      const char* publisher = shared->publisher();
      spans.emplace_back(at, reinterpret_cast<std::uintptr_t>(publisher + std::strlen(publisher) + 1));
    }
  }
  std::sort(spans.begin(), spans.end());
  for (std::size_t k = 1; k < spans.size(); ++k) {
    check(spans[k - 1].second <= spans[k].first, "records, nodes or titles overlap");
  }
}

// The stored texts of a record, to compare two reads of the same export.
std::string fields_of(const IssueRecord& record) {
  std::string text;
  for (const char* field : {record.title(), record.publisher(), record.number(), record.variant(),
                            record.printing(), record.nm_value(), record.notes()}) {
    text += field;
    text += '\0';
  }
  return text;
}

std::vector<std::string> snapshot(const Queue& queue) {
  std::vector<std::string> records;
  for (const QueueNode* node = queue.first; node != nullptr; node = node->next) {
    records.push_back(fields_of(*record_of(node)));
  }
  return records;
}

// Lines longer than the reader's pieces, and long unterminated last lines,
// take another way through the reader than short ones; inputs that small
// never get there. So each byte 0x01 followed by a count c and a byte x
// stands for x repeated (c + 1) * 256 times, the whole kept below 1.5 MiB
// (the stream reader's pieces are 128 KiB).
std::string expand(std::string_view text) {
  constexpr std::size_t kMostBytes = std::size_t{3} << 19;
  std::string expanded;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\x01' && at + 2 < text.size()) {
      std::size_t count = (static_cast<unsigned char>(text[at + 1]) + 1u) * 256u;
      if (expanded.size() + count <= kMostBytes) expanded.append(count, text[at + 2]);
      at += 2;
    } else {
      expanded += text[at];
    }
  }
  return expanded;
}

// Reads `text` through a stream, as the program reads its input file.
bool read_through_stream(std::string_view text, bool* opened) {
  std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  *opened = stream != nullptr;
  if (stream == nullptr) return true;
  bool ok = read_record_set(stream, ignore_types);
  std::fclose(stream);
  return ok;
}

// Within a stretch of equal numbers the plain issue and variants lead, then
// printings ascending; variants by their bytes.
bool in_edition_order(const IssueRecord& a, const IssueRecord& b) {
  int a_key = a.printing()[0] == '\0' ? INT_MIN : numeric_value(a.printing());
  int b_key = b.printing()[0] == '\0' ? INT_MIN : numeric_value(b.printing());
  if (a_key != b_key) return a_key < b_key;
  return std::strcmp(a.variant(), b.variant()) <= 0;
}

void check_issue_queue(const Queue& issue_queue) {
  check(issue_queue.first != nullptr, "empty issue queue");
  const char* title = record_of(issue_queue.first)->title();
  for (const QueueNode* node = issue_queue.first; node != nullptr; node = node->next) {
    check(std::strcmp(record_of(node)->title(), title) == 0, "mixed titles in an issue queue");
  }
}

void check_split_order(const Queue& issue_queue) {
  for (const QueueNode* node = issue_queue.first; node != nullptr; node = node->next) {
    const IssueRecord& record = *record_of(node);
    check_fields(record);
    if (node->next == nullptr) continue;
    const IssueRecord& next = *record_of(node->next);
    if (numeric_value(record.number()) == numeric_value(next.number())) {
      check(in_edition_order(record, next), "editions out of order");
    }
  }
}

// The issue queues' lengths as grouping made them, in order, for the checks
// between the split and the hole finding.
std::vector<std::size_t> grouped_lengths;
std::size_t titles_split = 0;

void check_after_split(const Queue& issue_queue) {
  check(titles_split < grouped_lengths.size(), "more issue queues split than grouped");
  check(length_of(issue_queue) == grouped_lengths[titles_split++],
        "splitting changed the queue's length");
  check_split_order(issue_queue);
}

// Runs the driver's title loop; returns how many records were kept.
std::size_t analyse_all_titles(std::size_t record_count) {
  grouped_lengths.clear();
  titles_split = 0;
  const char* previous_title = nullptr;
  for (const QueueNode* node = title_queues.first; node != nullptr; node = node->next) {
    const Queue& issue_queue = *static_cast<const Queue*>(node->payload);
    check_issue_queue(issue_queue);
    const char* title = record_of(issue_queue.first)->title();
    check(previous_title == nullptr || std::strcmp(previous_title, title) != 0,
          "neighbouring title queues share their title");
    previous_title = title;
    grouped_lengths.push_back(length_of(issue_queue));
  }
  std::size_t grouped = 0;
  for (std::size_t length : grouped_lengths) grouped += length;
  check(grouped == record_count, "grouping lost or made records");

  analyse_titles(check_after_split);
  check(titles_split == grouped_lengths.size(), "issue queues left unanalysed");
  check(title_queues.first == nullptr && title_queues.last == nullptr, "title queues left");
  check(length_of(report_queue) <= record_count, "hole finding made records");
  for (const QueueNode* node = report_queue.first; node != nullptr; node = node->next) {
    check_fields(*record_of(node));
  }
  check_disjoint(report_queue);
  return length_of(report_queue);
}

// Writes the report to memory and checks its frame: the date line, two empty
// lines, the header and exactly one line per kept record.
void write_and_check_report(std::size_t kept) {
  // One scratch file for every input, emptied each time.
  static std::FILE* const output = std::tmpfile();
  if (output == nullptr || ftruncate(fileno(output), 0) != 0 ||
      lseek(fileno(output), 0, SEEK_SET) != 0) {
    std::abort();
  }
  check(write_report(fileno(output)), "write error on a scratch file");
  check(report_queue.first == nullptr && report_queue.last == nullptr,
        "report queue not empty after write_report");
  std::string bytes;
  std::rewind(output);
  char piece[4096];
  for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, output)) > 0;) {
    bytes.append(piece, got);
  }
  std::string_view report(bytes);
  static const char kFrame[] =
      "\r\n\r\n\r\nTitle\tPublisher and Publishing Dates\tNumber\tNM Value\tNotes\r\n";
  check(report.size() >= 24 + sizeof kFrame - 1 && report.substr(24, sizeof kFrame - 1) == kFrame,
        "report frame");
  std::size_t line_ends = 0;
  for (std::size_t at = 0; at < report.size(); ++at) {
    if (report[at] == '\n') {
      check(at > 0 && report[at - 1] == '\r', "LF without CR in the report");
      ++line_ends;
    }
  }
  check(line_ends == 4 + kept, "report lines do not match the kept records");
  check(report.size() >= 2 && report.substr(report.size() - 2) == "\r\n", "report end");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The progress and rejection messages go to standard output; nobody reads
  // them here. libFuzzer and the sanitizers write to standard error.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const unsigned flags = data[0];
  int limit = 0;
  std::memcpy(&limit, data + 1, sizeof limit);
  std::size_t at = 5;

  reset_process_state();
  size_limit = limit;
  for (unsigned k = 0; k < (flags & 3u) && at < size; ++k) {
    std::size_t length = data[at++] & 7u;
    if (length > size - at) length = size - at;
    ignore_types.emplace_back(reinterpret_cast<const char*>(data + at), length);
    at += length;
  }
  if ((flags & 4u) != 0) {
    log_file = open("/dev/null", O_WRONLY);
    start_log_file();
  }
  std::string_view text(reinterpret_cast<const char*>(data + at), size - at);
  const bool expanded = (flags & 16u) != 0;
  std::string expanded_text;
  if (expanded) {
    expanded_text = expand(text);
    text = expanded_text;
  }

  if (expanded && !text.empty() && text.back() != '\n') {
    // The last line needs no LF: with one it gives the same records.
    check(read_record_text(std::string(text) + "\n", ignore_types),
          "reading from memory failed");
    std::vector<std::string> with_lf = snapshot(record_set);
    release_record_queue(&record_set);
    check(read_record_text(text, ignore_types), "reading from memory failed");
    check(snapshot(record_set) == with_lf, "a final LF changes the records");
  } else {
    check(read_record_text(text, ignore_types), "reading from memory failed");
  }
  if ((flags & 8u) != 0 || expanded) {
    // The same export through a stream gives the same records. The stream
    // reader's 128 KiB buffer makes this slow, so only some inputs do it.
    std::vector<std::string> from_memory = snapshot(record_set);
    release_record_queue(&record_set);
    bool opened = false;
    check(read_through_stream(text, &opened), "reading from a stream failed");
    if (opened) check(snapshot(record_set) == from_memory, "stream and memory reads differ");
    if (!opened) check(read_record_text(text, ignore_types), "reading from memory failed");
  }

  if (!expanded || (flags & 32u) != 0) {
    // Every way of finding the separators that the machine runs gives the
    // same records.
    std::vector<std::string> first = snapshot(record_set);
    for (ScanPath path : kScanPaths) {
      if (path == chosen_scan_path() || !scan_path_runs(path)) continue;
      ScanPath before = chosen_scan_path();
      choose_scan_path(path);
      release_record_queue(&record_set);
      check(read_record_text(text, ignore_types), "reading from memory failed");
      check(snapshot(record_set) == first, "separator scan paths give different records");
      choose_scan_path(before);
    }
  }

  std::size_t record_count = 0;
  for (const QueueNode* node = record_set.first; node != nullptr; node = node->next) {
    const IssueRecord& record = *record_of(node);
    check_fields(record);
    check(record.variant()[0] == '\0' && record.printing()[0] == '\0',
          "variant or printing filled by the reader");
    ++record_count;
  }

  check_disjoint(record_set);
  check(build_title_queues(&record_set), "grouping failed");
  check(record_set.first == nullptr && record_set.last == nullptr, "record set not emptied");
  std::size_t kept = analyse_all_titles(record_count);
  write_and_check_report(kept);

  reset_process_state();
  return 0;
}
