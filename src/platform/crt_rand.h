#pragma once
// The C runtime's rand as the Windows C runtime computes it, process-wide, so that the
// procedural textures come out the same on every system.

namespace platform {

inline constexpr int kCrtRandMax = 32767;

// The next value, 0 to kCrtRandMax: x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF.
int CrtRand();

// Sets the generator's state (srand); the state at start is 1.
void CrtSrand(unsigned int seed);

}  // namespace platform
