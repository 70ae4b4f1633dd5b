#pragma once
// The two blocking HTTP calls to the vendor's service.

#include <cstddef>
#include <stdexcept>
#include <string>

// A failed GET: carries libcurl's result code and a description for the user.
class HttpError : public std::runtime_error {
 public:
  HttpError(int code, const std::string& description)
      : std::runtime_error(description), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// GET of a URL; the body with every CR and LF byte removed. Throws HttpError on any failure,
// never returning a partial text. The HTTP status is not examined. Redirects are followed (at
// most kHttpMaxRedirects, to HTTP or HTTPS only).
std::string HttpGetText(const std::string& url);

// POST of a ready-made form body. True only when the transfer succeeded; the response is
// replaced (cut at its first zero byte) only when at least one byte of body arrived. A redirect
// is not followed: its own body is the answer.
bool HttpPostForm(const std::string& url, const std::string& body, std::string& response);

// The receive buffer of HttpPostForm.
struct MemoryBuffer {
  char* data = nullptr;
  size_t size = 0;
};

// libcurl write callback appending to a MemoryBuffer.
size_t WriteToMemory(void* contents, size_t size, size_t count, void* user);

// Neither a silent service nor a flood may hang or exhaust the program.
inline constexpr long kHttpConnectTimeoutSeconds = 10;
inline constexpr long kHttpTimeoutSeconds = 30;
inline constexpr size_t kHttpMaxBodyBytes = 16u << 20;
inline constexpr long kHttpMaxRedirects = 5;
