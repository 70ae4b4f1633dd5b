#include "service/account.h"

int32_t driverInstalled = 1;
std::string accountName;
std::string tunnelPassword;

void SetBounded(std::string& destination, std::string_view text, size_t capacity) {
  destination.assign(text.substr(0, capacity));
}
