#include "service/file_version_info.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>

#include "platform/locale.h"
#include "platform/system.h"
#include "service/version_image.h"

const std::array<const char*, CFileVersionInfo::kStringCount> CFileVersionInfo::kStringKeys = {
    "CompanyName",    "FileDescription",  "FileVersion",  "InternalName",
    "LegalCopyright", "OriginalFileName", "ProductName",  "ProductVersion",
    "Comments",       "LegalTrademarks",  "PrivateBuild", "SpecialBuild"};

namespace {

constexpr std::size_t kEntrySize = 4;

std::uint16_t EntryWord(const std::uint8_t* table, std::size_t entry, std::size_t word) {
  const std::uint8_t* at = table + entry * kEntrySize + word * 2;
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

// The file a loaded module came from; the program's own file for the program's handle.
std::string ModuleFileName(HMODULE module) {
  if (module != nullptr) {
    const std::optional<std::string> name = platform::LoadedModuleFileName(module);
    if (!name) return {};
    if (!name->empty()) return *name;
  }
  return platform::ModuleFileName();
}

}  // namespace

CFileVersionInfo::CFileVersionInfo() = default;
CFileVersionInfo::~CFileVersionInfo() = default;

void CFileVersionInfo::Reset() {
  fixedInfo_ = {};
  for (std::string& value : strings_) value.clear();
}

bool CFileVersionInfo::Create(HMODULE module) {
  const std::string fileName = ModuleFileName(module);
  if (fileName.empty()) {
    Reset();
    return false;
  }
  return Create(fileName);
}

bool CFileVersionInfo::Create(const std::string& fileName) {
  Reset();
  const std::uint32_t size = version::GetFileVersionInfoSize(fileName);
  if (size == 0) return false;
  const std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[size]());
  if (!data) return false;
  const std::span<std::uint8_t> block(data.get(), size);
  if (!version::GetFileVersionInfo(fileName, block)) return false;

  std::string value;
  if (version::VerQueryValue(block, "\\", &value) && value.size() == sizeof(fixedInfo_)) {
    fixedInfo_ = version::DecodeFixedFileInfo(value);
  }

  std::string table;
  if (!version::VerQueryValue(block, "\\VarFileInfo\\Translation", &table)) table.clear();
  const auto* entries = reinterpret_cast<const std::uint8_t*>(table.data());
  const int chosen = ChooseTranslation(entries, table.size(), platform::GetUserDefaultLangID());
  // Without a translation there is no string table to name; the fixed block still counts.
  if (chosen < 0) return true;

  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\",
                EntryWord(entries, chosen, 0), EntryWord(entries, chosen, 1));
  for (std::size_t key = 0; key < kStringCount; ++key) {
    if (version::VerQueryValue(block, std::string(prefix) + kStringKeys[key], &value)) {
      strings_[key] = value;
    }
  }
  return true;
}

int CFileVersionInfo::FindTranslation(const std::uint8_t* table, std::size_t length,
                                      std::uint16_t langId, bool primaryEnough) {
  const std::size_t count = table == nullptr ? 0 : length / kEntrySize;
  for (std::size_t i = 0; i < count; ++i) {
    if (EntryWord(table, i, 0) == langId) return static_cast<int>(i);
  }
  if (!primaryEnough) return -1;
  // The low byte stands for the primary language here, not the platform's 10-bit field.
  for (std::size_t i = 0; i < count; ++i) {
    if ((EntryWord(table, i, 0) & 0xFF) == (langId & 0xFF)) return static_cast<int>(i);
  }
  return -1;
}

int CFileVersionInfo::ChooseTranslation(const std::uint8_t* table, std::size_t length,
                                        std::uint16_t userLangId) {
  constexpr std::uint16_t kNeutral = 0x0000;
  constexpr std::uint16_t kEnglish = 0x0009;
  int chosen = FindTranslation(table, length, userLangId, false);
  if (chosen < 0) chosen = FindTranslation(table, length, userLangId, true);
  if (chosen < 0) chosen = FindTranslation(table, length, kNeutral, true);
  if (chosen < 0) chosen = FindTranslation(table, length, kEnglish, true);
  if (chosen < 0 && table != nullptr && length >= kEntrySize) chosen = 0;
  return chosen;
}
