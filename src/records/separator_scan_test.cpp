#include "records/separator_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/process_state.h"

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

// Every path marks the same bits as the definition, at the edges of blocks,
// next to bytes that differ from a separator only in their high bit or by
// one (where a carry or borrow between bytes would show), and wherever the
// data starts in memory. A path this processor cannot run is skipped, by name.
class SeparatorScanPathTest : public testing::TestWithParam<ScanPath> {
 protected:
  void SetUp() override {
    if (!choose_scan_path(GetParam())) {
      GTEST_SKIP() << "this processor cannot run scan path " << scan_path_name(GetParam());
    }
  }
  void TearDown() override { reset_process_state(); }
};

TEST_P(SeparatorScanPathTest, MarksWhatTheDefinitionMarks) {
  std::mt19937 random(7);
  const char alphabet[] = {'\t', '\n', '\0', '\r', ' ',    'a',    '"',   '\x89',
                           '\x8a', '\x80', '\xff', '\x01', '\x08', '\x0b', '\x7f'};
  std::string mixed(64 * kScanBlockSize, ' ');
  for (char& c : mixed) c = alphabet[random() % sizeof alphabet];
  const std::string inputs[] = {
      blocks_of({{0, '\t'}, {63, '\t'}, {64, '\t'}, {127, '\t'}}),
      blocks_of({{63, '\n'}, {64, '\n'}, {0, '\0'}, {127, '\0'}, {62, '\r'}}),
      blocks_of({{5, '\t'}, {6, '\t'}, {7, '\n'}, {8, '\0'}}, '\x89'),
      blocks_of({{7, '\0'}, {8, '\t'}, {9, '\x08'}, {15, '\n'}, {16, '\x0b'}, {24, '\0'},
                 {56, '\t'}, {57, '\x08'}},
                '\x01'),
      std::string(2 * kScanBlockSize, '\t'),
      std::string(2 * kScanBlockSize, '\n'),
      std::string(2 * kScanBlockSize, '\0'),
      std::string(2 * kScanBlockSize, '\x8a'),
      mixed,
  };
  std::vector<char> storage(mixed.size() + kScanBlockSize + 1);
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
  reset_process_state();
  EXPECT_EQ(chosen_scan_path(), default_scan_path());
}

INSTANTIATE_TEST_SUITE_P(ScanPaths, SeparatorScanPathTest, testing::ValuesIn(kScanPaths),
                         [](const testing::TestParamInfo<ScanPath>& info) {
                           return std::string(scan_path_name(info.param));
                         });

// The portable path always runs, SSE2 on every x86-64 processor and NEON on
// every 64-bit ARM one; a path that does not run is not chosen, and the
// program starts with one that does.
TEST(SeparatorScanTest, OnlyPathsThatRunAreChosen) {
  EXPECT_TRUE(scan_path_runs(ScanPath::portable));
#if defined(__x86_64__)
  EXPECT_TRUE(scan_path_runs(ScanPath::sse2));
  EXPECT_FALSE(scan_path_runs(ScanPath::neon));
#elif defined(__aarch64__)
  EXPECT_TRUE(scan_path_runs(ScanPath::neon));
  EXPECT_EQ(default_scan_path(), ScanPath::neon);
  EXPECT_FALSE(scan_path_runs(ScanPath::sse2));
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

// QUORVANE_SCAN_PATH's names: exactly those the paths go by.
TEST(SeparatorScanTest, PathsAreFoundByTheirNamesOnly) {
  struct Case {
    const char* name;
    bool found;
    ScanPath path;
  };
  const Case cases[] = {
      {"portable", true, ScanPath::portable}, {"sse2", true, ScanPath::sse2},
      {"avx2", true, ScanPath::avx2},         {"neon", true, ScanPath::neon},
      {"", false, {}},                        {"SSE2", false, {}},
      {"sse4", false, {}},                    {"portable ", false, {}},
      {"neo", false, {}},                     {nullptr, false, {}},
  };
  for (const Case& c : cases) {
    ScanPath path = ScanPath::avx2;
    EXPECT_EQ(scan_path_named(c.name, &path), c.found) << (c.name ? c.name : "null");
    EXPECT_EQ(path, c.found ? c.path : ScanPath::avx2) << (c.name ? c.name : "null");
  }
}

}  // namespace
