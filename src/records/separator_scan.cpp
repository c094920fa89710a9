#include "records/separator_scan.h"

#if defined(__x86_64__) || defined(_M_X64)
#define QUORVANE_X86_64 1
#include <immintrin.h>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVANE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || \
    __has_feature(thread_sanitizer)
#define QUORVANE_SANITIZED 1
#endif
#endif

namespace {

void mark_portable(const char* data, std::size_t count, SeparatorMasks* masks) {
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    std::uint64_t tabs = 0, line_ends = 0, nuls = 0;
    for (unsigned k = 0; k < kScanBlockSize; ++k) {
      const char c = data[k];
      tabs |= std::uint64_t{c == '\t'} << k;
      line_ends |= std::uint64_t{c == '\n'} << k;
      nuls |= std::uint64_t{c == '\0'} << k;
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

// The wider paths are compiled for their instructions function by function,
// so that the build needs no flag that would let them into the rest of the
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

__attribute__((target("avx512bw"))) void mark_avx512(const char* data, std::size_t count,
                                                      SeparatorMasks* masks) {
  const __m512i tab = _mm512_set1_epi8('\t');
  const __m512i line_end = _mm512_set1_epi8('\n');
  const __m512i nul = _mm512_setzero_si512();
  for (std::size_t block = 0; block < count; ++block, data += kScanBlockSize) {
    __m512i bytes = _mm512_loadu_si512(data);
    masks[block] = SeparatorMasks{_mm512_cmpeq_epi8_mask(bytes, tab),
                                  _mm512_cmpeq_epi8_mask(bytes, line_end),
                                  _mm512_cmpeq_epi8_mask(bytes, nul)};
  }
}

#endif  // QUORVANE_X86_64

using MarkFunction = void (*)(const char*, std::size_t, SeparatorMasks*);

MarkFunction function_of(ScanPath path) {
  switch (path) {
#ifdef QUORVANE_X86_64
    case ScanPath::sse2: return mark_sse2;
    case ScanPath::avx2: return mark_avx2;
    case ScanPath::avx512: return mark_avx512;
#endif
    default: return mark_portable;
  }
}

ScanPath chosen_path = default_scan_path();
MarkFunction chosen_function = function_of(chosen_path);

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
    case ScanPath::avx512: return __builtin_cpu_supports("avx512bw");
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
    case ScanPath::sse2: return "SSE2";
    case ScanPath::avx2: return "AVX2";
    case ScanPath::avx512: return "AVX-512";
  }
  return "?";
}
