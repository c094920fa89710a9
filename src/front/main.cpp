#include "front/driver.h"
#include "front/scan_path_variable.h"
#include "platform/platform.h"

// Every failure exits with 255: the driver's -1 is what POSIX systems make of
// it, while Windows would pass on -1 itself, which `if errorlevel 1` in a
// batch file takes for success. A scan path that QUORVANE_SCAN_PATH names
// wrongly stops the tool before its banner and before it touches any file.
int main(int argc, char** argv) {
  use_utf8_console();
  if (!use_scan_path_variable()) return 255;
  return run_quorvane(argc, argv) == 0 ? 0 : 255;
}
