#include "records/record_memory.h"

#include <cstdint>
#include <new>

#include "base/compiler.h"
#include "platform/platform.h"

// AddressSanitizer cannot see inside a block on its own: what no object holds
// is marked off-limits, so that a write past a record is caught as it would
// be between separate allocations.
#ifdef QUORVANE_ADDRESS_SANITIZER
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
// Nodes and queues hold pointers; records and shared titles nothing wider
// than 32 bits.
constexpr std::size_t kAlignment = alignof(void*);
constexpr std::size_t kPackedAlignment = alignof(std::uint32_t);

struct Block {
  std::size_t live;  // objects taken and not yet given back
  std::size_t used;  // bytes handed out from the bottom, header included
  std::size_t top;   // where the bytes handed out from the top begin
  Block* next_spare; // the next block no object holds, while this one is spare
};

// Blocks come in batches, one allocation each, so that aligning them to
// their size wastes at most one block a batch (an allocator aligns a lone
// block by taking twice its size: the web's does, and the space it leaves
// counts there). A block that no object holds any more is kept as a spare
// and used again; batches stay for the life of the process.
constexpr std::size_t kBlocksPerBatch = 8;

constexpr std::size_t round_up(std::size_t size, std::size_t alignment) {
  return (size + alignment - 1) / alignment * alignment;
}

constexpr std::size_t kHeaderSize = round_up(sizeof(Block), kAlignment);

// The block new objects are carved from. It stays allocated while it is
// current, even when empty, and is rewound instead.
Block* current_block = nullptr;
Block* spare_blocks = nullptr;

Block* block_of(void* object) {
  return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(object) & ~(kBlockSize - 1));
}

void rewind(Block* block) {
  block->used = kHeaderSize;
  block->top = kBlockSize;
  MARK_OFF_LIMITS(reinterpret_cast<char*>(block) + kHeaderSize, kBlockSize - kHeaderSize);
}

void free_block(Block* block) {
  MARK_OFF_LIMITS(block, kBlockSize);
  MARK_IN_USE(block, kHeaderSize);
  block->next_spare = spare_blocks;
  spare_blocks = block;
}

// The blocks of the latest batch not handed out yet, untouched (the system
// gives their pages only once they are used).
char* unused_batch = nullptr;
std::size_t unused_blocks = 0;

// A block no object holds: a spare, the latest batch's next, or one of a new
// batch (a lone block when memory is short of a batch); null when memory
// runs out.
Block* spare_block() {
  if (Block* block = spare_blocks) {
    spare_blocks = block->next_spare;
    return block;
  }
  for (std::size_t blocks : {kBlocksPerBatch, std::size_t{1}}) {
    if (unused_blocks != 0) break;
    unused_batch = static_cast<char*>(
        ::operator new(blocks * kBlockSize, std::align_val_t{kBlockSize}, std::nothrow));
    if (unused_batch == nullptr) continue;
    advise_large_pages(unused_batch, blocks * kBlockSize);
    MARK_OFF_LIMITS(unused_batch, blocks * kBlockSize);
    unused_blocks = blocks;
  }
  if (unused_blocks == 0) return nullptr;
  Block* block = reinterpret_cast<Block*>(unused_batch);
  MARK_IN_USE(block, kHeaderSize);
  unused_batch += kBlockSize;
  --unused_blocks;
  return block;
}

// Makes sure the current block has `size` bytes free; false when memory runs out.
bool make_room(std::size_t size) {
  if (current_block != nullptr && current_block->top - current_block->used >= size) return true;
  Block* block = spare_block();
  if (block == nullptr) return false;
  block->live = 0;
  rewind(block);
  // A full block that holds nothing any more is not needed again.
  if (current_block != nullptr && current_block->live == 0) free_block(current_block);
  current_block = block;
  return true;
}

void* hand_out(std::size_t at, std::size_t wanted) {
  void* object = reinterpret_cast<char*>(current_block) + at;
  MARK_IN_USE(object, wanted);
  ++current_block->live;
  return object;
}

}  // namespace

const std::size_t kRecordMemoryLargest = kBlockSize - kHeaderSize;

void* record_memory_take(std::size_t wanted) {
  std::size_t size = round_up(wanted == 0 ? 1 : wanted, kAlignment);
  if (size > kRecordMemoryLargest || !make_room(size)) return nullptr;
  current_block->used += size;
  return hand_out(current_block->used - size, wanted);
}

void* record_memory_take_packed(std::size_t wanted) {
  std::size_t size = round_up(wanted == 0 ? 1 : wanted, kPackedAlignment);
  if (size > kRecordMemoryLargest || !make_room(size)) return nullptr;
  current_block->top -= size;
  return hand_out(current_block->top, wanted);
}

bool record_memory_keep_together(std::size_t bytes) {
  return bytes <= kRecordMemoryLargest && make_room(bytes);
}

void record_memory_give_back(void* object) {
  if (object == nullptr) return;
  Block* block = block_of(object);
  // The object's size is not kept; a whole empty block is marked below, and
  // until then a given-back object stays readable to the sanitizer.
  if (--block->live != 0) return;
  if (block == current_block) {
    rewind(block);
  } else {
    free_block(block);
  }
}

QueueNode* new_queue_node() {
  void* memory = record_memory_take(sizeof(QueueNode));
  return memory == nullptr ? nullptr : new (memory) QueueNode;
}

void free_queue_node(QueueNode* node) { record_memory_give_back(node); }
