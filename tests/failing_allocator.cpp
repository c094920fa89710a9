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

const char* const setting = std::getenv("QUORVANE_FAIL_ALLOCATION");
const unsigned long long failing_from =
    setting != nullptr ? std::strtoull(setting, nullptr, 10) : 0;
unsigned long long allocations = 0;

// Every block is aligned by hand on malloc's, whose address is kept just
// before it, so that one free serves every form of delete.
void* allocate(std::size_t size, std::size_t alignment) {
  if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
  ++allocations;
  const bool fails = failing_from != 0 && allocations >= failing_from;
  void* raw = fails ? nullptr : std::malloc(size + alignment + sizeof(void*));
  if (raw == nullptr) throw std::bad_alloc();
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  void** block = reinterpret_cast<void**>((start + alignment - 1) & ~(alignment - 1));
  block[-1] = raw;
  return block;
}

void release(void* block) {
  if (block != nullptr) std::free(static_cast<void**>(block)[-1]);
}

struct CountAtExit {
  ~CountAtExit() {
    if (setting != nullptr && failing_from == 0) {
      std::fprintf(stderr, "allocations: %llu\n", allocations);
    }
  }
} count_at_exit;

}  // namespace

// The other forms of new and delete (arrays, nothrow, aligned sizes) call these
// unless they too are replaced, in the C++ libraries the tool is built with.
void* operator new(std::size_t size) { return allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
