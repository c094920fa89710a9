#include "records/separator_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "front/process_state.h"

namespace {

// The masks by their definition, one byte at a time.
SeparatorMasks masks_by_definition(const char* block) {
  SeparatorMasks masks{0, 0, 0};
  for (unsigned k = 0; k < kScanBlockSize; ++k) {
    std::uint64_t bit = std::uint64_t{1} << k;
    if (block[k] == '\t') masks.tabs |= bit;
    if (block[k] == '\n') masks.line_ends |= bit;
    if (block[k] == '\0') masks.nuls |= bit;
  }
  return masks;
}

std::string blocks_of(std::initializer_list<std::pair<unsigned, char>> bytes, char fill = 'x') {
  std::string text(2 * kScanBlockSize, fill);
  for (const auto& [at, c] : bytes) text[at] = c;
  return text;
}

// Every path this machine runs marks the same bits as the definition, at
// the edges of blocks, next to bytes that differ from a separator only in
// their high bit, and wherever the data starts in memory.
TEST(SeparatorScanTest, EveryPathMarksWhatTheDefinitionMarks) {
  std::mt19937 random(7);
  const char alphabet[] = {'\t', '\n', '\0', '\r', ' ', 'a', '"', '\x89', '\x8a', '\x80', '\xff'};
  std::string mixed(64 * kScanBlockSize, ' ');
  for (char& c : mixed) c = alphabet[random() % sizeof alphabet];
  const std::string inputs[] = {
      blocks_of({{0, '\t'}, {63, '\t'}, {64, '\t'}, {127, '\t'}}),
      blocks_of({{63, '\n'}, {64, '\n'}, {0, '\0'}, {127, '\0'}, {62, '\r'}}),
      blocks_of({{5, '\t'}, {6, '\t'}, {7, '\n'}, {8, '\0'}}, '\x89'),
      std::string(2 * kScanBlockSize, '\t'),
      std::string(2 * kScanBlockSize, '\n'),
      std::string(2 * kScanBlockSize, '\0'),
      std::string(2 * kScanBlockSize, '\x8a'),
      mixed,
  };
  std::vector<char> storage(mixed.size() + kScanBlockSize + 1);
  for (ScanPath path : kScanPaths) {
    if (!choose_scan_path(path)) continue;
    SCOPED_TRACE(scan_path_name(path));
    for (const std::string& input : inputs) {
      for (std::size_t misalign : {0u, 1u, 7u, 33u}) {
        char* data = storage.data() + misalign;
        std::copy(input.begin(), input.end(), data);
        const std::size_t count = input.size() / kScanBlockSize;
        std::vector<SeparatorMasks> masks(count);
        mark_separators(data, count, masks.data());
        for (std::size_t block = 0; block < count; ++block) {
          SeparatorMasks expected = masks_by_definition(data + block * kScanBlockSize);
          ASSERT_EQ(masks[block].tabs, expected.tabs) << block;
          ASSERT_EQ(masks[block].line_ends, expected.line_ends) << block;
          ASSERT_EQ(masks[block].nuls, expected.nuls) << block;
        }
      }
    }
  }
  reset_process_state();
  EXPECT_EQ(chosen_scan_path(), default_scan_path());
}

// The portable path and SSE2 (on x86-64) always run; a path that does not
// run is not chosen, and the program starts with one that does.
TEST(SeparatorScanTest, OnlyPathsThatRunAreChosen) {
  EXPECT_TRUE(scan_path_runs(ScanPath::portable));
#if defined(__x86_64__)
  EXPECT_TRUE(scan_path_runs(ScanPath::sse2));
#endif
  EXPECT_TRUE(scan_path_runs(default_scan_path()));
  for (ScanPath path : kScanPaths) {
    EXPECT_EQ(choose_scan_path(path), scan_path_runs(path)) << scan_path_name(path);
    if (scan_path_runs(path)) {
      EXPECT_EQ(chosen_scan_path(), path);
    }
  }
  reset_process_state();
}

}  // namespace
