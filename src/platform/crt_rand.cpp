#include "platform/crt_rand.h"

#include <atomic>
#include <cstdint>

namespace platform {

namespace {

// Atomic so that a texture drawn on another thread is no data race; callers on one thread see
// exactly the runtime's sequence.
std::atomic<std::uint32_t> state{1};

}  // namespace

int CrtRand() {
  const std::uint32_t next = state.load(std::memory_order_relaxed) * 214013u + 2531011u;
  state.store(next, std::memory_order_relaxed);
  return static_cast<int>((next >> 16) & 0x7FFF);
}

void CrtSrand(unsigned int seed) { state.store(seed, std::memory_order_relaxed); }

}  // namespace platform
