#pragma once
// The C runtime's random numbers as the game expects them: 15-bit values
// (0 to 32767) from the classic linear congruential generator, so that
// rand() / 32767 is uniform in [0, 1] and a seed gives the same sequence on
// every platform. glibc's rand() has a 31-bit range and would break both.

namespace crt {

constexpr int kRandMax = 0x7FFF;

void srand(unsigned seed);
int rand();

}  // namespace crt
