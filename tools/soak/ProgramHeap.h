#pragma once
// The program's own heap: the bytes held through the global operator new
// (the game, the platform layer, the standard library) and through Bullet's
// allocator, counted by replacing both in the soak. The GL driver, SDL and
// OpenAL allocate with malloc and are not counted: the software GL driver
// keeps memory in step with the most work one frame has given it, which is
// no leak of the program's. Under the address sanitizer, which owns
// operator new, nothing is counted.

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef SOAK_ADDRESS_SANITIZER
#define SOAK_ADDRESS_SANITIZER 0
#endif

namespace soak {

constexpr bool kProgramHeapCounted = !SOAK_ADDRESS_SANITIZER;

// Routes Bullet's allocations through the counter; call before the world exists.
void CountBulletAllocations();
double ProgramHeapMiB();

}  // namespace soak
