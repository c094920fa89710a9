#ifndef QUORVANE_RECORDS_SEPARATOR_SCAN_H_
#define QUORVANE_RECORDS_SEPARATOR_SCAN_H_

#include <cstddef>
#include <cstdint>

// The export reader finds its tabs, line ends and NUL bytes 64 bytes at a time:
// one pass marks them in bitmasks, and the reader then walks the set bits,
// which costs far less than a search per column. The marking has a plain
// path that runs everywhere, eight bytes at a time, and vector paths for
// x86-64 and 64-bit ARM processors and for WebAssembly, chosen when the
// program starts by what the processor can do.

/// Bytes per block of the masks.
constexpr std::size_t kScanBlockSize = 64;

/// Where the separators of one block stand: bit k of each mask is byte k.
struct SeparatorMasks {
  std::uint64_t tabs;
  std::uint64_t line_ends;  ///< LF bytes
  std::uint64_t nuls;
};

/// The ways of marking, the plainest first.
enum class ScanPath { portable, sse2, avx2, neon, simd128 };

/// Every path, the plainest first.
constexpr ScanPath kScanPaths[] = {ScanPath::portable, ScanPath::sse2, ScanPath::avx2,
                                   ScanPath::neon, ScanPath::simd128};

/// Marks the separators of the `count` blocks of 64 bytes at `data` in
/// `masks[0]` to `masks[count - 1]`, with the chosen path.
void mark_separators(const char* data, std::size_t count, SeparatorMasks* masks);

/// Whether this build on this processor can run `path`.
bool scan_path_runs(ScanPath path);

/// The path the program starts with: the widest that runs, except in builds
/// for the sanitizers and the fuzzer, whose checks and coverage see into plain
/// code only and which therefore start with the portable path.
ScanPath default_scan_path();

/// Makes mark_separators use `path` from now on, if it runs here; returns
/// whether it does. Tests and the fuzz target go through every path with it.
bool choose_scan_path(ScanPath path);

/// The path mark_separators uses now.
ScanPath chosen_scan_path();

/// The path's name ("portable", "sse2", "avx2", "neon", "simd128"), as QUORVANE_SCAN_PATH
/// and the messages of the tests and the benchmark give it.
const char* scan_path_name(ScanPath path);

/// Sets `*path` to the path whose name is exactly `name`; false, and `*path`
/// untouched, when no path has that name.
bool scan_path_named(const char* name, ScanPath* path);

#endif  // QUORVANE_RECORDS_SEPARATOR_SCAN_H_
