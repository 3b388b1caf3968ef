#include "ProgramHeap.h"

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "LinearMath/btAlignedAllocator.h"

namespace {

std::atomic<std::int64_t> g_bytes{0};

void* Allocate(std::size_t size, std::size_t alignment) {
  void* memory = nullptr;
  if (alignment <= alignof(std::max_align_t)) {
    memory = std::malloc(size != 0 ? size : 1);
  } else if (posix_memalign(&memory, alignment, size != 0 ? size : 1) != 0) {
    memory = nullptr;
  }
  if (memory != nullptr) g_bytes.fetch_add(static_cast<std::int64_t>(malloc_usable_size(memory)));
  return memory;
}

void Release(void* memory) {
  if (memory == nullptr) return;
  g_bytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(memory)));
  std::free(memory);
}

// The program has no way on when memory runs out; neither does the soak.
void* AllocateOrAbort(std::size_t size, std::size_t alignment) {
  void* memory = Allocate(size, alignment);
  if (memory == nullptr) std::abort();
  return memory;
}

void* BulletAllocate(std::size_t size) { return AllocateOrAbort(size, 16); }

}  // namespace

namespace soak {

void CountBulletAllocations() {
  if (kProgramHeapCounted) btAlignedAllocSetCustom(BulletAllocate, Release);
}

double ProgramHeapMiB() { return static_cast<double>(g_bytes.load()) / (1024.0 * 1024.0); }

}  // namespace soak

#if !SOAK_ADDRESS_SANITIZER
void* operator new(std::size_t size) { return AllocateOrAbort(size, 0); }
void* operator new[](std::size_t size) { return AllocateOrAbort(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return AllocateOrAbort(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return AllocateOrAbort(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, std::size_t) noexcept { Release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { Release(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { Release(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { Release(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { Release(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { Release(memory); }
#endif
