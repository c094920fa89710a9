#ifndef QUORVANE_BASE_COMPILER_H_
#define QUORVANE_BASE_COMPILER_H_

// What the program asks of the compiler beyond standard C++, in one place
// (but for the separator scanner's vector paths, which pick their
// instructions the compiler's own way): GCC and clang, every compiler the
// program is built with, have it all; another compiler gets plain code or
// nothing, and the same results.

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

// Builds for AddressSanitizer (QUORVANE_ADDRESS_SANITIZER), and for any
// sanitizer (QUORVANE_SANITIZED), whose checks see into plain code only.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(QUORVANE_ADDRESS_SANITIZER) || defined(__SANITIZE_THREAD__)
#define QUORVANE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVANE_SANITIZED 1
#endif
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
