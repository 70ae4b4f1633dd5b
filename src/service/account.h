#pragma once
// The process-wide values that several subsystems share. Texts are bytes; each keeps the
// capacity of the fixed buffer it stands for, and longer values are cut to it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Non-zero: the adapter driver is installed and Connect may proceed (kept in tesm.tfg).
extern int32_t driverInstalled;

// The tunnel user name: kept in tesm.tfg, sent at start-up, written to the credentials file.
extern std::string accountName;
inline constexpr size_t kAccountNameCapacity = 255;

// The tunnel password from the start-up exchange; never saved.
extern std::string tunnelPassword;
inline constexpr size_t kTunnelPasswordCapacity = 63;

// Stores text cut to a capacity, as a fixed zero-terminated buffer would hold it.
void SetBounded(std::string& destination, std::string_view text, size_t capacity);
