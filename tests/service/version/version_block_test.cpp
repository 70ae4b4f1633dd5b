#include "service/version_block.h"

#include <gtest/gtest.h>

#include <random>

#include "service/version/version_test_util.h"
#include "service/version_image.h"

namespace {

using namespace version_test;

Bytes OwnBlock() {
  Bytes block(version::GetFileVersionInfoSize(TESMIRA_VERSION_RES));
  EXPECT_FALSE(block.empty());
  EXPECT_TRUE(version::GetFileVersionInfo(TESMIRA_VERSION_RES, block));
  return block;
}

TEST(VerQueryValue, FollowsPathsLikeThePlatform) {
  const Bytes block = OwnBlock();
  struct Case {
    const char* path;
    bool found;
    std::string value;
  };
  const Case cases[] = {
      {"\\VarFileInfo\\Translation", true, std::string("\x09\x04\xA8\x03", 4)},
      {"\\StringFileInfo\\040903A8\\ProductVersion", true, "1.3.0.0"},
      {"\\stringfileinfo\\040903a8\\PRODUCTVERSION", true, "1.3.0.0"},
      {"\\\\StringFileInfo\\\\040903A8\\ProductVersion\\", true, "1.3.0.0"},
      {"StringFileInfo\\040903A8\\CompanyName", true, "Tesmira"},
      {"\\StringFileInfo\\040903A8\\", true, ""},
      {"\\StringFileInfo\\040903A8\\ProductVersio", false, ""},
      {"\\StringFileInfo\\040903A8\\ProductVersionX", false, ""},
      {"\\StringFileInfo\\040904B0\\ProductVersion", false, ""},
      {"\\StringFileInfo\\040903A8\\ProductVersion\\More", false, ""},
      {"\\VarFileInfo\\Translation\\", true, std::string("\x09\x04\xA8\x03", 4)},
  };
  for (const Case& c : cases) {
    std::string value = "unchanged";
    EXPECT_EQ(version::VerQueryValue(block, c.path, &value), c.found) << c.path;
    if (c.found) {
      EXPECT_EQ(value, c.value) << c.path;
    }
  }

  // The root, however it is named, is the 52-byte fixed block.
  for (const char* root : {"\\", "", "\\\\"}) {
    std::string value;
    ASSERT_TRUE(version::VerQueryValue(block, root, &value)) << root;
    ASSERT_EQ(value.size(), 52u) << root;
    EXPECT_EQ(version::DecodeFixedFileInfo(value).dwSignature, version::kFixedFileInfoSignature);
    EXPECT_EQ(version::DecodeFixedFileInfo(value).dwProductVersionMS, 0x00010003u);
  }
}

TEST(VerQueryValue, BlockLengthComesFromAWellFormedRootOnly) {
  const Bytes block = OwnBlock();
  EXPECT_EQ(version::VersionBlockLength(block), block.size());
  Bytes padded = block;
  padded.resize(block.size() + 100, 0xEE);
  EXPECT_EQ(version::VersionBlockLength(padded), block.size());
  EXPECT_EQ(version::VersionBlockLength(std::span(block).first(block.size() - 1)), 0u);
  EXPECT_EQ(version::VersionBlockLength({}), 0u);
  Bytes renamed = block;
  renamed[6] = 'W';
  EXPECT_EQ(version::VersionBlockLength(renamed), 0u);
}

TEST(VerQueryValue, ScrambledBlocksStayInBounds) {
  // The sanitizer build turns any read outside the block into a failure.
  const Bytes block = OwnBlock();
  const char* paths[] = {"\\", "\\VarFileInfo\\Translation",
                         "\\StringFileInfo\\040903A8\\ProductVersion",
                         "\\StringFileInfo\\040903A8\\SpecialBuild"};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    Bytes scrambled = block;
    for (int flips = 1 + round % 6; flips > 0; --flips) {
      scrambled[random() % scrambled.size()] = static_cast<std::uint8_t>(random());
    }
    // A heap copy of exactly the claimed size, so that a read past it is caught.
    const size_t length = random() % (scrambled.size() + 1);
    const Bytes cut(scrambled.begin(), scrambled.begin() + length);
    for (const char* path : paths) {
      std::string value;
      version::VerQueryValue(cut, path, &value);
    }
    version::VersionBlockLength(cut);
  }
}

TEST(Utf16ToUtf8, EncodesEveryRangeAndReplacesLoneSurrogates) {
  struct Case {
    std::vector<std::uint16_t> units;
    std::string utf8;
  };
  const Case cases[] = {
      {{'A', 0x7F}, "A\x7F"},
      {{0x00FC, 0x07FF}, "\xC3\xBC\xDF\xBF"},
      {{0x4E2D, 0xFFFF}, "\xE4\xB8\xAD\xEF\xBF\xBF"},
      {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
      {{0xD83D, 'x'}, "\xEF\xBF\xBDx"},
      {{0xDE00}, "\xEF\xBF\xBD"},
      {{0xD83D}, "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    Bytes bytes;
    for (std::uint16_t unit : c.units) {
      bytes.push_back(static_cast<std::uint8_t>(unit));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    EXPECT_EQ(version::Utf16ToUtf8(bytes), c.utf8);
  }
  // An odd last byte is not a code unit.
  EXPECT_EQ(version::Utf16ToUtf8(Bytes{'A', 0, 'B'}), "A");
}

}  // namespace
