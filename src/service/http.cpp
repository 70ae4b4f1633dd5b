#include "service/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/system.h"

namespace {

void SetTimeouts(CURL* curl) {
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kHttpConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kHttpTimeoutSeconds);
}

struct GetState {
  CURL* curl = nullptr;
  std::string text;
  size_t received = 0;
};

size_t AppendWithoutLineBreaks(char* contents, size_t size, size_t count, void* user) {
  auto* state = static_cast<GetState*>(user);
  const size_t n = size * count;
  state->received += n;
  if (state->received > kHttpMaxBodyBytes) return 0;  // aborts the transfer
  if (state->received == n) {
    // The announced length, within the limit, saves growing a long list step by step.
    curl_off_t announced = -1;
    if (curl_easy_getinfo(state->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) ==
            CURLE_OK &&
        announced > 0) {
      state->text.reserve(std::min(static_cast<size_t>(announced), kHttpMaxBodyBytes));
    }
  }
  // Whole runs between line breaks at a time, found by memchr: a long list is mostly runs,
  // and each kind of break is searched for once per block, from where it was last seen.
  if (n == 0) return 0;
  const char* const end = contents + n;
  const char* run = contents;
  const char* cr = static_cast<const char*>(std::memchr(run, '\r', n));
  const char* lf = static_cast<const char*>(std::memchr(run, '\n', n));
  while (cr || lf) {
    const char* brk = !lf || (cr && cr < lf) ? cr : lf;
    if (brk != run) state->text.append(run, brk);
    run = brk + 1;
    const size_t left = static_cast<size_t>(end - run);
    if (brk == cr) {
      cr = static_cast<const char*>(std::memchr(run, '\r', left));
    } else {
      lf = static_cast<const char*>(std::memchr(run, '\n', left));
    }
  }
  state->text.append(run, end);
  return n;
}

struct CurlGlobal {
  CurlGlobal() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ok) curl_global_cleanup();
  }
  bool ok;
};

}  // namespace

std::string HttpGetText(const std::string& url) {
  CurlGlobal global;
  if (!global.ok) throw HttpError(CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT));
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw HttpError(CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT));

  GetState state;
  state.curl = curl.get();
  char detail[CURL_ERROR_SIZE] = {};
  const std::string agent = platform::ProgramTitle();
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendWithoutLineBreaks);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, detail);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // The platform's Internet session follows redirects, so a moved list still arrives instead
  // of the redirect's own page; a few hops, never to anything but HTTP or HTTPS.
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, kHttpMaxRedirects);
  curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  SetTimeouts(curl.get());
  const CURLcode result = curl_easy_perform(curl.get());
  if (result != CURLE_OK) {
    std::string description = *detail ? detail : curl_easy_strerror(result);
    if (result == CURLE_WRITE_ERROR) description = "The server's answer is too large.";
    throw HttpError(result, description);
  }
  return std::move(state.text);
}

size_t WriteToMemory(void* contents, size_t size, size_t count, void* user) {
  auto* buffer = static_cast<MemoryBuffer*>(user);
  const size_t n = size * count;
  // Refusing the block makes libcurl fail the transfer: a flood or a failed allocation is a
  // failed exchange, not a reason to end the program with an engine still running.
  if (buffer->size + n > kHttpMaxBodyBytes) return 0;
  char* grown = static_cast<char*>(std::realloc(buffer->data, buffer->size + n + 1));
  if (!grown) return 0;
  buffer->data = grown;
  std::memcpy(buffer->data + buffer->size, contents, n);
  buffer->size += n;
  buffer->data[buffer->size] = 0;
  return n;
}

bool HttpPostForm(const std::string& url, const std::string& body, std::string& response) {
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return false;
  CURL* curl = curl_easy_init();
  if (!curl) {
    curl_global_cleanup();
    return false;
  }
  MemoryBuffer buffer;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToMemory);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &buffer);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  SetTimeouts(curl);
  const CURLcode result = curl_easy_perform(curl);
  if (buffer.data) {
    response.assign(buffer.data);  // up to the first zero byte
    std::free(buffer.data);
  }
  curl_easy_cleanup(curl);
  curl_global_cleanup();
  return result == CURLE_OK;
}
