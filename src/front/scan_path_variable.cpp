#include "front/scan_path_variable.h"

#include <cstdio>
#include <cstdlib>

#include "records/separator_scan.h"

bool use_scan_path_variable() {
  const char* name = std::getenv("QUORVANE_SCAN_PATH");
  if (name == nullptr || name[0] == '\0') return true;
  ScanPath path;
  if (!scan_path_named(name, &path)) {
    std::fprintf(stderr, "Unknown scan path %s in QUORVANE_SCAN_PATH\n", name);
    return false;
  }
  if (!choose_scan_path(path)) {
    std::fprintf(stderr, "This processor cannot run scan path %s\n", name);
    return false;
  }
  return true;
}
