#include "service/settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/system.h"
#include "service/account.h"
#include "service/tab_stdio_file.h"

namespace {

constexpr size_t kFieldCapacity = 256;

// "1" or "0", a tab and the line feed leave this much of the line to the account name.
constexpr size_t kAccountNameRoom = CTabStdioFile::kMaxLine - 3;

bool UsableName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    // The settings line has no escaping: a tab or line break would break the record.
    if (*p == '\t' || *p == '\r' || *p == '\n') return false;
  }
  return true;
}

// The C library's decimal rule (blanks, sign, digits up to the first other character, 0 when
// there are none), kept within the flag's range instead of overflowing.
int32_t TextToInt(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

std::string DefaultAccountName() {
  std::string name;
  if (const std::string login = platform::LoginName(); UsableName(login.c_str())) {
    SetBounded(name, login, kAccountNameCapacity);
    return name;
  }
  for (const char* variable : {"LOGNAME", "USER"}) {
    const char* value = std::getenv(variable);
    if (UsableName(value)) {
      SetBounded(name, value, kAccountNameCapacity);
      return name;
    }
  }
  return name;
}

void ResetSettings() {
  driverInstalled = 1;
  SetBounded(accountName, DefaultAccountName(), kAccountNameCapacity);
}

void SaveSettings() {
  CTabStdioFile file;
  if (!file.Open(kSettingsFileName, CTabStdioFile::Mode::Write)) return;
  file.WriteField(driverInstalled != 0 ? "1" : "0", false);
  // A longer name would not fit the line and the record would never be written, leaving an
  // empty file; the file keeps as much of the name as a line holds instead.
  file.WriteField(accountName.substr(0, kAccountNameRoom), true);
  file.Close();
}

bool LoadSettings() {
  CTabStdioFile file;
  if (!file.Open(kSettingsFileName, CTabStdioFile::Mode::Read)) return false;
  driverInstalled = 1;
  std::string field;
  bool haveName = false;
  if (file.ReadField(field, kFieldCapacity, false)) {
    driverInstalled = TextToInt(field);
    if (file.ReadField(field, kFieldCapacity, true)) {
      // The name is a zero-terminated field wherever it goes (the start-up request, the
      // credentials file): bytes after a zero are not part of it.
      SetBounded(accountName, field.c_str(), kAccountNameCapacity);
      haveName = true;
    }
  } else if (file.ReadField(field, kFieldCapacity, true) && !field.empty()) {
    // A record of one field holds the flag alone; the name is not there.
    driverInstalled = TextToInt(field);
  }
  if (!haveName) SetBounded(accountName, DefaultAccountName(), kAccountNameCapacity);
  file.Close();
  return true;
}

void InitializeSettings() {
  if (std::FILE* probe = std::fopen(kSettingsFileName, "rb")) {
    std::fclose(probe);
  } else {
    ResetSettings();
    SaveSettings();
  }
  LoadSettings();
}
