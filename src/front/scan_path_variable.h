#ifndef QUORVANE_FRONT_SCAN_PATH_VARIABLE_H_
#define QUORVANE_FRONT_SCAN_PATH_VARIABLE_H_

// QUORVANE_SCAN_PATH=portable|sse2|avx2|neon|simd128 makes the export reader
// find its separators that way instead of the widest way the processor runs,
// for benchmarks and diagnosis: the outputs are the same whichever way it is.

/// Chooses the scan path that QUORVANE_SCAN_PATH names (no variable, or an
/// empty one, keeps the default); for a name it does not know or a path this
/// processor cannot run, prints one line on standard error and returns false.
bool use_scan_path_variable();

#endif  // QUORVANE_FRONT_SCAN_PATH_VARIABLE_H_
