// What the process asks of the web (Emscripten, in a browser or under
// node): a runtime with POSIX files, whose answers here are honest about
// what it lacks. No signals reach the program, memory has no large pages,
// only node has a disk to sync to, and the page that runs the program wants
// to show how far it has come.

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix.h"

void prepare_process() {
  open_standard_streams();
  // The runtime starts with a umask of 0777, which would make every new
  // report unreadable; a user's new files are readable by all elsewhere.
  umask(022);
}

// Nothing interrupts a program in the web: a page that is closed ends it at
// once, and its files with it.
void catch_interruptions(void (*)()) {}

void advise_large_pages(void*, std::size_t) {}

namespace {

// Under node the standard streams are the process's own, which the runtime
// does not describe; node does. In a page there are none to ask about.
EM_JS(int, node_stream_status, (int standard, double* facts), {
  if (typeof process === "undefined" || !process.versions || !process.versions.node) return 0;
  try {
    var status = require("fs").fstatSync(standard);
    var values = [status.dev, status.ino, status.mode, status.nlink, status.size];
    for (var k = 0; k < values.length; ++k) HEAPF64[(facts >> 3) + k] = values[k];
    return 1;
  } catch (e) {
    return 0;
  }
});

}  // namespace

namespace {

// A page that shows the console takes its bytes as they are, without the
// runtime's terminal, which would take them a character at a time.
EM_JS(int, hand_console_to_page, (int standard, const char* bytes, std::size_t size), {
  if (!Module["onConsole"]) return 0;
  Module["onConsole"](standard, HEAPU8.subarray(bytes, bytes + size));
  return 1;
});

}  // namespace

namespace {

// The runtime's fsync does nothing: under node, whose files are the disk's,
// node is asked to sync the file; a page's files live in memory alone.
// Nonzero when node's sync failed.
EM_JS(int, node_sync, (int file), {
  if (typeof process === "undefined" || !process.versions || !process.versions.node) return 0;
  var stream = FS.getStream(file);
  if (!stream || stream.nfd === undefined) return 0;
  try {
    require("fs").fsyncSync(stream.nfd);
    return 0;
  } catch (e) {
    return 1;
  }
});

}  // namespace

int sync_descriptor(int file) {
  if (fsync(file) != 0) return -1;  // a descriptor that is not open
  if (node_sync(file) == 0) return 0;
  errno = EIO;
  return -1;
}

bool write_standard_stream(int standard, const char* bytes, std::size_t size) {
  return hand_console_to_page(standard, bytes, size) == 1 || write_descriptor(standard, bytes, size);
}

bool standard_stream_status(int standard, struct stat* status) {
  double facts[5];
  if (node_stream_status(standard, facts) == 0) return fstat(standard, status) == 0;
  *status = {};
  status->st_dev = static_cast<dev_t>(facts[0]);
  status->st_ino = static_cast<ino_t>(facts[1]);
  status->st_mode = static_cast<mode_t>(facts[2]);
  status->st_nlink = static_cast<nlink_t>(facts[3]);
  status->st_size = static_cast<off_t>(facts[4]);
  return true;
}

namespace {

// Hands the page the stage and its counts, where the page listens.
EM_JS(void, tell_progress, (int stage, double done, double total), {
  if (Module["onProgress"]) Module["onProgress"](stage, done, total);
});

}  // namespace

void show_progress(Progress stage, std::uint64_t done, std::uint64_t total) {
  // A hundredth at a time, and each new stage or run: telling the page costs
  // a call into JavaScript.
  static int shown_stage = -1;
  static std::uint64_t shown = 0;
  const bool fresh = static_cast<int>(stage) != shown_stage || done < shown;
  if (!fresh && done != total && done - shown < total / 100) return;
  shown_stage = static_cast<int>(stage);
  shown = done;
  tell_progress(shown_stage, static_cast<double>(done), static_cast<double>(total));
}
