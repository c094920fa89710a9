// The main of a test-only build of the tool that makes one of its system
// calls fail on purpose: QUORVANE_FAIL_CALL="PURPOSE:FIRST:COUNT:ERROR" in its
// environment makes the FIRST to the (FIRST + COUNT - 1)th call that serves
// PURPOSE (see platform/system_calls.h) fail with ERROR, an errno name
// (EIO, ENOSPC, ...), which each system turns into its own code; ERROR may
// also be SIGINT, SIGTERM or SIGHUP, raised as the call begins, which then
// goes ahead. The shipped tool has none of this.

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
};

int signal_to_raise = 0;
void raise_signal() { std::raise(signal_to_raise); }

// Plans the fault the environment asks for; false when it names none this
// system can make.
bool plan_from(const std::string& setting) {
  const std::size_t first_colon = setting.find(':');
  const std::size_t error_colon = setting.rfind(':');
  const std::size_t count_colon = setting.rfind(':', error_colon - 1);
  if (first_colon == std::string::npos || count_colon <= first_colon) return false;
  const std::string purpose = setting.substr(0, first_colon);
  const int first = std::atoi(setting.c_str() + first_colon + 1);
  const int count = std::atoi(setting.c_str() + count_colon + 1);
  const std::string error = setting.substr(error_colon + 1);
  for (const auto& [name, number] : {std::pair<const char*, int>{"SIGINT", SIGINT},
                                     {"SIGTERM", SIGTERM}, {"SIGHUP", 0}}) {
    if (error != name) continue;
#ifdef SIGHUP
    signal_to_raise = number != 0 ? number : SIGHUP;
#else
    signal_to_raise = number;
#endif
    return signal_to_raise != 0 &&
           plan_fault(purpose.c_str(), first, count, SystemError::kNone, raise_signal);
  }
  for (const NamedError& named : kErrors) {
    if (error == named.name) return plan_fault(purpose.c_str(), first, count, named.error);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char* setting = std::getenv("QUORVANE_FAIL_CALL");
  if (setting != nullptr && !plan_from(setting)) {
    std::fprintf(stderr, "No such fault here: %s\n", setting);
    return 99;
  }
  return quorvane_main(argc, argv);
}
