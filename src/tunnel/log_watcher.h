#pragma once
// Turns the engine's output, chunk by chunk, into the two events the dialog acts on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tunnel/connection_state.h"

namespace tunnel {

// Searched for in everything the engine has printed since it started, case-sensitive. The
// first means the tunnel is up; any of the others, once connected, that it is down.
inline constexpr std::array<std::string_view, 11> kEngineMarkers = {
    "Initialization Sequence Completed",
    "TLS Error: Need PEM pass phrase for private key",
    "EVP_DecryptFinal:bad decrypt",
    "PKCS12_parse:mac verify failure",
    "Received AUTH_FAILED control message",
    "Auth username is empty",
    "error=certificate has expired",
    "error=certificate is not yet valid",
    "Notified TAP-Win32 driver to set a DHCP IP",
    "process restarting",
    // openvpn 2.6 words the authentication failure this way.
    "AUTH: Received control message: AUTH_FAILED",
};

enum class TunnelEvent { None, Up, Down };

// Remembers which markers the output has held so far and keeps only the last few bytes of it,
// so each chunk costs time in proportion to its own length: the answer for a chunk is the
// same as a search of the whole accumulated output would give.
class LogWatcher {
 public:
  // Adds a chunk of output and classifies it for the connection `state`: Up when marker 1 has
  // appeared while connecting; otherwise, once connected, Down when any failure marker has
  // appeared, even in an earlier chunk; else None.
  TunnelEvent Feed(std::string_view chunk, ConnectionState state);

  // Forgets all output, as when a new engine starts.
  void Reset();

  bool HasSeen(size_t marker) const { return seen_[marker]; }

 private:
  void Scan(std::string_view chunk);

  std::array<bool, kEngineMarkers.size()> seen_{};
  // The end of the output so far, one byte shorter than the longest marker: enough to find a
  // marker that began in an earlier chunk.
  std::string tail_;
};

}  // namespace tunnel
