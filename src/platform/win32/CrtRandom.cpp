#include "platform/win32/CrtRandom.h"

#include <atomic>

namespace crt {
namespace {
std::atomic<unsigned> g_state{1};
}  // namespace

void srand(unsigned seed) { g_state.store(seed); }

int rand() {
  unsigned state = g_state.load(std::memory_order_relaxed);
  unsigned next = 0;
  do {
    next = state * 214013u + 2531011u;
  } while (!g_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
  return static_cast<int>((next >> 16) & kRandMax);
}

}  // namespace crt
