#include "records/separator_scan.h"

#include <cstring>

#include "base/compiler.h"
#include "base/process_state.h"

// The x86-64 paths are written for GCC and clang, which pick the vector
// instructions function by function.
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#define QUORVANE_X86_64 1
#include <immintrin.h>
#endif

// Every 64-bit ARM processor has NEON: no check needed. (Big-endian ARM,
// which no machine of ours runs, is left to the portable path.)
#if defined(__aarch64__) && !defined(__AARCH64EB__)
#define QUORVANE_NEON 1
#include <arm_neon.h>
#endif

// WebAssembly's 128-bit vectors, where the build asks for them (-msimd128):
// every browser of the last years runs them, and so does node.
#if defined(__wasm_simd128__)
#define QUORVANE_SIMD128 1
#include <wasm_simd128.h>
#endif

namespace {

// The portable path reads eight bytes as one word and finds the wanted bytes
// among all eight at once. Its test for a zero byte is the exact one: the
// cheaper (v - 0x01..) & ~v & 0x80.. also marks a byte 0x01 above a zero
// byte, through the borrow.
constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kLow7Bits = 0x7F7F7F7F7F7F7F7Fu;

// The high bit of each byte of `word` that is zero, and no other bit.
inline std::uint64_t zero_bytes(std::uint64_t word) {
  return ~(((word & kLow7Bits) + kLow7Bits) | word | kLow7Bits);
}

// The high bits of the bytes of `high_bits`, which has no other bit set, as
// eight bits, byte k's as bit k: the product moves byte k's bit to bit
// 56 + k, and no two of the shifted bits meet, so nothing carries.
inline std::uint64_t gather_high_bits(std::uint64_t high_bits) {
  return (high_bits * 0x0002040810204081u) >> 56;
}

// Eight bytes from anywhere, byte k in bits 8k to 8k + 7 whatever the
// machine's byte order.
inline std::uint64_t load_word(const char* data) {
  std::uint64_t word;
  std::memcpy(&word, data, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

void mark_portable(const char* data, std::size_t count, SeparatorMasks* masks) {
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    std::uint64_t tabs = 0, line_ends = 0, nuls = 0;
    for (unsigned part = 0; part < kScanBlockSize / 8; ++part) {
      const std::uint64_t word = load_word(data + 8 * part);
      const unsigned shift = 8 * part;
      tabs |= gather_high_bits(zero_bytes(word ^ ('\t' * kEveryByte))) << shift;
      line_ends |= gather_high_bits(zero_bytes(word ^ ('\n' * kEveryByte))) << shift;
      nuls |= gather_high_bits(zero_bytes(word)) << shift;
    }
    masks[block] = SeparatorMasks{tabs, line_ends, nuls};
  }
}

#ifdef QUORVANE_X86_64

// SSE2 is part of every x86-64 processor: no check needed.
std::uint64_t sse2_mask(const __m128i (&bytes)[4], __m128i wanted) {
  std::uint64_t mask = 0;
  for (unsigned part = 0; part < 4; ++part) {
    auto bits = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes[part], wanted)));
    mask |= std::uint64_t{bits} << (16 * part);
  }
  return mask;
}

void mark_sse2(const char* data, std::size_t count, SeparatorMasks* masks) {
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i line_end = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    __m128i bytes[4];
    for (unsigned part = 0; part < 4; ++part) {
      bytes[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
    }
    masks[block] = SeparatorMasks{sse2_mask(bytes, tab), sse2_mask(bytes, line_end),
                                  sse2_mask(bytes, nul)};
  }
}

// The AVX2 path is compiled for its instructions function by function, so
// that the build needs no flag that would let them into the rest of the
// program, which must run on any x86-64 processor.
__attribute__((target("avx2"))) std::uint64_t avx2_mask(__m256i low, __m256i high,
                                                         __m256i wanted) {
  auto low_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, wanted)));
  auto high_bits =
      static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, wanted)));
  return std::uint64_t{low_bits} | std::uint64_t{high_bits} << 32;
}

__attribute__((target("avx2"))) void mark_avx2(const char* data, std::size_t count,
                                                SeparatorMasks* masks) {
  const __m256i tab = _mm256_set1_epi8('\t');
  const __m256i line_end = _mm256_set1_epi8('\n');
  const __m256i nul = _mm256_setzero_si256();
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
    __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + 32));
    masks[block] = SeparatorMasks{avx2_mask(low, high, tab), avx2_mask(low, high, line_end),
                                  avx2_mask(low, high, nul)};
  }
}

#endif  // QUORVANE_X86_64

#ifdef QUORVANE_NEON

// NEON has no movemask: each equal byte keeps the bit of its place among
// eight (1, 2, 4 ... 128), and three rounds of pairwise sums add each eight
// bytes into one, so that byte k's bit ends as bit k of the mask.
std::uint64_t neon_mask(const uint8x16_t (&bytes)[4], uint8x16_t wanted) {
  static const std::uint8_t kPlaces[16] = {1, 2, 4, 8, 16, 32, 64, 128,
                                           1, 2, 4, 8, 16, 32, 64, 128};
  const uint8x16_t places = vld1q_u8(kPlaces);
  uint8x16_t bits[4];
  for (unsigned part = 0; part < 4; ++part) {
    bits[part] = vandq_u8(vceqq_u8(bytes[part], wanted), places);
  }
  uint8x16_t sums = vpaddq_u8(vpaddq_u8(bits[0], bits[1]), vpaddq_u8(bits[2], bits[3]));
  sums = vpaddq_u8(sums, sums);
  return vgetq_lane_u64(vreinterpretq_u64_u8(sums), 0);
}

void mark_neon(const char* data, std::size_t count, SeparatorMasks* masks) {
  const uint8x16_t tab = vdupq_n_u8('\t');
  const uint8x16_t line_end = vdupq_n_u8('\n');
  const uint8x16_t nul = vdupq_n_u8(0);
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    uint8x16_t bytes[4];
    for (unsigned part = 0; part < 4; ++part) {
      bytes[part] = vld1q_u8(reinterpret_cast<const std::uint8_t*>(data + 16 * part));
    }
    masks[block] = SeparatorMasks{neon_mask(bytes, tab), neon_mask(bytes, line_end),
                                  neon_mask(bytes, nul)};
  }
}

#endif  // QUORVANE_NEON

#ifdef QUORVANE_SIMD128

void mark_simd128(const char* data, std::size_t count, SeparatorMasks* masks) {
  const v128_t tab = wasm_i8x16_splat('\t');
  const v128_t line_end = wasm_i8x16_splat('\n');
  const v128_t nul = wasm_i8x16_splat(0);
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    std::uint64_t tabs = 0, line_ends = 0, nuls = 0;
    for (unsigned part = 0; part < 4; ++part) {
      const v128_t bytes = wasm_v128_load(data + 16 * part);
      const unsigned shift = 16 * part;
      tabs |= std::uint64_t{wasm_i8x16_bitmask(wasm_i8x16_eq(bytes, tab))} << shift;
      line_ends |= std::uint64_t{wasm_i8x16_bitmask(wasm_i8x16_eq(bytes, line_end))} << shift;
      nuls |= std::uint64_t{wasm_i8x16_bitmask(wasm_i8x16_eq(bytes, nul))} << shift;
    }
    masks[block] = SeparatorMasks{tabs, line_ends, nuls};
  }
}

#endif  // QUORVANE_SIMD128

using MarkFunction = void (*)(const char*, std::size_t, SeparatorMasks*);

MarkFunction function_of(ScanPath path) {
  switch (path) {
#ifdef QUORVANE_X86_64
    case ScanPath::sse2: return mark_sse2;
    case ScanPath::avx2: return mark_avx2;
#endif
#ifdef QUORVANE_NEON
    case ScanPath::neon: return mark_neon;
#endif
#ifdef QUORVANE_SIMD128
    case ScanPath::simd128: return mark_simd128;
#endif
    default: return mark_portable;
  }
}

ScanPath chosen_path = default_scan_path();
MarkFunction chosen_function = function_of(chosen_path);

const StateReset scan_path_reset([] { choose_scan_path(default_scan_path()); });

}  // namespace

void mark_separators(const char* data, std::size_t count, SeparatorMasks* masks) {
  chosen_function(data, count, masks);
}

bool scan_path_runs(ScanPath path) {
#ifdef QUORVANE_X86_64
  // The first check may come before the compiler's own start-up code has
  // looked at the processor (from a static initializer); asking again is cheap.
  __builtin_cpu_init();
#endif
  switch (path) {
    case ScanPath::portable: return true;
#ifdef QUORVANE_X86_64
    case ScanPath::sse2: return true;
    case ScanPath::avx2: return __builtin_cpu_supports("avx2");
#endif
#ifdef QUORVANE_NEON
    case ScanPath::neon: return true;
#endif
#ifdef QUORVANE_SIMD128
    case ScanPath::simd128: return true;  // a runtime without it would not load the program
#endif
    default: return false;
  }
}

ScanPath default_scan_path() {
#ifdef QUORVANE_SANITIZED
  return ScanPath::portable;
#else
  ScanPath widest = ScanPath::portable;
  for (ScanPath path : kScanPaths) {
    if (scan_path_runs(path)) widest = path;
  }
  return widest;
#endif
}

bool choose_scan_path(ScanPath path) {
  if (!scan_path_runs(path)) return false;
  chosen_path = path;
  chosen_function = function_of(path);
  return true;
}

ScanPath chosen_scan_path() { return chosen_path; }

const char* scan_path_name(ScanPath path) {
  switch (path) {
    case ScanPath::portable: return "portable";
    case ScanPath::sse2: return "sse2";
    case ScanPath::avx2: return "avx2";
    case ScanPath::neon: return "neon";
    case ScanPath::simd128: return "simd128";
  }
  return "?";
}

bool scan_path_named(const char* name, ScanPath* path) {
  for (ScanPath candidate : kScanPaths) {
    if (name != nullptr && std::strcmp(name, scan_path_name(candidate)) == 0) {
      *path = candidate;
      return true;
    }
  }
  return false;
}
