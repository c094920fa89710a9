#ifndef QUORVANE_BASE_COMPILER_H_
#define QUORVANE_BASE_COMPILER_H_

// What the program asks of the compiler beyond standard C++, in one place:
// GCC and clang (every compiler the program is built with) have it all;
// another compiler gets plain code or nothing, and the same results.

#include <cstdint>

#if defined(__GNUC__) || defined(__clang__)
/// Has the compiler check a function's printf-style format against its values.
#define QUORVANE_PRINTF_FORMAT(format_at, values_at) \
  __attribute__((format(printf, format_at, values_at)))
/// Keeps a function out of its callers, so that their loops keep their
/// registers.
#define QUORVANE_NOINLINE __attribute__((noinline))
/// Keeps data that nothing refers to in the executable.
#define QUORVANE_KEEP [[gnu::used]]
#else
#define QUORVANE_PRINTF_FORMAT(format_at, values_at)
#define QUORVANE_NOINLINE
#define QUORVANE_KEEP
#endif

/// The place of the lowest set bit of `bits`, which must not be 0.
inline unsigned lowest_bit(std::uint64_t bits) {
#if defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  unsigned place = 0;
  for (; (bits & 1) == 0; bits >>= 1) ++place;
  return place;
#endif
}

#endif  // QUORVANE_BASE_COMPILER_H_
