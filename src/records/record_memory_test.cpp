#include "records/record_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TEST(RecordMemoryTest, ObjectsAreAlignedAndDoNotOverlap) {
  std::vector<char*> objects;
  for (std::size_t size : {1, 7, 8, 24, 100, 1300, 3}) {
    char* object = static_cast<char*>(record_memory_take(size));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(object) % alignof(void*), 0u);
    std::memset(object, static_cast<int>(objects.size()), size);
    objects.push_back(object);
  }
  // Each object still holds what was written to it.
  for (std::size_t i = 0; i < objects.size(); ++i) EXPECT_EQ(objects[i][0], static_cast<char>(i));
  for (char* object : objects) record_memory_give_back(object);
}

TEST(RecordMemoryTest, ManyBlocksComeAndGoInAnyOrder) {
  // Enough objects for several blocks, given back in an order unlike the one
  // they were taken in; sanitizers see any block freed too early or twice.
  std::vector<void*> objects;
  for (int i = 0; i < 100000; ++i) {
    objects.push_back(record_memory_take(24 + i % 200));
    ASSERT_NE(objects.back(), nullptr);
    std::memset(objects.back(), 0xAB, 24);
  }
  for (std::size_t i = 0; i < objects.size(); i += 2) record_memory_give_back(objects[i]);
  for (std::size_t i = objects.size() - 1; i < objects.size(); i -= 2) {
    record_memory_give_back(objects[i]);
  }
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
