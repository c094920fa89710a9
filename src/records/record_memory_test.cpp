#include "records/record_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Enough objects of uneven sizes for several blocks, given back in an order
// unlike the one they were taken in; sanitizers see any block freed too early
// or twice. Each object is filled with its own byte: an overlap shows as a
// neighbour's byte at its first or last place.
TEST(RecordMemoryTest, ManyBlocksComeAndGoInAnyOrder) {
  const std::size_t count = 100000;
  std::vector<char*> objects;
  for (std::size_t i = 0; i < count; ++i) {
    char* object = static_cast<char*>(record_memory_take(1 + i % 200));
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(object) % alignof(void*), 0u) << i;
    std::memset(object, static_cast<int>(i % 251), 1 + i % 200);
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

TEST(RecordMemoryTest, OversizedRequestsAndNullAreRefusedQuietly) {
  EXPECT_EQ(record_memory_take(kRecordMemoryLargest + 1), nullptr);
  void* largest = record_memory_take(kRecordMemoryLargest);
  EXPECT_NE(largest, nullptr);
  record_memory_give_back(largest);
  record_memory_give_back(nullptr);
}

}  // namespace
