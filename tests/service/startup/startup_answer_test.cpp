#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "service/startup_exchange.h"

namespace {

struct Case {
  const char* name;
  std::string response;
  bool reached;
  std::optional<std::string> notice;
  std::string caption;
  std::optional<std::string> password;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class StartupAnswerCases : public ::testing::TestWithParam<Case> {};

TEST_P(StartupAnswerCases, ReadsTheMarkerPairs) {
  const Case& c = GetParam();
  const StartupAnswer answer = ParseStartupAnswer(c.response);
  EXPECT_EQ(answer.reached, c.reached);
  EXPECT_EQ(answer.notice, c.notice);
  EXPECT_EQ(answer.caption, c.caption);
  EXPECT_EQ(answer.password, c.password);
}

const std::string kOk = "StatStartOKStatEnd";

INSTANTIATE_TEST_SUITE_P(
    Answers, StartupAnswerCases,
    ::testing::Values(
        Case{"PasswordOnly", kOk + "PWStartsecretPWEnd", true, {}, "", "secret"},
        Case{"NoticeWithCaption",
             kOk + "MsgCapStartNewsMsgCapEndMsgStartHelloMsgEnd",
             true,
             "Hello",
             "News",
             {}},
        Case{"NoticeWithoutCaption", kOk + "MsgStartHelloMsgEndPWStartpPWEnd", true, "Hello", "",
             "p"},
        Case{"CaptionWithoutNoticeIsIgnored", kOk + "MsgCapStartNewsMsgCapEnd", true, {}, "", {}},
        Case{"EmptyPasswordPair", kOk + "PWStartPWEnd", true, {}, "", ""},
        Case{"StartWithoutEnd", kOk + "MsgStartHello PWStartx", true, {}, "", {}},
        Case{"MarkersInsideOtherText",
             "xxStatStartStatEndyyPWStartaPWEndPWStartbPWEnd",
             true,
             {},
             "",
             "a"},
        Case{"MarkersAreCaseSensitive", kOk + "pwstartxpwend", true, {}, "", {}},
        Case{"EndBeforeStartGivesNoValue", kOk + "PWEndxPWStart", true, {}, "", {}},
        Case{"NoStatusField", "PWStartsecretPWEnd", false, {}, "", {}},
        Case{"HalfAStatusField", "StatStartOK PWStartsecretPWEnd", false, {}, "", {}},
        Case{"EmptyBody", "", false, {}, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StartupAnswer, ValuesAreCutToTheirCapacity) {
  const std::string longText(400, 'n');
  const StartupAnswer answer =
      ParseStartupAnswer(kOk + "MsgStart" + longText + "MsgEndMsgCapStart" + longText +
                         "MsgCapEndPWStart" + longText + "PWEnd");
  EXPECT_EQ(answer.notice, std::string(255, 'n'));
  EXPECT_EQ(answer.caption, std::string(255, 'n'));
  EXPECT_EQ(answer.password, std::string(63, 'n'));
}

TEST(StartupRequest, BodyCarriesTheAccountThenTheVersion) {
  EXPECT_EQ(BuildStartupRequestBody("j doe&x", "1.3.0.0"), "Account=j doe&x&Version=1.3.0.0");
  EXPECT_EQ(BuildStartupRequestBody("demo", ""), "Account=demo&Version=");
}

}  // namespace
