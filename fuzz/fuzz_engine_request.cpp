// The engine helper's request: bytes from an unprivileged caller, read by a root program. An
// accepted request must be exactly what it says, and nothing in it may reach the engine's
// options or a second profile line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tunnel/engine_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tunnel::EngineRequest request;
  if (!tunnel::ParseEngineRequest(text, &request).empty()) return 0;
  if (tunnel::EngineRequestText(request) != text) std::abort();
  if (request.host.empty() || request.host[0] == '-') std::abort();
  for (char c : request.host + request.port) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0') std::abort();
  }
  for (char c : request.user + request.password) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
  }
  return 0;
}
