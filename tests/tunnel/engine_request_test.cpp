// The request is all that crosses into root: every rule of it, accepted and refused.

#include <gtest/gtest.h>

#include <string>

#include "tunnel/engine_request.h"

namespace {

struct RequestCase {
  const char* name;
  std::string text;
  std::string refusal;  // empty: accepted
};

void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

std::string Request(const std::string& host, const std::string& port = "1194",
                    const std::string& user = "alice", const std::string& password = "pw") {
  return "host=" + host + "\nport=" + port + "\nuser=" + user + "\npassword=" + password + "\n";
}

const std::string kBadHost = "the host is neither an IP address nor a DNS name";
const std::string kBadPort = "the port is not a number from 1 to 65535";

class EngineRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(EngineRequestTest, AcceptsOnlyWhatTheRulesAllow) {
  const RequestCase& c = GetParam();
  tunnel::EngineRequest request;
  EXPECT_EQ(tunnel::ParseEngineRequest(c.text, &request), c.refusal);
  if (c.refusal.empty()) {
    EXPECT_EQ(tunnel::EngineRequestText(request), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EngineRequestTest,
    ::testing::Values(
        RequestCase{"ipv4", Request("192.0.2.1"), ""},
        RequestCase{"ipv6", Request("2001:db8::1"), ""},
        RequestCase{"ipv6_mapped", Request("::ffff:192.0.2.1"), ""},
        RequestCase{"dns_name", Request("vpn-1.example.com"), ""},
        RequestCase{"single_label", Request("localhost"), ""},
        RequestCase{"longest_values",
                    Request(std::string(63, 'a') + "." + std::string(63, 'b') + "." +
                                std::string(63, 'c') + "." + std::string(61, 'd'),
                            "65535", std::string(255, 'u'), std::string(128, 'p')),
                    ""},
        RequestCase{"blanks_inside_password", Request("h.example", "1", "a b", "p w"), ""},
        RequestCase{"utf8_user", Request("h.example", "1", "j\xC3\xBCrgen", "pw"), ""},
        // Host: nothing that could be read as an option or a second directive.
        RequestCase{"host_option", Request("--plugin"), kBadHost},
        RequestCase{"host_leading_hyphen", Request("-x.example"), kBadHost},
        RequestCase{"host_label_trailing_hyphen", Request("x-.example"), kBadHost},
        RequestCase{"host_blank", Request("10.0.0.1 1195"), kBadHost},
        RequestCase{"host_empty", Request(""), "the host is empty"},
        RequestCase{"host_empty_label", Request("a..b"), kBadHost},
        RequestCase{"host_trailing_dot", Request("vpn.example."), kBadHost},
        RequestCase{"host_too_long",
                    Request(std::string(63, 'a') + "." + std::string(63, 'b') + "." +
                            std::string(63, 'c') + "." + std::string(62, 'd')),
                    kBadHost},
        RequestCase{"host_label_too_long", Request(std::string(64, 'a') + ".example"), kBadHost},
        RequestCase{"host_numeric_last_label", Request("1.2.3.999"), kBadHost},
        RequestCase{"host_ipv4_leading_zero", Request("010.0.0.1"), kBadHost},
        RequestCase{"host_ipv6_zone", Request("fe80::1%eth0"), kBadHost},
        RequestCase{"host_zero_after_ipv6", Request(std::string("2001:db8::1\0\0", 13)), kBadHost},
        RequestCase{"host_zero_after_ipv4", Request(std::string("192.0.2.1\0", 10)), kBadHost},
        RequestCase{"host_underscore", Request("a_b.example"), kBadHost},
        RequestCase{"host_cr", Request("a.example\r"), kBadHost},
        RequestCase{"port_zero", Request("h.example", "0"), kBadPort},
        RequestCase{"port_leading_zero", Request("h.example", "01194"), kBadPort},
        RequestCase{"port_too_big", Request("h.example", "65536"), kBadPort},
        RequestCase{"port_sign", Request("h.example", "+1194"), kBadPort},
        RequestCase{"port_blank", Request("h.example", "1194 "), kBadPort},
        RequestCase{"port_empty", Request("h.example", ""), kBadPort},
        RequestCase{"user_empty", Request("h.example", "1", ""), "the user name is empty"},
        RequestCase{"user_too_long", Request("h.example", "1", std::string(256, 'u')),
                    "the user name is longer than 255 bytes"},
        RequestCase{"user_control", Request("h.example", "1", "a\tb"),
                    "the user name holds a control character"},
        RequestCase{"password_empty", Request("h.example", "1", "a", ""), "the password is empty"},
        RequestCase{"password_too_long", Request("h.example", "1", "a", std::string(129, 'p')),
                    "the password is longer than 128 bytes"},
        RequestCase{"password_delete", Request("h.example", "1", "a", "p\x7F"),
                    "the password holds a control character"},
        RequestCase{"password_zero", Request("h.example", "1", "a", std::string("p\0q", 3)),
                    "the password holds a control character"},
        // The frame: four lines, these keys, this order, nothing more.
        RequestCase{"keys_out_of_order", "port=1\nhost=h.example\nuser=a\npassword=p\n",
                    "line 1 is not host=..."},
        RequestCase{"unknown_key", "host=h.example\nport=1\nuser=a\nplugin=x.so\n",
                    "line 4 is not password=..."},
        RequestCase{"key_with_blank", "host =h.example\nport=1\nuser=a\npassword=p\n",
                    "line 1 is not host=..."},
        RequestCase{"fifth_line", Request("h.example") + "config=/root/x\n",
                    "the request has more than four lines"},
        RequestCase{"no_last_line_feed", "host=h.example\nport=1\nuser=a\npassword=p",
                    "the request is not four lines"},
        RequestCase{"crlf", "host=h.example\r\nport=1\r\nuser=a\r\npassword=p\r\n", kBadHost},
        RequestCase{"empty", "", "the request is not four lines"},
        RequestCase{"oversized", Request("h.example", "1", "a", "p") + std::string(4096, 'x'),
                    "the request is longer than 4096 bytes"}),
    [](const ::testing::TestParamInfo<RequestCase>& info) { return info.param.name; });

}  // namespace
