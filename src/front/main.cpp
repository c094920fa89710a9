#include "front/driver.h"
#include "platform/platform.h"

// Every failure exits with 255: the driver's -1 is what POSIX systems make of
// it, while Windows would pass on -1 itself, which `if errorlevel 1` in a
// batch file takes for success.
int main(int argc, char** argv) {
  use_utf8_console();
  return run_quorvane(argc, argv) == 0 ? 0 : 255;
}
