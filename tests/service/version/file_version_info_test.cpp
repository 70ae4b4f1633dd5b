#include "service/file_version_info.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <random>

#include "platform/system.h"
#include "service/version/version_test_util.h"
#include "service/version_image.h"

namespace {

using namespace version_test;

// --- Choosing the translation ------------------------------------------------------------

Bytes Table(std::initializer_list<std::uint16_t> words) {
  Bytes table;
  for (std::uint16_t word : words) {
    table.push_back(static_cast<std::uint8_t>(word));
    table.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return table;
}

TEST(FindTranslation, ChoosesInTheFiveStepsOrder) {
  struct Case {
    const char* what;
    Bytes table;
    std::uint16_t user;
    int expected;
  };
  const Case cases[] = {
      {"German only, English user: first entry", Table({0x0407, 0x04B0}), 0x0409, 0},
      {"same primary, first such entry", Table({0x0809, 0x04B0, 0x0409, 0x04B0}), 0x0C09, 0},
      {"exact beats an earlier primary match", Table({0x0809, 0x04B0, 0x0409, 0x04B0}), 0x0409, 1},
      {"neutral before English", Table({0x0407, 0x04B0, 0x0409, 0x04B0, 0x0000, 0x04B0}), 0x0411,
       2},
      {"neutral by low byte", Table({0x040C, 0x04B0, 0x0400, 0x04B0}), 0x0411, 1},
      {"English by low byte", Table({0x0407, 0x04B0, 0x0C09, 0x04B0, 0x0409, 0x04B0}), 0x0411, 1},
      {"low byte, not the 10-bit primary field", Table({0x0407, 0x04B0, 0x0109, 0x04B0}), 0x0409,
       1},
      {"partial trailing entry is not an entry", Table({0x0407, 0x04B0, 0x0409}), 0x0409, 0},
      {"one byte short of an entry", Bytes{0x09, 0x04, 0xB0}, 0x0409, -1},
      {"empty table", Bytes{}, 0x0409, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CFileVersionInfo::ChooseTranslation(c.table.data(), c.table.size(), c.user),
              c.expected)
        << c.what;
  }
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(nullptr, 8, 0x0409), -1);

  const Bytes british = Table({0x0809, 0x04B0, 0x0409, 0x04B0});
  EXPECT_EQ(CFileVersionInfo::FindTranslation(british.data(), british.size(), 0x0C09, false), -1);
  EXPECT_EQ(CFileVersionInfo::FindTranslation(british.data(), british.size(), 0x0C09, true), 0);
  EXPECT_EQ(CFileVersionInfo::FindTranslation(british.data(), british.size(), 0x0407, true), -1);
}

// --- The program's own version -----------------------------------------------------------

void ExpectOwnVersion(const CFileVersionInfo& info) {
  EXPECT_EQ(info.GetProductVersion(), "1.3.0.0");
  EXPECT_EQ(info.GetFileVersion(), "1.3.0.0");
  EXPECT_EQ(info.GetProductName(), "Tesmira");
  EXPECT_EQ(info.GetOriginalFileName(), "tesmira");
  EXPECT_EQ(info.GetComments(), "");
  const version::VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
  EXPECT_EQ(fixed.dwSignature, version::kFixedFileInfoSignature);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010003u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00010003u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0u);
}

TEST(FileVersionInfo, ReadsTheProgramsOwnVersionEveryWay) {
  struct Case {
    const char* what;
    const char* locale;
    std::function<bool(CFileVersionInfo&)> create;
  };
  const Case cases[] = {
      {"no module handle", "en_US.UTF-8", [](CFileVersionInfo& i) { return i.Create(); }},
      {"German user falls back to English", "de_DE.UTF-8",
       [](CFileVersionInfo& i) { return i.Create(nullptr); }},
      {"the program's dlopen handle", "zh_CN.UTF-8",
       [](CFileVersionInfo& i) {
         void* self = dlopen(nullptr, RTLD_NOW);
         const bool ok = i.Create(static_cast<HMODULE>(self));
         dlclose(self);
         return ok;
       }},
      {"the program's path", "C",
       [](CFileVersionInfo& i) { return i.Create(platform::ModuleFileName()); }},
      {"the compiled .res", "C", [](CFileVersionInfo& i) { return i.Create(TESMIRA_VERSION_RES); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedLocale locale(c.locale);
    CFileVersionInfo info;
    ASSERT_TRUE(c.create(info));
    ExpectOwnVersion(info);
  }
}

TEST(FileVersionInfo, ProgramKeepsItsVersionWhenStripped) {
  const TempDir dir;
  const std::string stripped = dir.File("stripped");
  const std::string command =
      std::string(TESMIRA_STRIP) + " --strip-all -o " + stripped + " " + platform::ModuleFileName();
  ASSERT_EQ(std::system(command.c_str()), 0);
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(stripped));
  EXPECT_EQ(info.GetProductVersion(), "1.3.0.0");
}

TEST(FileVersionInfo, ReadsTheBlockFromElfFilesOfEveryClassAndByteOrder) {
  for (const char* format : {"elf64-x86-64", "elf32-i386", "elf64-big", "elf32-big"}) {
    CFileVersionInfo info;
    EXPECT_TRUE(info.Create(Fixture(std::string(format) + ".o"))) << format;
    EXPECT_EQ(info.GetProductVersion(), "1.3.0.0") << format;
  }
}

TEST(FileVersionInfo, ALibraryHandleReadsThatLibrarysFile) {
  // libc has no version resource of ours: the handle must lead to its file, not to ours.
  void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(libc, nullptr);
  CFileVersionInfo info;
  EXPECT_FALSE(info.Create(static_cast<HMODULE>(libc)));
  EXPECT_EQ(info.GetProductVersion(), "");
  dlclose(libc);
}

// --- Windows images made by the resource compiler ------------------------------------------

TEST(FileVersionInfo, ReadsTheTranslationThatSuitsTheUser) {
  struct Case {
    const char* file;
    const char* locale;
    const char* productVersion;
    const char* companyName;
  };
  const Case cases[] = {
      // German only: nothing suits an English user, so the first (only) table is read.
      {"german.dll", "en_US.UTF-8", "2.0", "Beispiel GmbH"},
      {"german.dll", "de_AT.UTF-8", "2.0", "Beispiel GmbH"},
      // British before American: an Australian gets the first English table.
      {"two_languages.exe", "en_AU.UTF-8", "3.1 (UK)", ""},
      {"two_languages.exe", "en_US.UTF-8", "3.1 (US)", "Example Inc."},
      {"two_languages.exe", "C", "3.1 (US)", "Example Inc."},
      {"two_languages.exe", "fr_FR.UTF-8", "3.1 (UK)", ""},
      {"two_languages64.exe", "en_GB.UTF-8", "3.1 (UK)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " for " + c.locale);
    const ScopedLocale locale(c.locale);
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(Fixture(c.file)));
    EXPECT_EQ(info.GetProductVersion(), c.productVersion);
    // A key missing from the chosen table stays empty.
    EXPECT_EQ(info.GetCompanyName(), c.companyName);
  }
}

TEST(FileVersionInfo, ReadsEveryKeyAndTheFixedBlockOfARealImage) {
  const ScopedLocale locale("en_US.UTF-8");
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(Fixture("two_languages.exe")));
  const char* expected[] = {
      "Example Inc.", "Color example", "3.1.0.42", "example",          "Copyright (C) Example Inc.",
      "example.exe",  "Color Example", "3.1 (US)", "Two translations", "Example(TM)",
      "private 7",    "special 9"};
  for (size_t key = 0; key < CFileVersionInfo::kStringCount; ++key) {
    EXPECT_EQ(info.GetString(static_cast<CFileVersionInfo::StringKey>(key)), expected[key])
        << CFileVersionInfo::kStringKeys[key];
  }
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, 0x00030001u);
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionLS, 42u);
  EXPECT_EQ(info.GetFixedInfo().dwFileType, 1u);

  // The German library: text beyond ASCII arrives as UTF-8, the key's other spelling matches,
  // and an empty value is empty.
  ASSERT_TRUE(info.Create(Fixture("german.dll")));
  EXPECT_EQ(info.GetFileDescription(), "Bibliothek f\xC3\xBCr Beispiele");
  EXPECT_EQ(info.GetOriginalFileName(), "beispiel.dll");
  EXPECT_EQ(info.GetComments(), "");
  EXPECT_EQ(info.GetLegalTrademarks(), "");
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionLS, 0x00010007u);
  EXPECT_EQ(info.GetFixedInfo().dwFileType, 2u);
}

// --- Files without a usable version --------------------------------------------------------

TEST(FileVersionInfo, FilesWithoutAVersionGiveFalseAndEmptyValues) {
  const TempDir dir;
  WriteBytes(dir.File("empty"), {});
  WriteBytes(dir.File("text"), {'h', 'e', 'l', 'l', 'o', '\n'});
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const std::string files[] = {
      Fixture("no_version.exe"), dir.File("missing"), dir.File("empty"), dir.File("text"),
      dir.File("fifo"),          dir.File(""),        "/dev/zero",       TESMIRA_VERSION_FIXTURES};
  for (const std::string& file : files) {
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(Fixture("two_languages.exe")));
    // A failed Create leaves nothing of the earlier one behind.
    EXPECT_FALSE(info.Create(file)) << file;
    EXPECT_EQ(info.GetProductVersion(), "") << file;
    EXPECT_EQ(info.GetCompanyName(), "") << file;
    EXPECT_EQ(info.GetFixedInfo().dwSignature, 0u) << file;
  }
}

TEST(FileVersionInfo, NoTranslationTableKeepsTheFixedBlockAndNoStrings) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(Fixture("no_translation.res")));
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, 0x00040000u);
  EXPECT_EQ(info.GetProductVersion(), "");
}

// The program's block with its 52-byte fixed value replaced by one of another length.
Bytes WithRootValueLength(const Bytes& block, size_t length) {
  constexpr size_t kValueStart = 40;  // 6-byte header, "VS_VERSION_INFO" and terminator, padding
  Bytes changed(block.begin(), block.begin() + kValueStart + std::min<size_t>(length, 52));
  changed.resize(kValueStart + length, 0);
  changed.insert(changed.end(), block.begin() + kValueStart + 52, block.end());
  Put(changed, 0, 2, static_cast<std::uint32_t>(changed.size()));
  Put(changed, 2, 2, static_cast<std::uint32_t>(length));
  return changed;
}

TEST(FileVersionInfo, RootOfAnotherLengthLeavesTheFixedInfoZeroButReadsStrings) {
  const Bytes block = ReadBytes(Fixture("tesmira.bin"));
  ASSERT_GT(block.size(), 92u);
  const TempDir dir;
  for (size_t length : {0, 48, 56}) {
    WriteBytes(dir.File("changed.res"), ResFile(WithRootValueLength(block, length)));
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(dir.File("changed.res"))) << length;
    EXPECT_EQ(info.GetFixedInfo().dwSignature, 0u) << length;
    EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, 0u) << length;
    EXPECT_EQ(info.GetProductVersion(), "1.3.0.0") << length;
  }
  // The unchanged block through the same path, so the helper is known to be sound.
  WriteBytes(dir.File("same.res"), ResFile(WithRootValueLength(block, 52)));
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(dir.File("same.res")));
  EXPECT_EQ(info.GetFixedInfo().dwSignature, version::kFixedFileInfoSignature);
}

// --- Damaged and hostile files -------------------------------------------------------------

struct Damage {
  const char* what;
  const char* file;
  std::function<void(Bytes&)> apply;
  bool created;
  const char* productVersion;
};

size_t PeHeader(const Bytes& image) { return Get(image, 0x3C, 4); }

// The resource section's file offset, from its entry in the section table.
size_t ResourceSection(const Bytes& image) {
  const size_t pe = PeHeader(image);
  const size_t count = Get(image, pe + 6, 2);
  const size_t table = pe + 24 + Get(image, pe + 20, 2);
  for (size_t i = 0; i < count; ++i) {
    if (std::string_view(reinterpret_cast<const char*>(&image[table + i * 40]), 5) == ".rsrc") {
      return Get(image, table + i * 40 + 20, 4);
    }
  }
  ADD_FAILURE() << "no resource section";
  return 0;
}

TEST(FileVersionInfo, DamagedFilesGiveFalseOrWhatIsLeftNeverACrash) {
  const Damage damages[] = {
      {"PE header offset past the end", "two_languages.exe",
       [](Bytes& b) { Put(b, 0x3C, 4, 0xFFFFFFF0); }, false, ""},
      {"no sections to map the resources", "two_languages.exe",
       [](Bytes& b) { Put(b, PeHeader(b) + 6, 2, 0); }, false, ""},
      {"optional header longer than the file", "german.dll",
       [](Bytes& b) { Put(b, PeHeader(b) + 20, 2, 0xFFFF); }, false, ""},
      {"resource directory with 65535 entries", "german.dll",
       [](Bytes& b) { Put(b, ResourceSection(b) + 14, 2, 0xFFFF); }, false, ""},
      {"type entry that is a leaf", "german.dll",
       [](Bytes& b) { Put(b, ResourceSection(b) + 20, 4, 0x00000010); }, false, ""},
      {"type entry pointing back at the root", "german.dll",
       [](Bytes& b) { Put(b, ResourceSection(b) + 20, 4, 0x80000000); }, false, ""},
      {"root longer than the resource", "two_languages.exe",
       [](Bytes& b) { Put(b, NodeOffset(b, "VS_VERSION_INFO"), 2, 0xFFFF); }, false, ""},
      {"root of another name", "two_languages.exe",
       [](Bytes& b) { b[NodeOffset(b, "VS_VERSION_INFO") + 6] = 'X'; }, false, ""},
      {"string table of length zero", "two_languages.exe",
       [](Bytes& b) { Put(b, NodeOffset(b, "StringFileInfo"), 2, 0); }, true, ""},
      {"string table longer than its parent", "two_languages.exe",
       [](Bytes& b) { Put(b, NodeOffset(b, "StringFileInfo"), 2, 0xFFF0); }, true, ""},
      {"value length past its node", "german.dll",
       [](Bytes& b) { Put(b, NodeOffset(b, "ProductVersion") + 2, 2, 0x7FFF); }, true, "2.0"},
      {"key without a terminator", "two_languages.exe",
       [](Bytes& b) {
         const size_t at = NodeOffset(b, "SpecialBuild");
         // Fill the rest of the node so no zero word remains after the key's start.
         for (size_t i = at + 6; i < at + Get(b, at, 2); ++i) b[i] = 'A';
       },
       true, "3.1 (US)"},
      {"translation table cut to three bytes", "two_languages.exe",
       [](Bytes& b) { Put(b, NodeOffset(b, "Translation") + 2, 2, 3); }, true, ""},
      {"section table offset past the end", "elf64-x86-64.o",
       [](Bytes& b) { Put(b, 0x28, 4, 0x7FFFFFF0); }, false, ""},
      {"section names index out of range", "elf64-x86-64.o",
       [](Bytes& b) { Put(b, 0x3E, 2, 0xFFF0); }, false, ""},
      {"section entries too small", "elf32-i386.o", [](Bytes& b) { Put(b, 0x2E, 2, 8); }, false,
       ""},
      {"section count in section 0, which says none", "elf64-x86-64.o",
       [](Bytes& b) { Put(b, 0x3C, 2, 0); }, false, ""},
      // Found by fuzzing: a 64-bit header cut to 52 to 63 bytes was decoded past the end.
      {"64-bit ELF header of 52 bytes, all zero after the class", "elf64-x86-64.o",
       [](Bytes& b) {
         b = {0x7F, 'E', 'L', 'F', 2, 1};
         b.resize(52);
       },
       false, ""},
      {"64-bit ELF header cut to 63 bytes", "elf64-x86-64.o", [](Bytes& b) { b.resize(63); }, false,
       ""},
      {"resource data size beyond the file", "tesmira.res",
       [](Bytes& b) {
         const size_t at = NodeOffset(b, "VS_VERSION_INFO");
         Put(b, at - 32, 4, 0x7FFFFFFF);
       },
       false, ""},
      {"resource header size zero", "tesmira.res", [](Bytes& b) { Put(b, 36, 4, 0); }, false, ""},
  };
  const TempDir dir;
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    const ScopedLocale locale("en_US.UTF-8");
    const std::string source =
        std::string(d.file) == "tesmira.res" ? TESMIRA_VERSION_RES : Fixture(d.file);
    Bytes bytes = ReadBytes(source);
    ASSERT_FALSE(bytes.empty());
    d.apply(bytes);
    WriteBytes(dir.File("damaged"), bytes);
    CFileVersionInfo info;
    EXPECT_EQ(info.Create(dir.File("damaged")), d.created);
    EXPECT_EQ(info.GetProductVersion(), d.productVersion);
  }
}

TEST(FileVersionInfo, TruncatedAndScrambledFilesNeverReadOutOfBounds) {
  const TempDir dir;
  const std::string damaged = dir.File("damaged");
  const std::string sources[] = {Fixture("german.dll"), Fixture("two_languages.exe"),
                                 Fixture("elf32-big.o"), TESMIRA_VERSION_RES};
  std::mt19937 random(20240611);
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    const Bytes bytes = ReadBytes(source);
    const size_t root = NodeOffset(bytes, "VS_VERSION_INFO");
    const size_t blockEnd = root + Get(bytes, root, 2);
    // Nothing past the block changes the outcome, so the cuts stop shortly after it.
    for (size_t length = 0; length < std::min(bytes.size(), blockEnd + 64); ++length) {
      WriteBytes(damaged, Bytes(bytes.begin(), bytes.begin() + length));
      CFileVersionInfo info;
      const bool created = info.Create(damaged);
      if (length < blockEnd) {
        EXPECT_FALSE(created) << "cut to " << length;
      }
    }
    // Any result is acceptable for scrambled bytes; reading them must stay in bounds (the
    // sanitizer build checks that).
    for (int round = 0; round < 300; ++round) {
      Bytes scrambled = bytes;
      for (int flips = 1 + round % 4; flips > 0; --flips) {
        scrambled[random() % scrambled.size()] = static_cast<std::uint8_t>(random());
      }
      WriteBytes(damaged, scrambled);
      CFileVersionInfo info;
      info.Create(damaged);
    }
  }
}

}  // namespace
