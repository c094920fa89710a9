// The planned fault, the same on every system; each system's table and its
// error codes are in system_calls_<system>.cpp.

#include "platform/system_calls.h"

#include <cstring>

namespace {

// The one fault planned, if any: which calls it counts, and from which to
// which of them it fails.
struct PlannedFault {
  const char* purpose = nullptr;
  int calls = 0;
  int first = 0;
  int last = 0;
  SystemError error = SystemError::kNone;
  void (*before)() = nullptr;
} planned;

}  // namespace

bool plan_fault(const char* purpose, int first, int count, SystemError error,
                void (*before)()) {
  restore_system_calls();
  // The table's own text of the purpose, which outlives the caller's.
  const char* served = nullptr;
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    if (std::strcmp(call->purpose, purpose) == 0) served = call->purpose;
  }
  if (served == nullptr || !set_system_error(error)) return false;
  planned = PlannedFault{served, 0, first, first + count - 1, error, before};
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    if (std::strcmp(call->purpose, purpose) == 0) call->current = call->faultable;
  }
  return true;
}

void restore_system_calls() {
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    call->current = call->system;
  }
  planned = PlannedFault{};
}

bool fault_falls_due(std::size_t index) {
  if (planned.purpose == nullptr || std::strcmp(system_calls[index].purpose, planned.purpose) != 0) {
    return false;
  }
  ++planned.calls;
  if (planned.calls < planned.first || planned.calls > planned.last) return false;
  if (planned.before != nullptr) planned.before();
  if (planned.error == SystemError::kNone) return false;
  set_system_error(planned.error);
  return true;
}
