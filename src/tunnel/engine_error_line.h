#pragma once
// Picks out of the engine's output the line that says why it stopped, so that an attempt that
// ends on its own can tell the user in the engine's own words.

#include <cstddef>
#include <string>
#include <string_view>

namespace tunnel {

class EngineErrorLine {
 public:
  // Adds a chunk of output; lines may be split across chunks.
  void Feed(std::string_view chunk);
  // Ends the output: a last line without a line feed counts too.
  void Finish();

  // The best reason seen so far: an authentication failure, else the last "ERROR:" or
  // "Options error:" line, else the last line of output; empty when the engine said nothing.
  std::string Reason() const;
  // Why the engine helper could not set the VPN's DNS servers; empty when it did not say so.
  const std::string& DnsFailure() const { return dnsFailure_; }

  void Reset();

 private:
  void TakeLine(std::string_view line);

  std::string partial_;
  std::string lastError_;
  std::string lastLine_;
  std::string dnsFailure_;
  bool authFailed_ = false;
};

}  // namespace tunnel
