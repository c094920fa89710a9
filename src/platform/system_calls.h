#ifndef QUORVANE_PLATFORM_SYSTEM_CALLS_H_
#define QUORVANE_PLATFORM_SYSTEM_CALLS_H_

// The system calls that placing the report and writing the log make, in one
// table per system: the program calls each through its entry, so that a test
// can put a stand-in in its place while the program runs and make any of them
// fail, with an error of its choosing, on every system. (SQLite's os_unix.c
// keeps its system calls the same way.)

#include <cstddef>
#include <cstdint>
#include <type_traits>

/// The errors a test may have a call fail with, each given as the system's
/// own code for it (errno, or Windows' last error).
enum class SystemError {
  kNone,          ///< none: the call goes ahead after the fault's `before`
  kIo,            ///< EIO
  kNoSpace,       ///< ENOSPC
  kAccessDenied,  ///< EACCES
  kNotPermitted,  ///< EPERM
  kReadOnly,      ///< EROFS
  kCrossDevice,   ///< EXDEV
  kBusy,          ///< EBUSY
  kInterrupted,   ///< EINTR (no Windows call fails so)
  kWouldBlock,    ///< EWOULDBLOCK: a lock another process holds
  kNoLocks,       ///< ENOLCK: a file system that keeps no locks
  kTooManyFiles,  ///< EMFILE
  kNotFound,      ///< ENOENT
  kExists,        ///< EEXIST: a name that is taken
  kNotSupported,  ///< ENOTSUP: what the file system does not do
};

/// One system call of the table.
struct SystemCall {
  const char* purpose;    ///< what the program asks of it, in words alike on every system
  const char* name;       ///< the system's own name for it
  void (*current)();      ///< what the program calls: the system's function, or a stand-in
  void (*system)();       ///< the system's function
  void (*faultable)();    ///< a stand-in that fails when a planned fault falls due
  std::intptr_t failure;  ///< what the call returns when it fails
};

/// This system's table, ended by an entry whose purpose is null.
extern SystemCall system_calls[];

/// Plans a fault: of the calls that serve `purpose`, counted from now, the
/// `first`th (from 1) and the `count` - 1 after it fail with `error`, after
/// `before` has run (where given: a test may raise a signal there). False,
/// planning nothing, when no call of this system serves `purpose`, the system
/// has no such error, or four faults are planned already (one a purpose).
bool plan_fault(const char* purpose, int first, int count, SystemError error,
                void (*before)() = nullptr);

/// Puts the system's own function back in every entry and drops the plans.
void restore_system_calls();

/// The purpose of a planned fault whose first call has not come (yet); null
/// when every planned fault has fallen due.
const char* fault_not_fallen_due();

/// Sets the system's error to `error`; false where the system has no such
/// error. (Each system's table file answers.)
bool set_system_error(SystemError error);

/// Counts a call of the entry at `index` and says whether the planned fault
/// falls due on it; the system's error is set then.
bool fault_falls_due(std::size_t index);

template <typename R>
R failure_as(std::intptr_t failure) {
  if constexpr (std::is_pointer<R>::value) {
    return reinterpret_cast<R>(failure);
  } else {
    return static_cast<R>(failure);
  }
}

/// The stand-in for the entry at `index`, a function that returns `R` and
/// takes `A`.
template <std::size_t index, typename R, typename... A>
R faultable_call(A... args) {
  if (fault_falls_due(index)) return failure_as<R>(system_calls[index].failure);
  return reinterpret_cast<R (*)(A...)>(system_calls[index].system)(args...);
}
template <std::size_t index, typename R, typename... A>
constexpr auto faultable_of(R (*)(A...)) {
  return &faultable_call<index, R, A...>;
}
template <std::size_t index, typename R, typename... A>
constexpr auto faultable_of(R (*)(A...) noexcept) {
  return &faultable_call<index, R, A...>;
}

/// An entry of the table for `function`, whose index is `index`.
#define QUORVANE_SYSTEM_CALL(index, purpose, function, failure)                                   \
  {                                                                                              \
    purpose, #function, reinterpret_cast<void (*)()>(&function),                                 \
        reinterpret_cast<void (*)()>(&function),                                                 \
        reinterpret_cast<void (*)()>(faultable_of<index>(&function)),                            \
        static_cast<std::intptr_t>(failure)                                                      \
  }

/// The function the program calls for the entry at `index`, typed as `function`.
#define QUORVANE_CALL(index, function) \
  (reinterpret_cast<decltype(&function)>(system_calls[index].current))

#endif  // QUORVANE_PLATFORM_SYSTEM_CALLS_H_
