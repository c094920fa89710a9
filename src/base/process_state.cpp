#include "base/process_state.h"

#include <cstdlib>

namespace {

// Filled while the program starts, before anything can call reset_process_state;
// zero from the start, so that no order of start-up can find it half made.
constexpr int kMostResets = 16;
void (*resets[kMostResets])();
int reset_count;

}  // namespace

StateReset::StateReset(void (*reset)()) {
  if (reset_count == kMostResets) std::abort();  // raise kMostResets
  resets[reset_count++] = reset;
}

void reset_process_state() {
  for (int k = 0; k < reset_count; ++k) resets[k]();
}
