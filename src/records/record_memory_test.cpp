#include "records/record_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Enough objects of uneven sizes for several blocks, pointer-aligned ones and
// packed ones mixed, given back in an order unlike the one they were taken
// in; sanitizers see any block freed too early or twice. Each object is
// filled with its own byte: an overlap shows as a neighbour's byte at its
// first or last place.
TEST(RecordMemoryTest, ManyBlocksComeAndGoInAnyOrder) {
  const std::size_t count = 100000;
  std::vector<char*> objects;
  for (std::size_t i = 0; i < count; ++i) {
    const bool packed = i % 3 != 0;
    const std::size_t size = 1 + i % 200;
    char* object = static_cast<char*>(packed ? record_memory_take_packed(size)
                                             : record_memory_take(size));
    ASSERT_NE(object, nullptr);
    const std::size_t alignment = packed ? 4 : alignof(void*);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(object) % alignment, 0u) << i;
    std::memset(object, static_cast<int>(i % 251), size);
    objects.push_back(object);
  }
  for (std::size_t i = 0; i < count; ++i) {
    const char mark = static_cast<char>(i % 251);
    ASSERT_EQ(objects[i][0], mark) << i;
    ASSERT_EQ(objects[i][i % 200], mark) << i;
  }
  for (std::size_t i = 0; i < count; i += 2) record_memory_give_back(objects[i]);
  for (std::size_t i = count - 1; i < count; i -= 2) record_memory_give_back(objects[i]);
  void* again = record_memory_take(24);
  EXPECT_NE(again, nullptr);
  record_memory_give_back(again);
}

// Packed objects kept together lie next to each other, downwards, even where
// the block in use is nearly full.
TEST(RecordMemoryTest, PackedObjectsKeptTogetherAreNeighbours) {
  std::vector<void*> objects;
  for (int round = 0; round < 3000; ++round) {
    ASSERT_TRUE(record_memory_keep_together(1000 + 4 + 200 + 4));
    char* first = static_cast<char*>(record_memory_take_packed(1000 + round % 3));
    char* second = static_cast<char*>(record_memory_take_packed(200));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second + 200, first) << round;
    objects.push_back(first);
    objects.push_back(second);
  }
  for (void* object : objects) record_memory_give_back(object);
}

TEST(RecordMemoryTest, OversizedRequestsAndNullAreRefusedQuietly) {
  EXPECT_EQ(record_memory_take(kRecordMemoryLargest + 1), nullptr);
  EXPECT_EQ(record_memory_take_packed(kRecordMemoryLargest + 1), nullptr);
  EXPECT_FALSE(record_memory_keep_together(kRecordMemoryLargest + 1));
  void* largest = record_memory_take(kRecordMemoryLargest);
  EXPECT_NE(largest, nullptr);
  record_memory_give_back(largest);
  largest = record_memory_take_packed(kRecordMemoryLargest);
  EXPECT_NE(largest, nullptr);
  record_memory_give_back(largest);
  record_memory_give_back(nullptr);
}

}  // namespace
