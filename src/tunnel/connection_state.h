#pragma once
// Where the one connection of the program stands. The reader threads read it to classify the
// engine's output; the starter and the dialog move it on.

#include <atomic>
#include <cstdint>

namespace tunnel {

enum class ConnectionState : int32_t { Idle = 0, Connecting = 1, Connected = 2 };

// Connecting is set by the tunnel starter, Connected by the dialog once the tunnel is up,
// Idle by Disconnect.
extern std::atomic<ConnectionState> connectionState;

// Kept as the 32-bit value it has always been, shared between threads without a lock.
static_assert(sizeof(std::atomic<ConnectionState>) == sizeof(int32_t));
static_assert(std::atomic<ConnectionState>::is_always_lock_free);

}  // namespace tunnel
