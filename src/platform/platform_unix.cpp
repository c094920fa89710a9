// What the process asks of a Unix system (Linux, macOS, the BSDs) and not of
// the web: signals, large pages, and syncs.

#include <sys/mman.h>
#include <unistd.h>

#include <csignal>

#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/posix.h"

void prepare_process() {
  open_standard_streams();
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
}

int sync_descriptor(int file) { return fsync(file); }

void catch_interruptions(void (*cleanup)()) {
  interruption_cleanup = cleanup;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction was;
    // nohup and a shell's background jobs ignore some of them on purpose.
    if (sigaction(signal_number, nullptr, &was) != 0 || was.sa_handler == SIG_IGN) continue;
    struct sigaction handling = {};
    handling.sa_handler = end_interrupted_run;
    sigemptyset(&handling.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&handling.sa_mask, other);
    handling.sa_flags = SA_RESTART;
    sigaction(signal_number, &handling, nullptr);
  }
}

bool write_standard_stream(int standard, const char* bytes, std::size_t size) {
  return write_descriptor(standard, bytes, size);
}

bool standard_stream_status(int standard, struct stat* status) {
  return QUORVANE_CALL(kHandleStatus, fstat)(standard, status) == 0;
}

void advise_large_pages(void* block, std::size_t size) {
#ifdef MADV_HUGEPAGE
  madvise(block, size, MADV_HUGEPAGE);
#else
  static_cast<void>(block);
  static_cast<void>(size);
#endif
}

// A console tool shows no progress: its messages are its progress.
void show_progress(Progress, std::uint64_t, std::uint64_t) {}
