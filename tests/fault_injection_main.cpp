// The main of a test-only build of the tool that makes its system calls fail
// on purpose: QUORVANE_FAIL_CALL="PURPOSE:FIRST:COUNT:ERROR" in its
// environment makes the FIRST to the (FIRST + COUNT - 1)th call that serves
// PURPOSE (see platform/system_calls.h) fail with ERROR, an errno name
// (EIO, ENOSPC, ...), which each system turns into its own code; ERROR may
// also be SIGINT, SIGTERM or SIGHUP, raised as the call begins, which then
// goes ahead. Several faults are separated by commas; a fault whose call
// never came is said on standard error. The shipped tool has none of this.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "front/driver.h"
#include "platform/system_calls.h"

namespace {

struct NamedError {
  const char* name;
  SystemError error;
};

const NamedError kErrors[] = {
    {"EIO", SystemError::kIo},           {"ENOSPC", SystemError::kNoSpace},
    {"EACCES", SystemError::kAccessDenied}, {"EPERM", SystemError::kNotPermitted},
    {"EROFS", SystemError::kReadOnly},   {"EXDEV", SystemError::kCrossDevice},
    {"EBUSY", SystemError::kBusy},       {"EINTR", SystemError::kInterrupted},
    {"EWOULDBLOCK", SystemError::kWouldBlock}, {"ENOLCK", SystemError::kNoLocks},
    {"EMFILE", SystemError::kTooManyFiles}, {"ENOENT", SystemError::kNotFound},
    {"EEXIST", SystemError::kExists},    {"ENOTSUP", SystemError::kNotSupported},
};

struct NamedSignal {
  const char* name;
  int number;
};

const NamedSignal kSignals[] = {
    {"SIGINT", SIGINT},
    {"SIGTERM", SIGTERM},
#ifdef SIGHUP
    {"SIGHUP", SIGHUP},
#endif
};

int signal_to_raise = 0;
void raise_signal() { std::raise(signal_to_raise); }

// Plans one fault, "PURPOSE:FIRST:COUNT:ERROR"; false when this system can
// make none such.
bool plan_one(const std::string& fault) {
  const std::size_t error_at = fault.rfind(':');
  const std::size_t count_at = error_at == std::string::npos ? error_at : fault.rfind(':', error_at - 1);
  const std::size_t first_at = count_at == std::string::npos ? count_at : fault.rfind(':', count_at - 1);
  if (first_at == std::string::npos || first_at == 0) return false;
  const std::string purpose = fault.substr(0, first_at);
  const int first = std::atoi(fault.c_str() + first_at + 1);
  const int count = std::atoi(fault.c_str() + count_at + 1);
  const std::string error = fault.substr(error_at + 1);
  for (const NamedSignal& named : kSignals) {
    if (error != named.name) continue;
    signal_to_raise = named.number;
    return plan_fault(purpose.c_str(), first, count, SystemError::kNone, raise_signal);
  }
  for (const NamedError& named : kErrors) {
    if (error == named.name) return plan_fault(purpose.c_str(), first, count, named.error);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char* setting = std::getenv("QUORVANE_FAIL_CALL");
  for (std::size_t at = 0; setting != nullptr && setting[at] != '\0';) {
    const std::size_t end = std::strcspn(setting + at, ",") + at;
    const std::string fault(setting + at, end - at);
    if (!plan_one(fault)) {
      std::fprintf(stderr, "No such fault here: %s\n", fault.c_str());
      return 99;
    }
    at = setting[end] == ',' ? end + 1 : end;
  }
  const int status = quorvane_main(argc, argv);
  // A row whose fault never came would test nothing.
  if (const char* purpose = fault_not_fallen_due()) {
    std::fprintf(stderr, "The run made no %s call to fail\n", purpose);
  }
  return status;
}
