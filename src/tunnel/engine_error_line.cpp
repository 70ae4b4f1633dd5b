#include "tunnel/engine_error_line.h"

#include "tunnel/engine_request.h"

#include <cctype>

namespace tunnel {
namespace {

// A line longer than this is kept by its start only; no engine message comes near it.
constexpr size_t kLongestLine = 512;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// openvpn starts each line with "YYYY-MM-DD HH:MM:SS " when it prints to a terminal or pipe.
std::string_view WithoutTimestamp(std::string_view line) {
  if (line.size() > 20 && line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' &&
      line[16] == ':' && line[19] == ' ' && IsDigits(line.substr(0, 4)) &&
      IsDigits(line.substr(11, 2))) {
    line.remove_prefix(20);
  }
  return line;
}

// "... Permission denied (errno=13)": the number says nothing a user can act on.
std::string_view WithoutErrno(std::string_view text) {
  const size_t at = text.rfind(" (errno=");
  if (at != std::string_view::npos && text.back() == ')') text = text.substr(0, at);
  return text;
}

// Lines that follow the real reason and would hide it.
bool IsEpilogue(std::string_view line) {
  return line.starts_with("Exiting due to fatal error") || line.starts_with("SIGTERM") ||
         line.starts_with("SIGUSR1") || line.starts_with("Closing TUN/TAP") ||
         line.starts_with("net_") || line.starts_with("Use --help") ||
         line.starts_with("This incident has been reported");
}

}  // namespace

void EngineErrorLine::Feed(std::string_view chunk) {
  while (!chunk.empty()) {
    const size_t end = chunk.find('\n');
    const std::string_view piece = chunk.substr(0, end);
    if (partial_.size() < kLongestLine) {
      partial_.append(piece.substr(0, kLongestLine - partial_.size()));
    }
    if (end == std::string_view::npos) return;
    TakeLine(partial_);
    partial_.clear();
    chunk.remove_prefix(end + 1);
  }
}

void EngineErrorLine::Finish() {
  TakeLine(partial_);
  partial_.clear();
}

void EngineErrorLine::TakeLine(std::string_view raw) {
  const std::string_view line = Trim(WithoutTimestamp(Trim(raw)));
  if (line.empty()) return;
  // Not why the engine stopped: the tunnel stands, with names looked up outside it.
  if (line.starts_with(kDnsFailedPrefix)) {
    dnsFailure_ = line.substr(std::string_view(kDnsFailedPrefix).size());
    return;
  }
  if (line.find("AUTH_FAILED") != std::string_view::npos) authFailed_ = true;
  if (const size_t at = line.find("ERROR: "); at != std::string_view::npos) {
    lastError_ = Trim(WithoutErrno(line.substr(at + 7)));
  } else if (line.starts_with("Options error:") ||
             line.starts_with("Error executing command as another user:")) {
    lastError_ = line;
  }
  if (!IsEpilogue(line)) lastLine_ = line;
}

std::string EngineErrorLine::Reason() const {
  if (authFailed_) return "AUTH_FAILED";
  if (!lastError_.empty()) return lastError_;
  return lastLine_;
}

void EngineErrorLine::Reset() { *this = EngineErrorLine(); }

}  // namespace tunnel
