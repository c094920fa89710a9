// What the process asks of a POSIX system (Unix and the web) alike: its
// standard streams, its arguments and the local time.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix.h"

void open_standard_streams() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // open returns the lowest free descriptor, which is this one.
    int null = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != descriptor) {
      dup2(null, descriptor);
      close(null);
    }
  }
}

// Terminals and command lines take the program's bytes as they are.
void use_utf8_console() {}

void use_utf8_arguments(int*, char***) {}

bool local_time(std::time_t when, std::tm* out) { return localtime_r(&when, out) != nullptr; }
