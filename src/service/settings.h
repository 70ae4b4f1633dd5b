#pragma once
// The two values kept between runs in "tesm.tfg" in the working directory: driverInstalled and
// accountName (service/account.h), one record of two tab-separated fields.

#include <string>

inline constexpr char kSettingsFileName[] = "tesm.tfg";

// The account name used when the settings give none: the login name of the user.
std::string DefaultAccountName();

// driverInstalled := 1, accountName := DefaultAccountName().
void ResetSettings();

// Writes both values; silently does nothing when the file cannot be created.
void SaveSettings();

// Reads both values; false when the file cannot be opened. A value the file does not hold in
// a usable form (a missing field, a record of other than two fields) takes its default.
bool LoadSettings();

// The dialog's start-up step: when "tesm.tfg" cannot be opened for reading, write one with
// the defaults; then load it.
void InitializeSettings();
