// A test-only build of the tool in which memory runs out on purpose: with
// QUORVANE_FAIL_ALLOCATION=N in its environment, the Nth allocation and every
// one after it fail, as when memory has run out. With N = 0 none fails, and
// the number of allocations the run made is printed on standard error at exit,
// so that a test knows how far to step N. The shipped tool has none of this.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

unsigned long long allocations = 0;
unsigned long long failing_from = 0;  // 0: none fails
bool setting_read = false;
bool counting = false;

// Whether the allocation about to be made fails.
bool next_fails() {
  if (!setting_read) {
    setting_read = true;
    const char* setting = std::getenv("QUORVANE_FAIL_ALLOCATION");
    counting = setting != nullptr;
    failing_from = setting != nullptr ? std::strtoull(setting, nullptr, 10) : 0;
  }
  ++allocations;
  return failing_from != 0 && allocations >= failing_from;
}

// Every allocation is over-aligned by hand on malloc, the address malloc gave
// kept just before the block, so that one free serves every form of delete.
void* allocate(std::size_t size, std::size_t alignment) {
  if (next_fails()) return nullptr;
  if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
  void* raw = std::malloc(size + alignment + sizeof(void*));
  if (raw == nullptr) return nullptr;
  std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  void** block = reinterpret_cast<void**>((start + alignment - 1) & ~(alignment - 1));
  block[-1] = raw;
  return block;
}

void* allocate_or_throw(std::size_t size, std::size_t alignment) {
  void* block = allocate(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void release(void* block) {
  if (block != nullptr) std::free(static_cast<void**>(block)[-1]);
}

struct CountAtExit {
  ~CountAtExit() {
    if (counting && failing_from == 0) std::fprintf(stderr, "allocations: %llu\n", allocations);
  }
} count_at_exit;

constexpr std::size_t kPlain = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) { return allocate_or_throw(size, kPlain); }
void* operator new[](std::size_t size) { return allocate_or_throw(size, kPlain); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate_or_throw(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate_or_throw(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, kPlain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
