#include "records/record_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

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
  Block* block = static_cast<Block*>(std::aligned_alloc(kBlockSize, kBlockSize));
  if (block == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
  // One fault per block instead of one per page, where the system allows it.
  madvise(block, kBlockSize, MADV_HUGEPAGE);
#endif
  block->live = 0;
  block->used = kHeaderSize;
  return block;
}

}  // namespace

const std::size_t kRecordMemoryLargest = kBlockSize - kHeaderSize;

void* record_memory_take(std::size_t size) {
  size = round_up(size == 0 ? 1 : size);
  if (size > kRecordMemoryLargest) return nullptr;
  if (current_block == nullptr || current_block->used + size > kBlockSize) {
    Block* block = new_block();
    if (block == nullptr) return nullptr;
    // A full block that holds nothing any more is not needed again.
    if (current_block != nullptr && current_block->live == 0) std::free(current_block);
    current_block = block;
  }
  void* object = reinterpret_cast<char*>(current_block) + current_block->used;
  current_block->used += size;
  ++current_block->live;
  return object;
}

void record_memory_give_back(void* object) {
  if (object == nullptr) return;
  Block* block = block_of(object);
  if (--block->live != 0) return;
  if (block == current_block) {
    block->used = kHeaderSize;
  } else {
    std::free(block);
  }
}
