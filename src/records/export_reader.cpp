#include "records/export_reader.h"

#include <vector>

#include "base/log_message.h"
#include "base/process_state.h"
#include "platform/platform.h"
#include "records/export_decoder.h"
#include "records/issue_record.h"
#include "records/ignored_types.h"

Queue record_set;

namespace {
const StateReset record_set_reset([] { release_record_queue(&record_set); });
}  // namespace

std::string_view strip_quotes(std::string_view column) {
  if (column.size() <= 2) return {};
  return column.substr(1, column.size() - 2);
}

bool read_record_set(std::FILE* input, const std::vector<std::string>& ignored_types) {
  constexpr std::size_t kChunkSize = 1 << 17;
  std::vector<char> chunk(kChunkSize);
  const IgnoredTypes ignored = make_ignored_types(ignored_types);
  ExportDecoder text(ignored);
  FileStatus input_status;
  const std::uint64_t size = handle_status(handle_of(input), &input_status) ? input_status.size : 0;
  std::uint64_t read = 0;
  for (;;) {
    // fread fills the chunk unless the input ends, so the first piece holds
    // any byte-order mark whole.
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), input);
    if (got == 0) break;
    if (!text.feed(chunk.data(), got)) return false;
    read += got;
    show_progress(Progress::kReading, read, size);
  }
  if (std::ferror(input)) {
    log_message("Error: Couldn't read input file\n");
    return false;
  }
  return text.finish();
}

bool read_record_text(std::string_view text, const std::vector<std::string>& ignored_types) {
  const IgnoredTypes ignored = make_ignored_types(ignored_types);
  ExportDecoder export_text(ignored);
  return export_text.feed(text.data(), text.size()) && export_text.finish();
}
