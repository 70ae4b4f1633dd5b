#include "tunnel/log_watcher.h"

#include <algorithm>

namespace tunnel {
namespace {

constexpr size_t LongestMarker() {
  size_t longest = 0;
  for (std::string_view marker : kEngineMarkers) longest = std::max(longest, marker.size());
  return longest;
}

constexpr size_t kTailSize = LongestMarker() - 1;

}  // namespace

void LogWatcher::Scan(std::string_view chunk) {
  // Markers that straddle the previous output and this chunk begin in the tail, so a window
  // of the tail and the chunk's first bytes holds them whole.
  std::string window = tail_;
  window.append(chunk.substr(0, std::min(chunk.size(), kTailSize)));
  for (size_t i = 0; i < kEngineMarkers.size(); ++i) {
    if (seen_[i]) continue;
    seen_[i] = window.find(kEngineMarkers[i]) != std::string::npos ||
               chunk.find(kEngineMarkers[i]) != std::string_view::npos;
  }
  if (chunk.size() >= kTailSize) {
    tail_.assign(chunk.substr(chunk.size() - kTailSize));
  } else {
    tail_.append(chunk);
    if (tail_.size() > kTailSize) tail_.erase(0, tail_.size() - kTailSize);
  }
}

TunnelEvent LogWatcher::Feed(std::string_view chunk, ConnectionState state) {
  Scan(chunk);
  if (seen_[0] && state == ConnectionState::Connecting) return TunnelEvent::Up;
  if (state == ConnectionState::Connected) {
    for (size_t i = 1; i < kEngineMarkers.size(); ++i) {
      if (seen_[i]) return TunnelEvent::Down;
    }
  }
  return TunnelEvent::None;
}

void LogWatcher::Reset() {
  seen_.fill(false);
  tail_.clear();
}

}  // namespace tunnel
