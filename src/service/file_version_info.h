#pragma once
// The version resource of a module or file: its fixed block and the standard string values in
// the translation that best suits the user.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "service/version_block.h"

// A loaded module, as dlopen gives it (LoadLibrary's counterpart); none means the program
// itself. A distinct pointer type,
// so that a text never passes for a handle.
using HMODULE = struct HINSTANCE__*;

class CFileVersionInfo {
 public:
  // The string values, in the order they are read.
  enum StringKey : std::size_t {
    kCompanyName,
    kFileDescription,
    kFileVersion,
    kInternalName,
    kLegalCopyright,
    kOriginalFileName,
    kProductName,
    kProductVersion,
    kComments,
    kLegalTrademarks,
    kPrivateBuild,
    kSpecialBuild,
    kStringCount
  };
  static const std::array<const char*, kStringCount> kStringKeys;

  CFileVersionInfo();
  virtual ~CFileVersionInfo();
  virtual void Reset();

  bool Create(HMODULE module = nullptr);
  bool Create(const std::string& fileName);

  // The index of the first 4-byte entry of a translation table (language word, code page word)
  // whose language is `langId`, or failing that, when `primaryEnough`, whose language has the
  // same low 8 bits; -1 when none matches.
  static int FindTranslation(const std::uint8_t* table, std::size_t length, std::uint16_t langId,
                             bool primaryEnough);
  // The entry whose strings Create reads for a user of language `userLangId`: the user's own
  // language, then its primary language, then neutral, then English, else the first entry;
  // -1 only for a table without a whole entry.
  static int ChooseTranslation(const std::uint8_t* table, std::size_t length,
                               std::uint16_t userLangId);

  const version::VS_FIXEDFILEINFO& GetFixedInfo() const { return fixedInfo_; }
  const std::string& GetString(StringKey key) const { return strings_[key]; }

  const std::string& GetCompanyName() const { return strings_[kCompanyName]; }
  const std::string& GetFileDescription() const { return strings_[kFileDescription]; }
  const std::string& GetFileVersion() const { return strings_[kFileVersion]; }
  const std::string& GetInternalName() const { return strings_[kInternalName]; }
  const std::string& GetLegalCopyright() const { return strings_[kLegalCopyright]; }
  const std::string& GetOriginalFileName() const { return strings_[kOriginalFileName]; }
  const std::string& GetProductName() const { return strings_[kProductName]; }
  const std::string& GetProductVersion() const { return strings_[kProductVersion]; }
  const std::string& GetComments() const { return strings_[kComments]; }
  const std::string& GetLegalTrademarks() const { return strings_[kLegalTrademarks]; }
  const std::string& GetPrivateBuild() const { return strings_[kPrivateBuild]; }
  const std::string& GetSpecialBuild() const { return strings_[kSpecialBuild]; }

 private:
  version::VS_FIXEDFILEINFO fixedInfo_{};
  std::array<std::string, kStringCount> strings_;
};
