#include "records/record_memory.h"

#include <cstdint>
#include <new>

#include "platform/platform.h"

// AddressSanitizer cannot see inside a block on its own: what no object holds
// is marked off-limits, so that a write past a record is caught as it would
// be between separate allocations.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_ASAN 1
#endif
#endif
#ifdef QUORVANE_ASAN
#include <sanitizer/asan_interface.h>
#define MARK_OFF_LIMITS(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define MARK_IN_USE(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define MARK_OFF_LIMITS(address, size) ((void)(address), (void)(size))
#define MARK_IN_USE(address, size) ((void)(address), (void)(size))
#endif

namespace {

// Blocks are aligned to their size, so an object finds its block by masking
// its address: no per-object header is needed.
constexpr std::size_t kBlockSize = std::size_t{1} << 21;
// Records and nodes hold nothing wider than a pointer.
constexpr std::size_t kAlignment = alignof(void*);

struct Block {
  std::size_t live;  // objects taken and not yet given back
  std::size_t used;  // bytes handed out, header included
};

constexpr std::size_t round_up(std::size_t size) {
  return (size + kAlignment - 1) / kAlignment * kAlignment;
}

constexpr std::size_t kHeaderSize = round_up(sizeof(Block));

// The block new objects are carved from. It stays allocated while it is
// current, even when empty, and is rewound instead.
Block* current_block = nullptr;

Block* block_of(void* object) {
  return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(object) & ~(kBlockSize - 1));
}

Block* new_block() {
  Block* block = static_cast<Block*>(allocate_aligned_block(kBlockSize));
  if (block == nullptr) return nullptr;
  block->live = 0;
  block->used = kHeaderSize;
  MARK_OFF_LIMITS(reinterpret_cast<char*>(block) + kHeaderSize, kBlockSize - kHeaderSize);
  return block;
}

void free_block(Block* block) {
  MARK_IN_USE(block, kBlockSize);
  free_aligned_block(block);
}

}  // namespace

const std::size_t kRecordMemoryLargest = kBlockSize - kHeaderSize;

void* record_memory_take(std::size_t wanted) {
  std::size_t size = round_up(wanted == 0 ? 1 : wanted);
  if (size > kRecordMemoryLargest) return nullptr;
  if (current_block == nullptr || current_block->used + size > kBlockSize) {
    Block* block = new_block();
    if (block == nullptr) return nullptr;
    // A full block that holds nothing any more is not needed again.
    if (current_block != nullptr && current_block->live == 0) free_block(current_block);
    current_block = block;
  }
  void* object = reinterpret_cast<char*>(current_block) + current_block->used;
  MARK_IN_USE(object, wanted);
  current_block->used += size;
  ++current_block->live;
  return object;
}

void record_memory_give_back(void* object) {
  if (object == nullptr) return;
  Block* block = block_of(object);
  // The object's size is not kept; a whole empty block is marked below, and
  // until then a given-back object stays readable to the sanitizer.
  if (--block->live != 0) return;
  if (block == current_block) {
    block->used = kHeaderSize;
    MARK_OFF_LIMITS(reinterpret_cast<char*>(block) + kHeaderSize, kBlockSize - kHeaderSize);
  } else {
    free_block(block);
  }
}

QueueNode* new_queue_node() {
  void* memory = record_memory_take(sizeof(QueueNode));
  return memory == nullptr ? nullptr : new (memory) QueueNode;
}

void free_queue_node(QueueNode* node) { record_memory_give_back(node); }
