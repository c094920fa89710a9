// The planned faults, the same on every system; each system's table and its
// error codes are in system_calls_<system>.cpp.

#include "platform/system_calls.h"

#include <cstring>

namespace {

// A planned fault: which calls it counts, and from which to which of them
// it fails.
struct PlannedFault {
  const char* purpose = nullptr;
  int calls = 0;
  int first = 0;
  int last = 0;
  SystemError error = SystemError::kNone;
  void (*before)() = nullptr;
};

constexpr int kMostFaults = 4;
PlannedFault planned[kMostFaults];

}  // namespace

bool plan_fault(const char* purpose, int first, int count, SystemError error,
                void (*before)()) {
  // The table's own text of the purpose, which outlives the caller's.
  const char* served = nullptr;
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    if (std::strcmp(call->purpose, purpose) == 0) served = call->purpose;
  }
  PlannedFault* free_slot = nullptr;
  for (PlannedFault& fault : planned) {
    if (fault.purpose == nullptr && free_slot == nullptr) free_slot = &fault;
  }
  if (served == nullptr || free_slot == nullptr || !set_system_error(error)) return false;
  *free_slot = PlannedFault{served, 0, first, first + count - 1, error, before};
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    if (call->purpose == served) call->current = call->faultable;
  }
  return true;
}

void restore_system_calls() {
  for (SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    call->current = call->system;
  }
  for (PlannedFault& fault : planned) fault = PlannedFault{};
}

const char* fault_not_fallen_due() {
  for (const PlannedFault& fault : planned) {
    if (fault.purpose != nullptr && fault.calls < fault.first) return fault.purpose;
  }
  return nullptr;
}

bool fault_falls_due(std::size_t index) {
  for (PlannedFault& fault : planned) {
    if (fault.purpose != system_calls[index].purpose) continue;
    ++fault.calls;
    if (fault.calls < fault.first || fault.calls > fault.last) return false;
    if (fault.before != nullptr) fault.before();
    if (fault.error == SystemError::kNone) return false;
    set_system_error(fault.error);
    return true;
  }
  return false;
}
