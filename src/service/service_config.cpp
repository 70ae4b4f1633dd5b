#include "service/service_config.h"

#include <cstdlib>

std::string ServiceBaseUrl() {
  const char* fromEnvironment = std::getenv("TESMIRA_SERVICE_URL");
  std::string url =
      fromEnvironment && *fromEnvironment ? fromEnvironment : TESMIRA_SERVICE_URL_DEFAULT;
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}
