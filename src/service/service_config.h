#pragma once
// Where the vendor's web service lives: a deployment setting.

#include <string>

// The service's base URL without a trailing slash: the TESMIRA_SERVICE_URL environment variable
// when set, else the value the build was configured with.
std::string ServiceBaseUrl();
