#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "service/account.h"
#include "service/settings.h"
#include "service/tab_stdio_file.h"
#include "tunnel/scratch_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driverInstalled = 42;
    accountName = "stale";
  }
  ScratchDir dir_;
};

TEST_F(SettingsTest, StartUpWithoutFileCreatesDefaults) {
  const std::string login = DefaultAccountName();
  ASSERT_FALSE(login.empty());

  InitializeSettings();

  EXPECT_EQ(ReadBytes(kSettingsFileName), "1\t" + login + "\r\n");
  EXPECT_EQ(driverInstalled, 1);
  EXPECT_EQ(accountName, login);
}

TEST_F(SettingsTest, StartUpKeepsAnExistingFile) {
  WriteBytes(kSettingsFileName, "0\tbob\r\n");
  InitializeSettings();
  EXPECT_EQ(ReadBytes(kSettingsFileName), "0\tbob\r\n");
  EXPECT_EQ(driverInstalled, 0);
  EXPECT_EQ(accountName, "bob");
}

TEST_F(SettingsTest, SavingTwiceGivesTheSameSingleLine) {
  driverInstalled = 7;
  accountName = "alice";
  SaveSettings();
  SaveSettings();
  EXPECT_EQ(ReadBytes(kSettingsFileName), "1\talice\r\n");
  driverInstalled = 0;
  SaveSettings();
  EXPECT_EQ(ReadBytes(kSettingsFileName), "0\talice\r\n");
}

TEST_F(SettingsTest, SaveAndLoadRoundTrip) {
  driverInstalled = 0;
  accountName = "name with blanks";
  SaveSettings();
  driverInstalled = 1;
  accountName.clear();
  EXPECT_TRUE(LoadSettings());
  EXPECT_EQ(driverInstalled, 0);
  EXPECT_EQ(accountName, "name with blanks");
}

// The longest name a line holds is 252 characters; a longer one used to leave an empty file
// and lose both values.
TEST_F(SettingsTest, OverlongAccountNameIsCutToWhatTheLineHolds) {
  accountName = std::string(255, 'n');
  driverInstalled = 0;
  SaveSettings();
  EXPECT_EQ(ReadBytes(kSettingsFileName), "0\t" + std::string(252, 'n') + "\r\n");
  accountName = std::string(252, 'm');
  SaveSettings();
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(accountName, std::string(252, 'm'));
}

TEST_F(SettingsTest, NameCutAtAZeroByteIsSavedCut) {
  WriteBytes(kSettingsFileName, std::string("1\tjo\0hn\r\n", 9));
  ASSERT_TRUE(LoadSettings());
  SaveSettings();
  EXPECT_EQ(ReadBytes(kSettingsFileName), "1\tjo\r\n");
}

TEST_F(SettingsTest, LoadWithoutFileReportsFalseAndChangesNothing) {
  EXPECT_FALSE(LoadSettings());
  EXPECT_EQ(driverInstalled, 42);
  EXPECT_EQ(accountName, "stale");
}

// A name that is not a file: it cannot be written, and reading it gives no record.
TEST_F(SettingsTest, UnusableFileLeavesDefaults) {
  std::filesystem::create_directory(kSettingsFileName);
  SaveSettings();
  InitializeSettings();
  EXPECT_EQ(driverInstalled, 1);
  EXPECT_EQ(accountName, DefaultAccountName());
}

struct LoadCase {
  const char* name;
  std::string bytes;
  int32_t driver;
  std::string account;  // "<default>" for DefaultAccountName()
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class SettingsLoadTest : public SettingsTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoadTest, GivesASoundResult) {
  const LoadCase& c = GetParam();
  WriteBytes(kSettingsFileName, c.bytes);
  EXPECT_TRUE(LoadSettings());
  EXPECT_EQ(driverInstalled, c.driver);
  EXPECT_EQ(accountName, c.account == "<default>" ? DefaultAccountName() : c.account);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsLoadTest,
    ::testing::Values(
        LoadCase{"TwoFields", "1\tbob\r\n", 1, "bob"}, LoadCase{"ZeroFlag", "0\tbob\r\n", 0, "bob"},
        LoadCase{"LineFeedOnly", "0\tbob\n", 0, "bob"},
        LoadCase{"NoFinalLineFeed", "0\tbob", 0, "bob"},
        LoadCase{"BlankAndDigits", " 7abc\tbob\r\n", 7, "bob"},
        LoadCase{"Letters", "abc\tbob\r\n", 0, "bob"},
        LoadCase{"Negative", "-3\tbob\r\n", -3, "bob"},
        LoadCase{"Huge", "99999999999999999999999\tbob\r\n", INT32_MAX, "bob"},
        LoadCase{"EmptyName", "0\t\r\n", 0, ""},
        LoadCase{"CarriageReturnInsideName", "1\tb\rob\r\n", 1, "b\rob"},
        LoadCase{"Empty", "", 1, "<default>"}, LoadCase{"EmptyLine", "\r\n", 1, "<default>"},
        LoadCase{"OneField", "0\r\n", 0, "<default>"},
        LoadCase{"ThreeFields", "0\tbob\textra\r\n", 0, "<default>"},
        LoadCase{"ElevenFields", "0\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\r\n", 0, "<default>"},
        LoadCase{"SecondLineIgnored", "0\tbob\r\n1\teve\r\n", 0, "bob"},
        LoadCase{"LongLineIsCut", "0\t" + std::string(300, 'x') + "\r\n", 0, std::string(252, 'x')},
        // The name is a zero-terminated field: it ends at its first zero byte.
        LoadCase{"ZeroInsideName", std::string("1\tjo\0hn\r\n", 9), 1, "jo"},
        LoadCase{"Binary", std::string("\0\x01\xff\t\xfe\0z", 7), 0, "\xfe"}),
    [](const auto& info) { return info.param.name; });

class TabStdioFileTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

TEST_F(TabStdioFileTest, WriteFieldDropsWhatDoesNotFitTheLine) {
  {
    CTabStdioFile file;
    ASSERT_TRUE(file.Open("f", CTabStdioFile::Mode::Write));
    file.WriteField("ab", false);
    file.WriteField(std::string(253, 'x'), false);  // 3 + 253 + 1 = 257: dropped
    file.WriteField(std::string(252, 'y'), true);   // 3 + 252 + 1 = 256: dropped, no line
    file.WriteField(std::string(251, 'z'), true);   // 3 + 251 + 1 = 255: written
  }
  EXPECT_EQ(ReadBytes("f"), "ab\t" + std::string(251, 'z') + "\r\n");
}

TEST_F(TabStdioFileTest, ReadFieldRefusals) {
  WriteBytes("f", "one\ttwo\tthree\r\nlast\r\n");
  CTabStdioFile file;
  ASSERT_TRUE(file.Open("f", CTabStdioFile::Mode::Read));
  std::string field = "untouched";

  EXPECT_FALSE(file.ReadField(field, 256, true));  // more fields follow: no advance
  EXPECT_EQ(field, "untouched");
  EXPECT_TRUE(file.ReadField(field, 256, false));
  EXPECT_EQ(field, "one");
  EXPECT_FALSE(file.ReadField(field, 3, false));  // "two" needs 4 with its terminator
  EXPECT_TRUE(file.ReadField(field, 4, false));
  EXPECT_EQ(field, "two");
  EXPECT_FALSE(file.ReadField(field, 256, false));  // last of its record
  EXPECT_TRUE(file.ReadField(field, 256, true));
  EXPECT_EQ(field, "three");
  // All handed out: the next record is read.
  EXPECT_TRUE(file.ReadField(field, 256, true));
  EXPECT_EQ(field, "last");
  EXPECT_FALSE(file.ReadField(field, 256, true));
  EXPECT_FALSE(file.ReadRecord());
}

// The rest of an over-long line is not taken for a record of its own.
TEST_F(TabStdioFileTest, LongLineDoesNotSpillIntoTheNextRecord) {
  WriteBytes("f", std::string(400, 'x') + "\tlost\r\nnext\r\n");
  CTabStdioFile file;
  ASSERT_TRUE(file.Open("f", CTabStdioFile::Mode::Read));
  std::string field;
  EXPECT_TRUE(file.ReadField(field, 256, true));
  EXPECT_EQ(field, std::string(254, 'x'));
  EXPECT_TRUE(file.ReadField(field, 256, true));
  EXPECT_EQ(field, "next");
}

}  // namespace
